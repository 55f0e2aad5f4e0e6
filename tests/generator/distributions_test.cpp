#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "generator/distributions.h"

namespace {

// A twin of the source under test, seeded alike, tells which draws it will see.
struct TwinSources {
    explicit TwinSources(std::uint32_t seed) : used(seed), expected(seed) {}
    RandomSource used;
    RandomSource expected;
};

double sharesOf(double a, double b, double c, int which) {
    const double shares[3] = {a, b, c};
    return boundsFromShares(shares).bounds[which];
}

TEST(DistributionBoundsTest, SharesOneOneTwoGiveQuarterHalfWhole) {
    EXPECT_EQ(sharesOf(1, 1, 2, 0), 0.25);
    EXPECT_EQ(sharesOf(1, 1, 2, 1), 0.5);
    EXPECT_EQ(sharesOf(1, 1, 2, 2), 1.0);
}

TEST(DistributionBoundsTest, DefaultSendsEveryDrawToTheUniformDistribution) {
    RandomSource random(7);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(selectDistribution(random, DistributionBounds{}), 1);
}

TEST(DistributionBoundsTest, OnlyTheThirdShareAlwaysPicksTheBimodal) {
    const double shares[3] = {0, 0, 1};
    const DistributionBounds bounds = boundsFromShares(shares);
    RandomSource random(7);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(selectDistribution(random, bounds), 3);
}

TEST(DistributionBoundsTest, SelectionFollowsTheHundredthsOfOneDraw) {
    const double shares[3] = {1, 1, 2};
    const DistributionBounds bounds = boundsFromShares(shares);
    TwinSources sources(123);
    std::set<int> seen;
    for (int i = 0; i < 5000; ++i) {
        const int hundredths = sources.expected.draw() % 100 + 1;
        const int expected = hundredths <= 25 ? 1 : hundredths <= 50 ? 2 : 3;
        ASSERT_EQ(selectDistribution(sources.used, bounds), expected) << "x = " << hundredths << "/100";
        seen.insert(expected);
    }
    EXPECT_EQ(seen.size(), 3u);
}

// 0.29, 0.57 and 0.58 times 100 fall just below the whole number and are cut down by one.
TEST(UniformDistributionTest, ProcessingTimesAreTheHundredthsExceptThreeCutDown) {
    TwinSources sources(2024);
    std::set<int> seen;
    for (int i = 0; i < 100000; ++i) {
        sources.expected.draw();  // the choice of the distribution
        const int k = sources.expected.draw() % 100 + 1;
        const int expected = k == 29 ? 28 : k == 57 ? 56 : k == 58 ? 57 : k;
        ASSERT_EQ(drawProcessingTime(sources.used, DistributionBounds{}), expected) << "k = " << k;
        seen.insert(k);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(NormalDistributionTest, ClampsToOneFromDeviate101AndTo0_01BelowOne) {
    EXPECT_EQ(clampedNormalValue(101.0), 1.0);
    EXPECT_EQ(clampedNormalValue(142.7), 1.0);
    EXPECT_EQ(clampedNormalValue(100.99), 1.0);
    EXPECT_EQ(clampedNormalValue(0.7), 0.01);
    EXPECT_EQ(clampedNormalValue(-35.2), 0.01);
    EXPECT_EQ(clampedNormalValue(1.0), 0.01);
    EXPECT_EQ(clampedNormalValue(55.9), 0.55);
}

TEST(NormalDistributionTest, DeviateIsBoxMullerSineOnTwoDraws) {
    TwinSources sources(5);
    for (int i = 0; i < 1000; ++i) {
        const int first = sources.expected.draw();
        const int second = sources.expected.draw();
        const double radius = std::sqrt(std::log((first + 1) / 32768.0) * -2.0);
        const double expected = std::sin(second * 6.2831854 / 32768.0) * (radius * 20.0) + 51.0;
        ASSERT_EQ(normalDeviate(sources.used, 51.0, 20.0), expected);
    }
}

TEST(BimodalDistributionTest, EdgesOfThePieces) {
    EXPECT_EQ(bimodalValue(0.0), 0.01);
    EXPECT_NEAR(bimodalValue(0.093), 0.10998, 1e-5);
    EXPECT_NEAR(bimodalValue(0.094), 0.11072, 1e-5);
    EXPECT_NEAR(bimodalValue(0.5), 0.50525, 1e-5);
    EXPECT_NEAR(bimodalValue(1.0), 0.99998, 1e-5);
}

// The pieces join: the function climbs without a step through all 1001 values of u.
TEST(BimodalDistributionTest, RisesSteadilyAndGivesTimesFrom1To99) {
    double previous = bimodalValue(0.0);
    for (int i = 1; i <= 1000; ++i) {
        const double v = bimodalValue(i / 1000.0);
        ASSERT_GT(v, previous) << "u = " << i / 1000.0;
        ASSERT_LT(v - previous, 0.0022) << "u = " << i / 1000.0;
        const int time = static_cast<int>(v * 100.0);
        ASSERT_GE(time, 1);
        ASSERT_LE(time, 99);
        previous = v;
    }
}

// Steeper pieces are taken by more draws: 22.3 % of u fall on 0.11 ... 0.27, 7 % on 0.43 ... 0.58.
TEST(BimodalDistributionTest, TwoPeaksAndALowMiddle) {
    int outerPeak = 0, middle = 0;
    for (int i = 0; i <= 1000; ++i) {
        const double v = bimodalValue(i / 1000.0);
        if (v > 0.11 && v <= 0.27) ++outerPeak;
        if (v > 0.43 && v <= 0.58) ++middle;
    }
    EXPECT_NEAR(outerPeak, 223, 2);
    EXPECT_NEAR(middle, 70, 2);
}

TEST(DistributionDeathTest, UnknownIndexIsTheDriverAssertion) {
    RandomSource random(1);
    EXPECT_EXIT(drawRelative(random, 4), testing::ExitedWithCode(1),
                "^Assertion failed!\nfile: \\.\\\\driver\nline: 58\n$");
}

}  // namespace
