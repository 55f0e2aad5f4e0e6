// The statistics of an experiment's summary against published values and worked examples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "report/statistics.h"

namespace {

// ---- Descriptive figures: NIST's Statistical Reference Datasets for univariate summaries
// (https://www.itl.nist.gov/div898/strd/univ/), certified mean and standard deviation.

std::vector<double> alternating(double first, double low, double high, int pairs) {
    std::vector<double> values = {first};
    for (int i = 0; i < pairs; ++i) values.insert(values.end(), {low, high});
    return values;
}

struct Certified {
    const char* name;
    std::vector<double> values;
    double mean, sd;
    friend void PrintTo(const Certified& c, std::ostream* out) { *out << c.name; }
};

class NistDataset : public testing::TestWithParam<Certified> {};

TEST_P(NistDataset, MeanAndStandardDeviation) {
    const Certified& c = GetParam();
    const statistics::Descriptive d = statistics::describe(c.values);
    EXPECT_NEAR(d.mean, c.mean, std::fabs(c.mean) * 1e-14);
    EXPECT_NEAR(d.sd, c.sd, c.sd * 1e-8);
    EXPECT_EQ(d.median, c.mean);  // symmetric around the mean, with an odd count
}

INSTANTIATE_TEST_SUITE_P(Statistics, NistDataset,
                         testing::Values(Certified{"NumAcc1", {10000001, 10000003, 10000002}, 10000002, 1},
                                         Certified{"NumAcc2", alternating(1.2, 1.1, 1.3, 500), 1.2, 0.1},
                                         Certified{"NumAcc3", alternating(1000000.2, 1000000.1, 1000000.3, 500),
                                                   1000000.2, 0.1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Descriptive, EvenCountsTakeTheMeanOfTheMiddleTwoAndOneValueHasNoSd) {
    const statistics::Descriptive four = statistics::describe({4, 1, 3, 2});
    EXPECT_EQ(four.median, 2.5);
    EXPECT_EQ(four.min, 1);
    EXPECT_EQ(four.max, 4);
    EXPECT_TRUE(std::isnan(statistics::describe({7}).sd));
}

// ---- The exact null distribution of the signed-rank statistic: the two-sided 5 % critical values
// T of published tables (Wilcoxon, Katti & Wilcox, "Critical values and probability levels for the
// Wilcoxon rank sum test and the Wilcoxon signed rank test", Selected Tables in Mathematical
// Statistics 1, 1970, reproduced in most textbooks): P(T <= c) <= 0.025 < P(T <= c + 1).

struct Critical {
    int n, c;
    friend void PrintTo(const Critical& k, std::ostream* out) { *out << "n = " << k.n << ", c = " << k.c; }
};

class CriticalValue : public testing::TestWithParam<Critical> {};

TEST_P(CriticalValue, BoundsTheLowerTail) {
    const Critical& k = GetParam();
    EXPECT_LE(statistics::signedRankLowerTail(k.n, k.c), 0.025);
    EXPECT_GT(statistics::signedRankLowerTail(k.n, k.c + 1), 0.025);
}

INSTANTIATE_TEST_SUITE_P(Statistics, CriticalValue,
                         testing::Values(Critical{6, 0}, Critical{7, 2}, Critical{8, 3}, Critical{9, 5},
                                         Critical{10, 8}, Critical{12, 13}, Critical{15, 25}, Critical{20, 52},
                                         Critical{25, 89}, Critical{30, 137}),
                         [](const auto& info) { return std::to_string(info.param.n) + "ranks"; });

// ---- Whole tests on worked examples.

struct Example {
    const char* name;
    std::vector<double> differences;
    int n, zeros;
    double wPlus, wMinus;
    bool exact;
    double p;
    friend void PrintTo(const Example& e, std::ostream* out) { *out << e.name; }
};

class WorkedExample : public testing::TestWithParam<Example> {};

TEST_P(WorkedExample, GivesThePublishedFigures) {
    const Example& e = GetParam();
    const statistics::SignedRankTest t = statistics::signedRankTest(e.differences);
    EXPECT_EQ(t.n, e.n);
    EXPECT_EQ(t.zeros, e.zeros);
    EXPECT_EQ(t.wPlus, e.wPlus);
    EXPECT_EQ(t.wMinus, e.wMinus);
    EXPECT_EQ(t.exact, e.exact);
    EXPECT_NEAR(t.p, e.p, 5e-6);
}

std::vector<double> minus(const std::vector<double>& x, const std::vector<double>& y) {
    std::vector<double> d;
    for (std::size_t i = 0; i < x.size(); ++i) d.push_back(x[i] - y[i]);
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Statistics, WorkedExample,
    testing::Values(
        // Hollander & Wolfe, Nonparametric Statistical Methods (1973), example 3.1: Hamilton depression
        // scale before and after a tranquilizer, nine patients. T+ = 40 and P(T+ >= 40) = 10/512 = .0195,
        // so the two-sided p is twice that.
        Example{"HollanderWolfe31",
                minus({1.83, 0.50, 1.62, 2.48, 1.68, 1.88, 1.55, 3.06, 1.30},
                      {0.878, 0.647, 0.598, 2.05, 1.06, 1.29, 1.06, 3.14, 1.29}),
                9, 0, 40, 5, true, 0.0390625},
        // The worked example of the Wikipedia article "Wilcoxon signed-rank test": ten pairs, one zero
        // difference left out, two absolute differences of 5 tied; W = W+ - W- = 9 over Nr = 9. With
        // the tie the normal approximation applies: variance 9 * 10 * 19 / 24 - (2^3 - 2) / 48 = 71.125,
        // z = (27 - 22.5 - 0.5) / sqrt(71.125) = 0.47430, p = 2 (1 - Phi(z)) = 0.63529.
        Example{"WikipediaTies",
                minus({125, 115, 130, 140, 140, 115, 140, 125, 140, 135},
                      {110, 122, 125, 120, 140, 124, 123, 137, 135, 145}),
                9, 1, 27, 18, false, 0.6352893},
        // Nothing but zeros: nothing to test.
        Example{"AllZero", {0, 0, 0}, 0, 3, 0, 0, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
