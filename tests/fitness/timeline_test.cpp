#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "fitness/timeline.h"
#include "fitness_testing.h"

using namespace fitness_testing;

namespace {

using timeline::Occupation;

struct Placed {
    int job, machine, operation, position;
    double start, setup, completion;
    bool operator==(const Placed&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Placed& p) {
        return out << "{job " << p.job << ", machine " << p.machine << ", operation " << p.operation
                   << ", position " << p.position << ", " << p.start << " + setup " << p.setup << " .. "
                   << p.completion << "}";
    }
};

std::vector<Placed> walk(Workspace& work, const Matrix& schedule) {
    std::vector<Placed> placed;
    timeline::walkSet(work, schedule, 0, [&](const Occupation& o) {
        placed.push_back({o.job, o.machine, o.operation, o.position, o.start, o.setup, o.completion});
    });
    return placed;
}

std::vector<Placed> walk(const Collection& collection, const Matrix& schedule) {
    Workspace work(collection);
    return walk(work, schedule);
}

struct Walk {
    const char* name;
    CollectionBuilder instance;
    Table schedule;
    std::vector<Placed> expected;
};

class Timeline : public ::testing::TestWithParam<Walk> {};

TEST_P(Timeline, PlacesWhatTheCriteriaMeasure) {
    const Walk& c = GetParam();
    EXPECT_EQ(walk(c.instance, testing_support::table(c.schedule)), c.expected);
}

// Jobs 0 and 2 on machine 0 (speed 1), job 1 on machine 1 (speed 2); releases 0, 1, 2.
CollectionBuilder uniformExample() {
    return CollectionBuilder(Environment::Uniform)
        .processing({{3, 2, 4}})
        .due({{6, 6, 6}})
        .releases({{0, 1, 2}})
        .speeds({{1, 2}});
}

// Job 0 takes 3 on machine 0, then 2 on machine 1; job 1 takes 4 on machine 1, then 1 on machine 0.
CollectionBuilder twoByTwoShop() {
    return CollectionBuilder(Environment::JobShop).processing({{3, 1002, 1004, 1}}).machines({2}).due({{5, 5}});
}

// Processing times (3, 2, 4) with setup factor 1 give the setups (row 3: before a first job)
//   to:    0  1  2
//   0:     0  2  1
//   1:     1  0  1
//   2:     1  2  0
//   3:     2  4  3
INSTANTIATE_TEST_SUITE_P(
    Environments, Timeline,
    ::testing::Values(
        Walk{"SingleTruncatedReleaseMovesTheMachineAndTheSetupPrecedesTheJob",
             singleMachine({{3, 2, 4}}, {{20, 20, 20}}).releases({{0, 1.5, 0}}).setups(1),
             {{1, 0, 2}},
             {{1, 0, 0, 0, 1, 4, 7}, {0, 0, 0, 1, 7, 1, 11}, {2, 0, 0, 2, 11, 1, 16}}},
        Walk{"ParallelEachMachineReplaysItsJobsWithSpeedsAndReleases", uniformExample(), {{0, 1001, 2}},
             {{0, 0, 0, 0, 0, 0, 3}, {1, 1, 0, 1, 1, 0, 5}, {2, 0, 0, 2, 3, 0, 7}}},
        Walk{"ParallelSetupsFollowTheMachinesOwnLastJob", uniformExample().setups(1), {{0, 1001, 2}},
             {{0, 0, 0, 0, 0, 2, 5}, {1, 1, 0, 1, 1, 4, 9}, {2, 0, 0, 2, 5, 1, 10}}},
        // Job 0: 5 on machine 0, 1 on machine 1; job 1: 2, 7.
        Walk{"UnrelatedMachinesTakeEachJobsOwnTime",
             CollectionBuilder(Environment::Unrelated).processing({{5, 1, 2, 7}}).machines({2}).sums({{3}}),
             {{1000, 1}},
             {{0, 1, 0, 0, 0, 0, 1}, {1, 0, 0, 1, 0, 0, 2}}},
        Walk{"ShopOperationsArePlayedWhenTheirJobReachesTheMachine", twoByTwoShop(), {{0, 1, 1, 0}},
             {{0, 0, 0, 0, 0, 0, 3}, {1, 1, 0, 2, 0, 0, 4}, {1, 0, 1, 1, 4, 0, 5}, {0, 1, 1, 3, 4, 0, 6}}},
        Walk{"ShopSequencesThatBlockEachOtherPlaceNothing", twoByTwoShop(), {{1, 0, 0, 1}}, {}}),
    [](const auto& info) { return info.param.name; });

// The criteria add up the very completions the walk places.
TEST(Timeline, TheCriteriaMeasureTheWalk) {
    const Matrix single = measured(singleMachine({{3, 2, 4}}, {{20, 20, 20}}).releases({{0, 1.5, 0}}).setups(1),
                                   testing_support::table({{1, 0, 2}}));
    EXPECT_DOUBLE_EQ(single.get(0, 3), 16.0 / 9);  // the last completion over P
    const Matrix uniform = measured(uniformExample(), testing_support::table({{0, 1001, 2}}));
    EXPECT_DOUBLE_EQ(uniform.get(0, 3), 7.0 / 9);  // the latest machine over n x mean processing time
    EXPECT_DOUBLE_EQ(uniform.get(0, 4), 1.0 / 3);  // job 2 ends at 7, one after its due date
    EXPECT_DOUBLE_EQ(measured(twoByTwoShop(), testing_support::table({{0, 1, 1, 0}})).get(0, 3), 6.0 / 10);
}

TEST(TimelineDeath, AScheduleEntryThatIsNoJobEndsTheRunAsTheCriteriaDo) {
    EXPECT_EXIT(walk(singleMachine({{3, 2}}, {{5, 5}}), testing_support::table({{0, -1}})),
                ::testing::ExitedWithCode(1), "line: 188");
}

TEST(Timeline, DrawnSetupsComeBeforeEachOperation) {
    const Collection collection = twoByTwoShop().setups(1, 5);
    Workspace work(collection);
    const std::vector<Placed> placed = walk(work, testing_support::table({{0, 1, 1, 0}}));
    ASSERT_EQ(placed.size(), 4u);
    const double duration[2][2] = {{3, 2}, {4, 1}};
    int lastOn[2] = {2, 2};  // row n of the setups: before a machine's first job
    for (const Placed& p : placed) {
        SCOPED_TRACE(::testing::Message() << p);
        EXPECT_EQ(p.setup, work.setupTimes.get(lastOn[p.machine], p.job));
        EXPECT_GE(p.setup, 1);  // every drawn setup is 1 to max_length
        EXPECT_EQ(p.completion, p.start + p.setup + duration[p.job][p.operation]);
        lastOn[p.machine] = p.job;
    }
}

}  // namespace
