// Single-machine list scheduling, its constructions, the criteria and the best-value update.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "fitness/single_machine.h"
#include "fitness/single_machine_fixture.h"

using namespace single_machine_testing;
using ::testing::ExitedWithCode;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Call {
    int job;
    int previous;
    double time;
    bool operator==(const Call&) const = default;
};

// A rule of constant priority except for one favoured job, recording every call.
struct RecordingRule {
    std::vector<Call>* calls;
    int favoured = -1;
    double operator()(const Scheduler&, int, int job, int previous, double time, int machine) const {
        EXPECT_EQ(machine, 0);
        calls->push_back({job, previous, time});
        return job == favoured ? 1.0 : 0.0;
    }
};

}  // namespace

// ---------------------------------------------------------------- dispatching without release

TEST(SingleMachineDispatch, EqualPrioritiesKeepIndexOrder) {
    Scheduler s = singleMachine({{3, 1, 2}}, {{9, 9, 9}});
    s.listScheduleSingle(FixedPriorities{{0, 0, 0}});
    EXPECT_EQ(sequence(s, 0, 3), (std::vector<int>{0, 1, 2}));
}

TEST(SingleMachineDispatch, GreatestPriorityFirstAndTiesToLowestIndex) {
    Scheduler s = singleMachine({{1, 1, 1, 1}}, {{9, 9, 9, 9}});
    s.listScheduleSingle(FixedPriorities{{1, 5, 5, 2}});
    EXPECT_EQ(sequence(s, 0, 4), (std::vector<int>{1, 2, 3, 0}));
}

TEST(SingleMachineDispatch, NotANumberNeverReplacesTheIncumbent) {
    Scheduler s = singleMachine({{1, 1, 1}}, {{9, 9, 9}});
    s.listScheduleSingle(FixedPriorities{{1, kNaN, 0.5}});
    // Job 0 leads; then job 1 (the first eligible) is the incumbent and 0.5 > NaN is false.
    EXPECT_EQ(sequence(s, 0, 3), (std::vector<int>{0, 1, 2}));
}

TEST(SingleMachineDispatch, AnIncumbentThatIsNotANumberIsNeverReplaced) {
    Scheduler s = singleMachine({{1, 1, 1}}, {{9, 9, 9}});
    s.listScheduleSingle(FixedPriorities{{kNaN, 5, 7}});
    EXPECT_EQ(sequence(s, 0, 3), (std::vector<int>{0, 2, 1}));
}

TEST(SingleMachineDispatch, InfinitePriorityCountsLikeANumber) {
    Scheduler s = singleMachine({{1, 1, 1}}, {{9, 9, 9}});
    s.listScheduleSingle(FixedPriorities{{1, kInf, 2}});
    EXPECT_EQ(sequence(s, 0, 3), (std::vector<int>{1, 2, 0}));
}

TEST(SingleMachineDispatch, EveryCandidateIsAskedAndTheIncumbentAgain) {
    Scheduler s = singleMachine({{1, 1}}, {{9, 9}});
    std::vector<Call> calls;
    s.listScheduleSingle(RecordingRule{&calls});
    const std::vector<Call> expected = {{0, 2, 0}, {0, 2, 0}, {1, 2, 0}, {1, 0, 1}, {1, 0, 1}};
    EXPECT_EQ(calls, expected);
}

TEST(SingleMachineDispatch, RemainingMeanFallsAfterEachDispatch) {
    Scheduler s = singleMachine({{2, 4, 6}}, {{9, 9, 9}});
    std::vector<double> seen;
    s.listScheduleSingle([&seen](const Scheduler& sc, int, int, int, double, int) {
        seen.push_back(sc.meanRemainingDuration);
        return 0.0;
    });
    // Mean 4; after job 0 (p 2): (3 * 4 - 2) / 2 = 5; after job 1 (p 4): (2 * 5 - 4) / 1 = 6.
    ASSERT_EQ(seen.size(), 4u + 3u + 2u);
    EXPECT_EQ(seen.front(), 4.0);
    EXPECT_EQ(seen[4], 5.0);
    EXPECT_EQ(seen.back(), 6.0);
    EXPECT_EQ(s.meanDuration, 4.0);
}

