// The Nwt repair of the earliest-due-date order.
#include <gtest/gtest.h>

#include <vector>

#include "fitness_testing.h"

using namespace fitness_testing;

namespace {

Matrix repaired(const Collection& collection) { return madeBy(nwt, collection); }

struct Repair {
    const char* name;
    CollectionBuilder instance;
    std::vector<int> expected;
};

class Nwt : public ::testing::TestWithParam<Repair> {};

TEST_P(Nwt, RepairsTheDueDateOrder) {
    const Repair& c = GetParam();
    EXPECT_EQ(sequence(repaired(c.instance), 0, static_cast<int>(c.expected.size())), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Repairs, Nwt,
    ::testing::Values(
        Repair{"AllOnTimeKeepsTheDueDateOrder", singleMachine({{1, 2, 1}}, {{9, 3, 1}}), {2, 1, 0}},
        // Due-date order 0, 1, 2 ends at 2, 4, 6; job 2 (due 5) is late. Jobs 0 and 1 share the
        // smallest ratio 1/2: job 0 goes to the end, job 2 ends at 4 and is on time.
        Repair{"TheEarlierOfEqualRatiosIsTakenOut", singleMachine({{2, 2, 2}}, {{2, 4, 5}}).weights({{1, 1, 5}}),
               {1, 2, 0}},
        // Only the last job is late, and it has the smallest ratio 1/5: the kept sequence is 0, 1.
        Repair{"ALateJobWithTheSmallestRatioStaysAtTheEnd", singleMachine({{1, 1, 5}}, {{1, 2, 3}}), {0, 1, 2}},
        // a (p 4, d 4, w 1) then b (p 4, d 6, w 4): b ends late at 8; a (ratio 0.25) is taken out
        // and b, now ending at 4, is on time.
        Repair{"TheLateJobIsExaminedAgainAfterAnEarlierOneLeaves", singleMachine({{4, 4}}, {{4, 6}}).weights({{1, 4}}),
               {1, 0}},
        // Order 0..3, each p 3. Job 1 ends late at 6 (due 4): job 0 (ratio 1/3) leaves. Job 2 ends
        // late at 6 (due 5): job 1 (ratio 2/3) leaves. Jobs 2 and 3 are then on time.
        Repair{"TheJobTakenOutLastStandsFirstBehindTheKeptOnes",
               singleMachine({{3, 3, 3, 3}}, {{3, 4, 5, 20}}).weights({{1, 2, 3, 4}}), {2, 3, 1, 0}}),
    [](const auto& info) { return info.param.name; });

TEST(NwtSets, EverySetIsRepairedAndAnEmptySetIsLeftAlone) {
    const Matrix schedule = repaired(
        singleMachine({{4, 4}, {9, 9}, {4, 4}}, {{4, 6}, {0, 0}, {8, 8}}).weights({{1, 4}, {1, 1}, {1, 1}}).jobs({2, 0, 2}));
    EXPECT_EQ(sequence(schedule, 0, 2), (std::vector<int>{1, 0}));
    EXPECT_EQ(sequence(schedule, 2, 2), (std::vector<int>{0, 1}));
}

}  // namespace
