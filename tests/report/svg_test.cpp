#include <gtest/gtest.h>

#include <vector>

#include "report/svg.h"

namespace {

using report::ticks;

TEST(AxisTicks, RoundStepsCoverTheRange) {
    EXPECT_EQ(ticks(0, 10, 5), (std::vector<double>{0, 2, 4, 6, 8, 10}));
    EXPECT_EQ(ticks(0, 1, 2), (std::vector<double>{0, 0.5, 1}));
    EXPECT_EQ(ticks(0, 100, 3), (std::vector<double>{0, 50, 100}));  // 50 is nearer 33.3 than 20 is
    EXPECT_EQ(ticks(-30, 40, 3), (std::vector<double>{-20, 0, 20, 40}));
    EXPECT_EQ(ticks(3, 3, 5), (std::vector<double>{3}));
    // A span too small for the magnitude stops after a bounded number of values.
    EXPECT_LE(ticks(1e20, 1e20 + 1e5, 5).size(), 8u);
}

TEST(Numbers, CoordinatesAreShortAndExactValuesReadBack) {
    EXPECT_EQ(report::coordinate(12.345), "12.35");
    EXPECT_EQ(report::coordinate(40.0), "40");
    EXPECT_EQ(report::coordinate(-0.001), "0");
    for (const double value : {0.1 + 0.2, 1.0 / 3, 1e-300, 123456789.125})
        EXPECT_EQ(std::stod(report::exact(value)), value);
}

}  // namespace