TEST(SingleMachineDispatch, EachSetIsSequencedOnItsOwn) {
    Scheduler s = singleMachine({{5, 1}, {1, 5}}, {{9, 9}, {9, 9}});
    s.listScheduleSingle([](const Scheduler& sc, int set, int job, int, double, int) {
        return -sc.processingTimes.at(set, job);  // shortest first
    });
    EXPECT_EQ(sequence(s, 0, 2), (std::vector<int>{1, 0}));
    EXPECT_EQ(sequence(s, 1, 2), (std::vector<int>{0, 1}));
}

// ---------------------------------------------------------------- release times

TEST(SingleMachineDispatch, UnreleasedJobIsNoCandidateBeforeTheShortestReleasedCouldFinish) {
    Scheduler s = singleMachine({{1, 4, 2}}, {{9, 9, 9}});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{5, 0, 0}});
    std::vector<Call> calls;
    s.listScheduleSingle(RecordingRule{&calls});
    // t = 0: job 2 is the shortest released (incumbent); job 0 (5 is not below 0 + 2) is not
    // asked. t = 2: job 1 is the shortest released; job 0 (5 < 2 + 4) competes. t = 6: job 0.
    const std::vector<Call> expected = {{2, 3, 0}, {1, 3, 0}, {2, 3, 0}, {1, 2, 2},
                                        {0, 2, 2}, {1, 2, 2}, {0, 1, 6}, {0, 1, 6}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(sequence(s, 0, 3), (std::vector<int>{2, 1, 0}));
}

TEST(SingleMachineDispatch, AFavouredJobWaitsForItsRelease) {
    Scheduler s = singleMachine({{1, 4, 2}}, {{9, 9, 9}});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{5, 0, 0}});
    std::vector<Call> calls;
    s.listScheduleSingle(RecordingRule{&calls, 0});
    EXPECT_EQ(sequence(s, 0, 3), (std::vector<int>{2, 0, 1}));
    // Job 0 starts at its release 5 and ends at 6, when job 1 is dispatched.
    EXPECT_EQ(calls.back(), (Call{1, 0, 6}));
}

TEST(SingleMachineDispatch, MachineIdlesUntilTheEarliestRelease) {
    Scheduler s = singleMachine({{1, 1}}, {{9, 9}});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{4, 3}});
    std::vector<Call> calls;
    s.listScheduleSingle(RecordingRule{&calls});
    const std::vector<Call> expected = {{1, 2, 3}, {1, 2, 3}, {0, 1, 4}, {0, 1, 4}};
    EXPECT_EQ(calls, expected);
}

// ---------------------------------------------------------------- setups

TEST(SetupTimes, DerivedFromTheProcessingTimes) {
    Scheduler s = singleMachine({{2, 5, 9}}, {{9, 9, 9}});
    s.hasSetups = 1;
    s.setupFactor = 1;
    s.buildSetupTimes(0);
    const Matrix expected = table({{0, 4, 3}, {3, 0, 7}, {7, 4, 0}, {5, 9, 2}});
    ASSERT_EQ(s.setupTimes.rows, 4);
    ASSERT_EQ(s.setupTimes.cols, 3);
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 3; ++b) EXPECT_EQ(s.setupTimes.get(a, b), expected.get(a, b)) << a << "," << b;
    EXPECT_DOUBLE_EQ(s.meanSetup, 28.0 / 6.0);
}

