// The dispatchers' choices made in a few passes (the shortest released job, the greatest priority
// of a batch) against the plain scans in index order they stand for, on values full of ties,
// not-a-numbers, infinities and signed zeros.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "fitness/candidate_batch.h"
#include "fitness/open_jobs.h"

namespace {

double awkwardValue(std::mt19937& random) {
    const double values[] = {1, 2, 3, 0.0, -0.0, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), -1};
    return values[random() % std::size(values)];
}

// n jobs, a random subset of them listed in a random order.
struct Draw {
    std::vector<double> values;
    std::vector<int> listed;
};

Draw draw(std::mt19937& random) {
    Draw d;
    const int n = 1 + static_cast<int>(random() % 17);
    for (int j = 0; j < n; ++j) d.values.push_back(awkwardValue(random));
    d.listed.resize(static_cast<std::size_t>(n));
    std::iota(d.listed.begin(), d.listed.end(), 0);
    std::shuffle(d.listed.begin(), d.listed.end(), random);
    d.listed.resize(random() % (n + 1));
    return d;
}

TEST(CandidateChoice, ShortestOfIsTheIndexOrderScanFromTheIncumbent) {
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        const Draw d = draw(random);
        const int incumbent = static_cast<int>(random() % d.values.size());
        std::vector<int> inIndexOrder = d.listed;
        std::sort(inIndexOrder.begin(), inIndexOrder.end());
        int expected = incumbent;
        for (const int j : inIndexOrder)
            if (d.values[j] < d.values[expected]) expected = j;
        const auto length = [&](int j) { return d.values[j]; };
        ASSERT_EQ(shortestOf(d.listed.data(), static_cast<int>(d.listed.size()), incumbent, length), expected)
            << "round " << round;
    }
}

TEST(CandidateChoice, BatchChoicesAreTheScansTheyStandFor) {
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        Draw d = draw(random);
        if (d.listed.empty()) continue;
        if (random() % 2)  // as the list dispatchers do, the incumbent once more among the others
            d.listed.insert(d.listed.begin() + 1 + static_cast<long>(random() % d.listed.size()), d.listed[0]);
        CandidateBatch batch;
        batch.reserve(static_cast<int>(d.listed.size()));
        for (const int j : d.listed) batch.add(j);
        for (std::size_t i = 0; i < d.listed.size(); ++i) batch.priorities()[i] = d.values[d.listed[i]];
        // Listed order: only a strictly greater priority replaces the best so far.
        int first = 0;
        for (std::size_t i = 1; i < d.listed.size(); ++i)
            if (d.values[d.listed[i]] > d.values[d.listed[first]]) first = static_cast<int>(i);
        ASSERT_EQ(batch.chosen(), d.listed[first]) << "round " << round;
        // The incumbent first, then the others in index order.
        std::vector<int> others(d.listed.begin() + 1, d.listed.end());
        std::sort(others.begin(), others.end());
        int best = d.listed[0];
        for (const int j : others)
            if (d.values[j] > d.values[best]) best = j;
        ASSERT_EQ(batch.chosenAfterIncumbent(), best) << "round " << round;
    }
}

}  // namespace
