#pragma once

// The statistics of an experiment's summary: descriptive figures of a sample and the Wilcoxon
// signed-rank test, with its treatment of zero and tied differences fixed here and stated in the
// summary (kSignedRankTreatment).
#include <vector>

namespace statistics {

// Values closer than this count as equal, as the evaluator's dominance shares count them.
inline constexpr double kEqualWithin = 1e-10;

struct Descriptive {
    int n = 0;
    double mean = 0, sd = 0, median = 0, min = 0, max = 0;  // sd: the sample's (n - 1); NaN when n < 2
};

// Sums in the order given, so the figures do not depend on anything but the values and their order.
Descriptive describe(const std::vector<double>& values);

struct SignedRankTest {
    int n = 0;               // differences that are not zero
    int zeros = 0;           // differences left out as zero
    bool ties = false;       // whether absolute differences tie
    bool exact = false;      // exact null distribution, else the normal approximation
    double wPlus = 0;        // sum of the ranks of the positive differences
    double wMinus = 0;       // ... of the negative ones
    double p = 1;            // two-sided
};

// The Wilcoxon signed-rank test of the differences against a median of 0 (a one-sample test of
// x - m, or a paired test of x - y).
SignedRankTest signedRankTest(const std::vector<double>& differences);

// Largest n for which the exact null distribution is used (without ties).
inline constexpr int kExactUpTo = 49;

// P(W+ <= w) under the null hypothesis for n untied nonzero differences, computed exactly by
// counting the subsets of the ranks 1 ... n by their sum.
double signedRankLowerTail(int n, double w);

inline constexpr const char* kSignedRankTreatment =
    "Differences smaller than 1e-10 in absolute value (as the evaluator compares values) count as zero and are "
    "left out, as Wilcoxon proposed; n counts the others. Absolute differences within 1e-10 of each other are tied "
    "and share their mean rank. W- sums the ranks of the differences where GP is lower (better), W+ of those where "
    "it is higher. p is two-sided: exact (the null distribution of W+, counted over all sign patterns) when n is at "
    "most 49 and no absolute differences tie; otherwise from the normal approximation, with the variance reduced "
    "for ties and a continuity correction of 1/2. With n = 0, p is 1.";

}  // namespace statistics