TEST(SingleMachineDispatch, SetupDelaysTheStartAfterThePreviousJob) {
    Scheduler s = singleMachine({{2, 5, 9}}, {{9, 9, 9}});
    s.hasSetups = 1;
    s.setupFactor = 1;
    std::vector<Call> calls;
    s.listScheduleSingle(RecordingRule{&calls});
    // 0 + setup 5 + 2 = 7; 7 + setup 4 + 5 = 16.
    ASSERT_EQ(calls.size(), 4u + 3u + 2u);
    EXPECT_EQ(calls[0], (Call{0, 3, 0}));
    EXPECT_EQ(calls[4], (Call{1, 0, 7}));
    EXPECT_EQ(calls[7], (Call{2, 1, 16}));
}

// ---------------------------------------------------------------- precedence

TEST(Precedence, MaskOneMakesTheJobBeforeAPredecessor) {
    Scheduler s = singleMachine({{1, 2, 3, 4}}, {{9, 9, 9, 9}});
    const FixedPriorities highestIndexFirst{{0, 1, 2, 3}};
    s.listScheduleSingle(highestIndexFirst);
    EXPECT_EQ(sequence(s, 0, 4), (std::vector<int>{3, 2, 1, 0}));

    s.hasConstraints = 1;
    s.constraints = table({{0, 0, 0, 1}});
    s.listScheduleSingle(highestIndexFirst);
    EXPECT_EQ(sequence(s, 0, 4), (std::vector<int>{2, 3, 1, 0}));
}

TEST(Precedence, MaskFiveNamesTheJobsTwoAndZeroPlacesBack) {
    Scheduler s = singleMachine({{1, 2, 3, 4}}, {{9, 9, 9, 9}});
    s.hasConstraints = 1;
    s.constraints = table({{0, 0, 0, 5}});
    s.buildPrecedence(0);
    EXPECT_EQ(s.precedenceLists.get(3, 0), 2);
    EXPECT_EQ(s.precedenceLists.get(0, 1), 1);
    EXPECT_EQ(s.precedenceLists.get(0, 2), 3);
    EXPECT_EQ(s.precedenceLists.get(2, 1), 1);
    EXPECT_EQ(s.precedenceLists.get(2, 2), 3);
    EXPECT_EQ(s.precedenceLists.get(1, 1), 0);
    // Levels: the processing time plus the greatest level among the successors.
    EXPECT_EQ(s.levels.get(3), 4);
    EXPECT_EQ(s.levels.get(2), 3 + 4);
    EXPECT_EQ(s.levels.get(1), 2);
    EXPECT_EQ(s.levels.get(0), 1 + 4);

    s.listScheduleSingle(FixedPriorities{{0, 1, 2, 3}});
    EXPECT_EQ(sequence(s, 0, 4), (std::vector<int>{2, 1, 0, 3}));
}

// A set without jobs used to stop the run in the setup and precedence constructions.
TEST(SingleMachineDispatch, SetWithoutJobsIsSkippedBeforeTheConstructions) {
    Scheduler s = singleMachine({{2, 5}, {3, 1}}, {{9, 9}, {9, 9}});
    s.jobCount.set(0, 0.0);
    s.hasSetups = 1;
    s.setupFactor = 1;
    s.hasConstraints = 1;
    s.listScheduleSingle(FixedPriorities{{0, 0}});
    EXPECT_EQ(sequence(s, 1, 2), (std::vector<int>{0, 1}));

    s.singleMachineCriteria();
    // Set 1: 0 + 3 + setup (row 2, column 0) = p1 = 1 -> 4; 4 + 1 + ceil(|p0 - p1|) = 2 -> 7.
    EXPECT_DOUBLE_EQ(s.results.get(1, 2), (4.0 + 7.0) * 2 / (2 * 4.0));
    EXPECT_DOUBLE_EQ(s.results.get(1, 3), 7.0 / 4.0);
    EXPECT_TRUE(std::isnan(s.results.get(0, 3)));  // 0 / 0: nothing to measure
}

// ---------------------------------------------------------------- look-ahead parameters

