#include "report/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <boost/math/distributions/normal.hpp>

namespace statistics {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2;
}

// Mean ranks of the absolute values (1 for the smallest), values within kEqualWithin of the
// previous one tied with it; the sum over the ties of t^3 - t, for the variance.
std::vector<double> meanRanks(const std::vector<double>& magnitudes, double& tieTerm) {
    std::vector<std::size_t> order(magnitudes.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return magnitudes[a] < magnitudes[b]; });
    std::vector<double> ranks(magnitudes.size());
    tieTerm = 0;
    for (std::size_t first = 0; first < order.size();) {
        std::size_t end = first + 1;
        while (end < order.size() && magnitudes[order[end]] - magnitudes[order[end - 1]] < kEqualWithin) ++end;
        const double rank = (static_cast<double>(first + 1) + static_cast<double>(end)) / 2;
        for (std::size_t k = first; k < end; ++k) ranks[order[k]] = rank;
        const double t = static_cast<double>(end - first);
        tieTerm += t * t * t - t;
        first = end;
    }
    return ranks;
}

double exactTwoSided(int n, double wPlus) {
    const double half = n * (n + 1) / 4.0;
    // The tail on W+'s side of the centre; the distribution is symmetric about it.
    const double tail = wPlus > half ? signedRankLowerTail(n, n * (n + 1) / 2.0 - wPlus) : signedRankLowerTail(n, wPlus);
    return std::min(1.0, 2 * tail);
}

double normalTwoSided(int n, double wPlus, double tieTerm) {
    const double mean = n * (n + 1) / 4.0;
    const double variance = n * (n + 1) * (2.0 * n + 1) / 24.0 - tieTerm / 48.0;
    if (!(variance > 0)) return 1.0;
    const double offset = wPlus - mean;
    const double correction = offset > 0 ? 0.5 : (offset < 0 ? -0.5 : 0.0);
    const double z = std::fabs(offset - correction) / std::sqrt(variance);
    const boost::math::normal standard;
    return std::min(1.0, 2 * boost::math::cdf(boost::math::complement(standard, z)));
}

}  // namespace

Descriptive describe(const std::vector<double>& values) {
    Descriptive d;
    d.n = static_cast<int>(values.size());
    if (values.empty()) {
        d.mean = d.sd = d.median = d.min = d.max = kNaN;
        return d;
    }
    double sum = 0;
    for (const double v : values) sum += v;
    d.mean = sum / d.n;
    // Two passes: the squared deviations from the mean, which keeps large equal offsets exact.
    double squares = 0;
    for (const double v : values) squares += (v - d.mean) * (v - d.mean);
    d.sd = d.n > 1 ? std::sqrt(squares / (d.n - 1)) : kNaN;
    d.median = medianOf(values);
    d.min = *std::min_element(values.begin(), values.end());
    d.max = *std::max_element(values.begin(), values.end());
    return d;
}

double signedRankLowerTail(int n, double w) {
    if (w < 0) return 0;
    const int total = n * (n + 1) / 2;
    if (w >= total) return 1;
    // share[s]: the share of the 2^k sign patterns of the ranks 1 ... k whose positive ranks sum to s.
    std::vector<double> share(static_cast<std::size_t>(total) + 1, 0.0);
    share[0] = 1;
    for (int rank = 1; rank <= n; ++rank)
        for (int s = rank * (rank + 1) / 2; s >= 0; --s)
            share[static_cast<std::size_t>(s)] =
                (share[static_cast<std::size_t>(s)] + (s >= rank ? share[static_cast<std::size_t>(s - rank)] : 0)) / 2;
    double tail = 0;
    for (int s = 0; s <= static_cast<int>(std::floor(w)); ++s) tail += share[static_cast<std::size_t>(s)];
    return std::min(tail, 1.0);
}

SignedRankTest signedRankTest(const std::vector<double>& differences) {
    SignedRankTest test;
    std::vector<double> magnitudes;
    std::vector<bool> positive;
    for (const double d : differences) {
        if (std::fabs(d) < kEqualWithin) {
            ++test.zeros;
            continue;
        }
        magnitudes.push_back(std::fabs(d));
        positive.push_back(d > 0);
    }
    test.n = static_cast<int>(magnitudes.size());
    if (test.n == 0) return test;
    double tieTerm = 0;
    const std::vector<double> ranks = meanRanks(magnitudes, tieTerm);
    for (std::size_t i = 0; i < ranks.size(); ++i) (positive[i] ? test.wPlus : test.wMinus) += ranks[i];
    test.ties = tieTerm > 0;
    test.exact = !test.ties && test.n <= kExactUpTo;
    test.p = test.exact ? exactTwoSided(test.n, test.wPlus) : normalTwoSided(test.n, test.wPlus, tieTerm);
    return test;
}

}  // namespace statistics
