#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "core/exponential.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(Exponential, EdgesOfTheRange) {
    struct Case {
        double x;
        double expected;
    };
    const Case cases[] = {
        {0.0, 1.0},
        {-0.0, 1.0},
        {1.0, 0x1.5bf0a8b145769p+1},   // e, correctly rounded
        {-1.0, 0x1.78b56362cef38p-2},  // 1/e
        {0x1p-60, 1.0},
        {0x1.62e42fefa39efp+9, 0x1.fffffffffff2ap+1023},  // the largest finite result
        {0x1.62e42fefa39f0p+9, kInfinity},
        {kInfinity, kInfinity},
        {-0x1.74910d52d3051p+9, 0x1p-1074},  // the smallest subnormal
        {-746.0, 0.0},
        {-kInfinity, 0.0},
    };
    for (const Case& c : cases) EXPECT_EQ(exponential(c.x), c.expected) << std::hexfloat << c.x;
    EXPECT_TRUE(std::isnan(exponential(std::numeric_limits<double>::quiet_NaN())));
}

// Each power of the table with the rest of its rounding, against the long double exp2.
TEST(Exponential, TableHoldsThePowersOfTwo) {
    for (int j = 0; j < 128; ++j) {
        const double* power = exponential_detail::kPowersOfTwo[j];
        const long double exact = std::exp2(static_cast<long double>(j) / 128);
        EXPECT_LE(std::fabs(static_cast<long double>(power[0]) + power[1] - exact), 0x1p-62L) << j;
    }
}

// Within one unit of the last place of the long double exponential across the normal results.
TEST(Exponential, WithinTheLastBit) {
    std::mt19937_64 draw(5);
    std::uniform_real_distribution<double> argument(-708.0, 709.7);
    int offByOne = 0;
    for (int i = 0; i < 200000; ++i) {
        const double x = i % 2 == 0 ? argument(draw) : argument(draw) / 256;
        const double reference = static_cast<double>(std::exp(static_cast<long double>(x)));
        const double y = exponential(x);
        if (y == reference) continue;
        ASSERT_TRUE(y == std::nextafter(reference, kInfinity) || y == std::nextafter(reference, 0.0))
            << std::hexfloat << x;
        ++offByOne;
    }
    EXPECT_LT(offByOne, 200000 / 200);  // the reference is itself rounded twice
}

// The column's passes give exponential's doubles, edges among them, in place too, over more values
// than one stretch of a pass.
TEST(Exponential, ColumnGivesTheSameDoubles) {
    std::mt19937_64 draw(9);
    std::uniform_real_distribution<double> argument(-30.0, 5.0);
    std::vector<double> x(150);
    for (double& v : x) v = argument(draw);
    const double edges[] = {std::numeric_limits<double>::quiet_NaN(), kInfinity, -kInfinity, 709.5, -745.0, -746.5};
    for (std::size_t i = 0; i < std::size(edges); ++i) x[i * 23] = edges[i];
    std::vector<double> out(x.size());
    std::vector<double> inPlace = x;
    exponentials(x.data(), out.data(), static_cast<int>(x.size()));
    exponentials(inPlace.data(), inPlace.data(), static_cast<int>(x.size()));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const auto bits = std::bit_cast<std::uint64_t>(exponential(x[i]));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(out[i]), bits) << std::hexfloat << x[i];
        EXPECT_EQ(std::bit_cast<std::uint64_t>(inPlace[i]), bits) << std::hexfloat << x[i];
    }
}

}  // namespace