namespace {

Scheduler lookAheadAfterScheduling(double d0, double d1) {
    Scheduler s = singleMachine({{5, 5}}, {{d0, d1}});
    s.listScheduleSingle(FixedPriorities{{0, 0}});
    return s;
}

}  // namespace

TEST(LookAhead, K1FromTheDueDateRange) {
    // Makespan estimate 2 * 5 = 10.
    EXPECT_DOUBLE_EQ(lookAheadAfterScheduling(0, 5).atcsK1, 5.0);  // R = 0.5
    EXPECT_DOUBLE_EQ(lookAheadAfterScheduling(0, 6).atcsK1, 4.8);  // R = 0.6
    EXPECT_DOUBLE_EQ(lookAheadAfterScheduling(0, 6).makespanEstimate, 10.0);
}

TEST(LookAhead, K2IsInfiniteWithoutSetups) {
    const Scheduler s = lookAheadAfterScheduling(0, 6);  // tau = 1 - 3 / 10
    EXPECT_TRUE(std::isinf(s.atcsK2));
    EXPECT_GT(s.atcsK2, 0);
    EXPECT_TRUE(std::isnan(lookAheadAfterScheduling(10, 10).atcsK2));  // tau = 0
}

// ---------------------------------------------------------------- criteria

TEST(SingleMachineCriteria, TheWorkedExample) {
    Scheduler s = singleMachine({{3, 2}}, {{2, 10}});
    s.schedule = table({{0, 1}});
    const double total = s.singleMachineCriteria();
    ASSERT_EQ(s.results.rows, 2);
    ASSERT_EQ(s.results.cols, 4);
    EXPECT_DOUBLE_EQ(s.results.get(0, 0), 0.2);
    EXPECT_DOUBLE_EQ(s.results.get(0, 1), 0.5);
    EXPECT_DOUBLE_EQ(s.results.get(0, 2), 1.6);
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 1.0);
    EXPECT_DOUBLE_EQ(total, 0.2);
}

TEST(SingleMachineCriteria, TotalsRowIsTheSumOverSets) {
    Scheduler s = singleMachine({{3, 2}, {3, 2}}, {{2, 10}, {2, 10}});
    s.schedule = table({{0, 1}, {0, 1}});
    const double total = s.singleMachineCriteria();
    ASSERT_EQ(s.results.rows, 3);
    EXPECT_DOUBLE_EQ(s.results.get(2, 0), 0.4);
    EXPECT_DOUBLE_EQ(s.results.get(2, 1), 1.0);
    EXPECT_DOUBLE_EQ(s.results.get(2, 2), 3.2);
    EXPECT_DOUBLE_EQ(s.results.get(2, 3), 2.0);
    EXPECT_DOUBLE_EQ(total, 0.4);
}

TEST(SingleMachineCriteria, OnlyCompletionTimeArithmeticTruncates) {
    Scheduler s = singleMachine({{1.5, 3}}, {{10, 4.9}});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{0, 2.7}});
    s.weights = table({{0.5, 2}});
    s.schedule = table({{0, 1}});
    s.singleMachineCriteria();
    // Job 0 ends at trunc(1.5) = 1. Job 1: release 2.7 > 1 moves C to 2, ends at 5, due 4 -> late 1.
    // W = 2.5 and P = 4.5 as stored; the flowtime subtracts 2.7 itself.
    EXPECT_DOUBLE_EQ(s.results.get(0, 0), 2.0 * 1 * 2 / (2.5 * 4.5));
    EXPECT_DOUBLE_EQ(s.results.get(0, 1), 2.0 / 2.5);
    EXPECT_DOUBLE_EQ(s.results.get(0, 2), (1.0 + (5.0 - 2.7)) * 2 / (2.5 * 4.5));
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 5.0 / 4.5);
}

