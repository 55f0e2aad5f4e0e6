#include <gtest/gtest.h>

#include <cmath>
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
    EXPECT_FALSE(std::signbit(ticks(-0.2, 4.3, 5).front()));  // the first value, 0, must not print as "-0"
    // A span too small for the magnitude stops after a bounded number of values.
    EXPECT_LE(ticks(1e20, 1e20 + 1e5, 5).size(), 8u);
}

}  // namespace
