#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "fitness/timeline.h"
#include "single_machine_fixture.h"
#include "support/matrix_literal.h"

namespace {

using single_machine_testing::singleMachine;
using testing_support::table;
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

std::vector<Placed> walk(Scheduler& s, int set = 0) {
    std::vector<Placed> placed;
    timeline::walkSet(s, set, [&](const Occupation& o) {
        placed.push_back({o.job, o.machine, o.operation, o.position, o.start, o.setup, o.completion});
    });
    return placed;
}

// Processing times (3, 2, 4) with setup factor 1 give the setups (row 3: before a first job)
//   to:    0  1  2
//   0:     0  2  1
//   1:     1  0  1
//   2:     1  2  0
//   3:     2  4  3
void useDerivedSetups(Scheduler& s) {
    s.hasSetups = 1;
    s.setupFactor = 1;
}

TEST(SingleMachineTimeline, TruncatedReleaseMovesTheMachineAndTheSetupPrecedesTheJob) {
    Scheduler s = singleMachine({{3, 2, 4}}, {{20, 20, 20}});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{0, 1.5, 0}});
    useDerivedSetups(s);
    s.schedule = table({{1, 0, 2}});
    EXPECT_EQ(walk(s), (std::vector<Placed>{{1, 0, 0, 0, 1, 4, 7}, {0, 0, 0, 1, 7, 1, 11}, {2, 0, 0, 2, 11, 1, 16}}));
    s.singleMachineCriteria();
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 16.0 / 9);  // the last completion over P
}

TEST(SingleMachineTimeline, AScheduleEntryThatIsNoJobEndsTheRunAsTheCriteriaDo) {
    Scheduler s = singleMachine({{3, 2}}, {{5, 5}});
    s.schedule = table({{0, -1}});
    EXPECT_EXIT(walk(s), ::testing::ExitedWithCode(1), "line: 188");
}

// Jobs 0 and 2 on machine 0 (speed 1), job 1 on machine 1 (speed 2); releases 0, 1, 2.
Scheduler uniformExample() {
    Scheduler s;
    s.environment = Uniform;
    s.jobCount = table({{3}});
    s.machineCount = table({{2}});
    s.processingTimes = table({{3, 2, 4}});
    s.processingSum = table({{9}});
    s.dueDates = table({{6, 6, 6}});
    s.weights = table({{1, 1, 1}});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{0, 1, 2}});
    s.speeds = table({{1, 2}});
    s.schedule = table({{0, 1001, 2}});
    return s;
}

TEST(ParallelMachineTimeline, EachMachineReplaysItsJobsWithSpeedsAndReleases) {
    Scheduler s = uniformExample();
    EXPECT_EQ(walk(s), (std::vector<Placed>{{0, 0, 0, 0, 0, 0, 3}, {1, 1, 0, 1, 1, 0, 5}, {2, 0, 0, 2, 3, 0, 7}}));
    s.parallelMachineCriteria();
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 7.0 / 9);  // the latest machine over n x mean processing time
    EXPECT_DOUBLE_EQ(s.results.get(0, 4), 1.0 / 3);  // job 2 ends at 7, one after its due date
}

TEST(ParallelMachineTimeline, SetupsFollowTheMachinesOwnLastJob) {
    Scheduler s = uniformExample();
    useDerivedSetups(s);
    EXPECT_EQ(walk(s), (std::vector<Placed>{{0, 0, 0, 0, 0, 2, 5}, {1, 1, 0, 1, 1, 4, 9}, {2, 0, 0, 2, 5, 1, 10}}));
}

TEST(ParallelMachineTimeline, UnrelatedMachinesTakeEachJobsOwnTime) {
    Scheduler s;
    s.environment = Unrelated;
    s.jobCount = table({{2}});
    s.machineCount = table({{2}});
    s.processingTimes = table({{5, 1, 2, 7}});  // job 0: 5 on machine 0, 1 on machine 1; job 1: 2, 7
    s.processingSum = table({{3}});
    s.dueDates = table({{9, 9}});
    s.weights = table({{1, 1}});
    s.releaseTimes = table({{0, 0}});
    s.schedule = table({{1000, 1}});
    EXPECT_EQ(walk(s), (std::vector<Placed>{{0, 1, 0, 0, 0, 0, 1}, {1, 0, 0, 1, 0, 0, 2}}));
}

// Job 0 takes 3 on machine 0, then 2 on machine 1; job 1 takes 4 on machine 1, then 1 on machine 0.
Scheduler twoByTwoShop(std::initializer_list<double> sequences) {
    Scheduler s;
    s.environment = JobShop;
    s.durationFileName = "durations.txt";
    s.jobCount = table({{2}});
    s.machineCount = table({{2}});
    s.processingTimes = table({{3, 1002, 1004, 1}});
    s.dueDates = table({{5, 5}});
    s.weights = table({{1, 1}});
    s.releaseTimes = table({{0, 0}});
    s.schedule = table({sequences});
    return s;
}

TEST(JobShopTimeline, OperationsArePlayedWhenTheirJobReachesTheMachine) {
    Scheduler s = twoByTwoShop({0, 1, 1, 0});
    EXPECT_EQ(walk(s), (std::vector<Placed>{
                           {0, 0, 0, 0, 0, 0, 3}, {1, 1, 0, 2, 0, 0, 4}, {1, 0, 1, 1, 4, 0, 5}, {0, 1, 1, 3, 4, 0, 6}}));
    EXPECT_DOUBLE_EQ(s.jobShopCriteria(), 6.0 / 10);
}

TEST(JobShopTimeline, SequencesThatBlockEachOtherPlaceNothing) {
    Scheduler s = twoByTwoShop({1, 0, 0, 1});
    EXPECT_TRUE(walk(s).empty());
}

TEST(JobShopTimeline, DrawnSetupsComeBeforeEachOperation) {
    Scheduler s = twoByTwoShop({0, 1, 1, 0});
    s.hasSetups = 1;
    s.setupFactor = 1;
    s.maxLength = 5;
    const std::vector<Placed> placed = walk(s);
    ASSERT_EQ(placed.size(), 4u);
    const double duration[2][2] = {{3, 2}, {4, 1}};
    int lastOn[2] = {2, 2};  // row n of the setups: before a machine's first job
    for (const Placed& p : placed) {
        SCOPED_TRACE(::testing::Message() << p);
        EXPECT_EQ(p.setup, s.setupTimes.get(lastOn[p.machine], p.job));
        EXPECT_GE(p.setup, 1);  // every drawn setup is 1 to max_length
        EXPECT_EQ(p.completion, p.start + p.setup + duration[p.job][p.operation]);
        lastOn[p.machine] = p.job;
    }
}

}  // namespace