TEST(SingleMachineCriteria, SetupTimesAreAddedTruncated) {
    Scheduler s = singleMachine({{2, 5.5}}, {{100, 100}});
    s.hasSetups = 1;
    s.setupFactor = 1;
    s.schedule = table({{0, 1}});
    s.singleMachineCriteria();
    // First setup = p1 = 5.5 -> 5: C = 2 + 5 = 7. Then trunc(5.5) + ceil(|2 - 5.5|) = 5 + 4: C = 16.
    EXPECT_EQ(s.results.get(0, 0), 0.0);
    EXPECT_EQ(s.results.get(0, 1), 0.0);
    EXPECT_DOUBLE_EQ(s.results.get(0, 2), (7.0 + 16.0) * 2 / (2 * 7.5));
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 16.0 / 7.5);
}

TEST(SingleMachineCriteria, ARowNeedNotBeAPermutation) {
    Scheduler s = singleMachine({{3, 2}}, {{2, 3}});
    s.weights = table({{1, 3}});
    s.schedule = table({{1, 1}});
    s.singleMachineCriteria();
    // Job 1 twice: C = 2, then 4 (late 1). W = 1 + 3 and P = 3 + 2 still sum columns 0 and 1.
    EXPECT_DOUBLE_EQ(s.results.get(0, 0), 3.0 * 1 * 2 / (4 * 5.0));
    EXPECT_DOUBLE_EQ(s.results.get(0, 1), 3.0 / 4);
    EXPECT_DOUBLE_EQ(s.results.get(0, 2), (2.0 + 4.0) * 2 / (4 * 5.0));
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 4.0 / 5.0);
}

namespace {

void measureScheduleRow(std::initializer_list<double> row) {
    Scheduler s = singleMachine({{3, 2}}, {{2, 10}});
    s.schedule = table({row});
    s.singleMachineCriteria();
}

const char* const kTableAssertion = "Assertion failed!\nfile: .\\\\matrice\nline: 188\n";

}  // namespace

TEST(SingleMachineCriteriaDeathTest, ShortRowEndsWithTheMatrixAssertion) {
    EXPECT_EXIT(measureScheduleRow({0}), ExitedWithCode(1), kTableAssertion);
}

TEST(SingleMachineCriteriaDeathTest, JobOutsideTheTablesEndsWithTheMatrixAssertion) {
    EXPECT_EXIT(measureScheduleRow({0, 2}), ExitedWithCode(1), kTableAssertion);
    EXPECT_EXIT(measureScheduleRow({-1, 0}), ExitedWithCode(1), kTableAssertion);
    EXPECT_EXIT(measureScheduleRow({1e12, 0}), ExitedWithCode(1), kTableAssertion);
    EXPECT_EXIT(measureScheduleRow({kNaN, 0}), ExitedWithCode(1), kTableAssertion);
}

TEST(SingleMachineCriteria, FractionalEntriesAreTruncatedToJobs) {
    Scheduler s = singleMachine({{3, 2}}, {{2, 10}});
    s.schedule = table({{0.9, 1.5}});  // jobs 0 and 1, as in the worked example
    EXPECT_DOUBLE_EQ(s.singleMachineCriteria(), 0.2);
}

// ---------------------------------------------------------------- best values

TEST(UpdateBest, LowersOnlyTheSetRowsOfTheFirstFourColumns) {
    Scheduler s;
    s.best = table({{1, 2, 3, 4, 9}, {5, 5, kNaN, 5, 9}, {10, 10, 10, 10, 10}});
    s.results = table({{0.5, 2, 4, kNaN, 1}, {6, 4, 1, 5, 1}, {0, 0, 0, 0, 0}});
    s.updateBest();
    const Matrix expected = table({{0.5, 2, 3, 4, 9}, {5, 4, kNaN, 5, 9}, {10, 10, 10, 10, 10}});
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 5; ++c) {
            if (std::isnan(expected.get(i, c)))
                EXPECT_TRUE(std::isnan(s.best.get(i, c))) << i << "," << c;
            else
                EXPECT_EQ(s.best.get(i, c), expected.get(i, c)) << i << "," << c;
        }
}
