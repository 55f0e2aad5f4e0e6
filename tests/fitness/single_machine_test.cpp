// Single-machine list scheduling, its constructions, the criteria and the best-value update.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "fitness_testing.h"

using namespace fitness_testing;
using ::testing::ExitedWithCode;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Call {
    int job;
    int previous;
    double time;
    bool operator==(const Call&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Call& c) {
        return out << "{" << c.job << ", " << c.previous << ", " << c.time << "}";
    }
};

// A rule of constant priority except for one favoured job, recording every call.
struct RecordingRule {
    std::vector<Call>* calls;
    int favoured = -1;
    double operator()(const ListDecision& at, int job) const {
        EXPECT_EQ(at.machine, 0);
        calls->push_back({job, at.previous, at.time});
        return job == favoured ? 1.0 : 0.0;
    }
};

// ---------------------------------------------------------------- the dispatcher's tie rules

struct Priorities {
    const char* name;
    Table p;
    std::vector<double> priorities;
    std::vector<int> expected;
};

class SingleMachinePriorities : public ::testing::TestWithParam<Priorities> {};

TEST_P(SingleMachinePriorities, DecideTheSequence) {
    const Priorities& c = GetParam();
    const Collection collection = singleMachine(c.p, {{9, 9, 9, 9}});
    const Matrix schedule = scheduled(collection, FixedPriorities{c.priorities});
    EXPECT_EQ(sequence(schedule, 0, static_cast<int>(c.expected.size())), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    TieRules, SingleMachinePriorities,
    ::testing::Values(Priorities{"EqualKeepIndexOrder", {{3, 1, 2}}, {0, 0, 0}, {0, 1, 2}},
                      Priorities{"GreatestFirstTiesToLowestIndex", {{1, 1, 1, 1}}, {1, 5, 5, 2}, {1, 2, 3, 0}},
                      // Job 0 leads; then job 1 (the first eligible) is the incumbent and 0.5 > NaN is false.
                      Priorities{"NotANumberNeverReplacesTheIncumbent", {{1, 1, 1}}, {1, kNaN, 0.5}, {0, 1, 2}},
                      Priorities{"AnIncumbentNotANumberIsNeverReplaced", {{1, 1, 1}}, {kNaN, 5, 7}, {0, 2, 1}},
                      Priorities{"InfinityCountsLikeANumber", {{1, 1, 1}}, {1, kInf, 2}, {1, 2, 0}}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- what the rule is asked, and when

struct Asked {
    const char* name;
    CollectionBuilder instance;
    int favoured;
    std::vector<Call> calls;
    std::vector<int> expected;
};

class SingleMachineCalls : public ::testing::TestWithParam<Asked> {};

TEST_P(SingleMachineCalls, AreTheCandidatesAtTheirMoments) {
    const Asked& c = GetParam();
    std::vector<Call> calls;
    const Matrix schedule = scheduled(c.instance.build(), RecordingRule{&calls, c.favoured});
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(sequence(schedule, 0, static_cast<int>(c.expected.size())), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, SingleMachineCalls,
    ::testing::Values(
        // Every candidate is asked, and the incumbent again; the previous job starts as n.
        Asked{"EveryCandidateAndTheIncumbent", singleMachine({{1, 1}}, {{9, 9}}), -1,
              {{0, 2, 0}, {0, 2, 0}, {1, 2, 0}, {1, 0, 1}, {1, 0, 1}}, {0, 1}},
        // t = 0: job 2 is the shortest released (incumbent); job 0 (5 is not below 0 + 2) is not
        // asked. t = 2: job 1 is the shortest released; job 0 (5 < 2 + 4) competes. t = 6: job 0.
        // With release times the others are asked in order of release.
        Asked{"UnreleasedJobIsNoCandidateBeforeTheShortestCouldFinish",
              singleMachine({{1, 4, 2}}, {{9, 9, 9}}).releases({{5, 0, 0}}), -1,
              {{2, 3, 0}, {1, 3, 0}, {2, 3, 0}, {1, 2, 2}, {1, 2, 2}, {0, 2, 2}, {0, 1, 6}, {0, 1, 6}}, {2, 1, 0}},
        // Job 0 starts at its release 5 and ends at 6, when job 1 is dispatched.
        Asked{"AFavouredJobWaitsForItsRelease", singleMachine({{1, 4, 2}}, {{9, 9, 9}}).releases({{5, 0, 0}}), 0,
              {{2, 3, 0}, {1, 3, 0}, {2, 3, 0}, {1, 2, 2}, {1, 2, 2}, {0, 2, 2}, {1, 0, 6}, {1, 0, 6}}, {2, 0, 1}},
        Asked{"MachineIdlesUntilTheEarliestRelease", singleMachine({{1, 1}}, {{9, 9}}).releases({{4, 3}}), -1,
              {{1, 2, 3}, {1, 2, 3}, {0, 1, 4}, {0, 1, 4}}, {1, 0}},
        // 0 + setup 5 + 2 = 7; 7 + setup 4 + 5 = 16.
        Asked{"SetupDelaysTheStartAfterThePreviousJob", singleMachine({{2, 5, 9}}, {{9, 9, 9}}).setups(1), -1,
              {{0, 3, 0}, {0, 3, 0}, {1, 3, 0}, {2, 3, 0}, {1, 0, 7}, {1, 0, 7}, {2, 0, 7}, {2, 1, 16}, {2, 1, 16}},
              {0, 1, 2}}),
    [](const auto& info) { return info.param.name; });

TEST(SingleMachineDispatch, RemainingMeanFallsAfterEachDispatch) {
    const Collection collection = singleMachine({{2, 4, 6}}, {{9, 9, 9}});
    Workspace work(collection);
    std::vector<double> seen;
    scheduled(work, [&seen](const ListDecision& at, int) {
        seen.push_back(at.work.meanRemainingDuration);
        return 0.0;
    });
    // Mean 4; after job 0 (p 2): (3 * 4 - 2) / 2 = 5; after job 1 (p 4): (2 * 5 - 4) / 1 = 6.
    ASSERT_EQ(seen.size(), 4u + 3u + 2u);
    EXPECT_EQ(seen.front(), 4.0);
    EXPECT_EQ(seen[4], 5.0);
    EXPECT_EQ(seen.back(), 6.0);
    EXPECT_EQ(work.meanDuration, 4.0);
}

TEST(SingleMachineDispatch, EachSetIsSequencedOnItsOwn) {
    const Matrix schedule = scheduled(singleMachine({{5, 1}, {1, 5}}, {{9, 9}, {9, 9}}).build(),
                                      [](const ListDecision& at, int job) { return -at.work.rows.p[job]; });
    EXPECT_EQ(sequence(schedule, 0, 2), (std::vector<int>{1, 0}));
    EXPECT_EQ(sequence(schedule, 1, 2), (std::vector<int>{0, 1}));
}

// ---------------------------------------------------------------- setups and precedence

TEST(SetupTimes, DerivedFromTheProcessingTimes) {
    const Collection collection = singleMachine({{2, 5, 9}}, {{9, 9, 9}}).setups(1);
    Workspace work(collection);
    work.buildSetupTimes(0);
    EXPECT_EQ(rowOf(work.setupTimes, 0), (std::vector<double>{0, 4, 3}));
    EXPECT_EQ(rowOf(work.setupTimes, 1), (std::vector<double>{3, 0, 7}));
    EXPECT_EQ(rowOf(work.setupTimes, 2), (std::vector<double>{7, 4, 0}));
    EXPECT_EQ(rowOf(work.setupTimes, 3), (std::vector<double>{5, 9, 2}));
    EXPECT_DOUBLE_EQ(work.meanSetup, 28.0 / 6.0);
}

TEST(Precedence, MaskOneMakesTheJobBeforeAPredecessor) {
    const FixedPriorities highestIndexFirst{{0, 1, 2, 3}};
    const CollectionBuilder instance = singleMachine({{1, 2, 3, 4}}, {{9, 9, 9, 9}});
    EXPECT_EQ(sequence(scheduled(instance.build(), highestIndexFirst), 0, 4), (std::vector<int>{3, 2, 1, 0}));
    CollectionBuilder constrained = instance;
    const Collection collection = constrained.constraints({{0, 0, 0, 1}});
    EXPECT_EQ(sequence(scheduled(collection, highestIndexFirst), 0, 4), (std::vector<int>{2, 3, 1, 0}));
}

TEST(Precedence, MaskFiveNamesTheJobsTwoAndZeroPlacesBack) {
    const Collection collection = singleMachine({{1, 2, 3, 4}}, {{9, 9, 9, 9}}).constraints({{0, 0, 0, 5}});
    Workspace work(collection);
    work.buildPrecedence(0);
    EXPECT_EQ(rowOf(work.precedenceLists, 3, 2), (std::vector<double>{2, 0}));
    EXPECT_EQ(rowOf(work.precedenceLists, 0, 3), (std::vector<double>{0, 1, 3}));
    EXPECT_EQ(rowOf(work.precedenceLists, 2, 3), (std::vector<double>{0, 1, 3}));
    EXPECT_EQ(work.precedenceLists.get(1, 1), 0);
    // Levels: the processing time plus the greatest level among the successors.
    EXPECT_EQ(work.levels.get(0), 1 + 4);
    EXPECT_EQ(work.levels.get(1), 2);
    EXPECT_EQ(work.levels.get(2), 3 + 4);
    EXPECT_EQ(work.levels.get(3), 4);
    EXPECT_EQ(sequence(scheduled(work, FixedPriorities{{0, 1, 2, 3}}), 0, 4), (std::vector<int>{2, 1, 0, 3}));
}

// A set without jobs used to stop the run in the setup and precedence constructions.
TEST(SingleMachineDispatch, SetWithoutJobsIsSkippedBeforeTheConstructions) {
    const Collection collection =
        singleMachine({{2, 5}, {3, 1}}, {{9, 9}, {9, 9}}).jobs({0, 2}).setups(1).constraints({{0, 0}, {0, 0}});
    const Matrix schedule = scheduled(collection, FixedPriorities{{0, 0}});
    EXPECT_EQ(sequence(schedule, 1, 2), (std::vector<int>{0, 1}));
    const Matrix results = measured(collection, schedule);
    // Set 1: 0 + 3 + setup (row 2, column 0) = p1 = 1 -> 4; 4 + 1 + ceil(|p0 - p1|) = 2 -> 7.
    EXPECT_DOUBLE_EQ(results.get(1, 2), (4.0 + 7.0) * 2 / (2 * 4.0));
    EXPECT_DOUBLE_EQ(results.get(1, 3), 7.0 / 4.0);
    EXPECT_TRUE(std::isnan(results.get(0, 3)));  // 0 / 0: nothing to measure
}

// ---------------------------------------------------------------- look-ahead parameters

Workspace& afterScheduling(Workspace& work) {
    scheduled(work, FixedPriorities{{0, 0}});
    return work;
}

TEST(LookAhead, K1FromTheDueDateRange) {
    // Makespan estimate 2 * 5 = 10.
    const Collection half = singleMachine({{5, 5}}, {{0, 5}}), more = singleMachine({{5, 5}}, {{0, 6}});
    Workspace r5(half), r6(more);
    EXPECT_DOUBLE_EQ(afterScheduling(r5).atcsK1, 5.0);  // R = 0.5
    EXPECT_DOUBLE_EQ(afterScheduling(r6).atcsK1, 4.8);  // R = 0.6
    EXPECT_DOUBLE_EQ(r6.makespanEstimate, 10.0);
    // tau = 1 - 3 / 10 over no setups: infinite; tau = 0: not a number.
    EXPECT_TRUE(std::isinf(r6.atcsK2));
    EXPECT_GT(r6.atcsK2, 0);
    const Collection noSlack = singleMachine({{5, 5}}, {{10, 10}});
    Workspace tau0(noSlack);
    EXPECT_TRUE(std::isnan(afterScheduling(tau0).atcsK2));
}

// ---------------------------------------------------------------- criteria

struct Measure {
    const char* name;
    CollectionBuilder instance;
    Table schedule;
    std::vector<double> expected;  // Twt, Uwt, Fwt, Cmax of set 0
};

class SingleMachineCriteria : public ::testing::TestWithParam<Measure> {};

TEST_P(SingleMachineCriteria, OfSetZero) {
    const Measure& c = GetParam();
    const Matrix results = measured(c.instance.build(), testing_support::table(c.schedule));
    ASSERT_EQ(results.cols, 4);
    for (int col = 0; col < 4; ++col) EXPECT_DOUBLE_EQ(results.get(0, col), c.expected[col]) << col;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SingleMachineCriteria,
    ::testing::Values(
        // C = 3, then 5; job 0 is 1 late; W = 2, P = 5, n = 2.
        Measure{"TheWorkedExample", singleMachine({{3, 2}}, {{2, 10}}), {{0, 1}}, {0.2, 0.5, 1.6, 1.0}},
        Measure{"FractionalEntriesAreTruncatedToJobs", singleMachine({{3, 2}}, {{2, 10}}), {{0.9, 1.5}},
                {0.2, 0.5, 1.6, 1.0}},
        // Job 0 ends at trunc(1.5) = 1. Job 1: release 2.7 > 1 moves C to 2, ends at 5, due 4 -> late 1.
        // W = 2.5 and P = 4.5 as stored; the flowtime subtracts 2.7 itself.
        Measure{"OnlyCompletionTimeArithmeticTruncates",
                singleMachine({{1.5, 3}}, {{10, 4.9}}).releases({{0, 2.7}}).weights({{0.5, 2}}),
                {{0, 1}},
                {2.0 * 1 * 2 / (2.5 * 4.5), 2.0 / 2.5, (1.0 + (5.0 - 2.7)) * 2 / (2.5 * 4.5), 5.0 / 4.5}},
        // First setup = p1 = 5.5 -> 5: C = 2 + 5 = 7. Then trunc(5.5) + ceil(|2 - 5.5|) = 5 + 4: C = 16.
        Measure{"SetupTimesAreAddedTruncated", singleMachine({{2, 5.5}}, {{100, 100}}).setups(1), {{0, 1}},
                {0, 0, (7.0 + 16.0) * 2 / (2 * 7.5), 16.0 / 7.5}},
        // Job 1 twice: C = 2, then 4 (late 1). W = 1 + 3 and P = 3 + 2 still sum columns 0 and 1.
        Measure{"ARowNeedNotBeAPermutation", singleMachine({{3, 2}}, {{2, 3}}).weights({{1, 3}}), {{1, 1}},
                {3.0 * 1 * 2 / (4 * 5.0), 3.0 / 4, (2.0 + 4.0) * 2 / (4 * 5.0), 4.0 / 5.0}}),
    [](const auto& info) { return info.param.name; });

TEST(SingleMachineTotals, TheLastRowIsTheSumOverSetsAndTwtIsReturned) {
    const Collection collection = singleMachine({{3, 2}, {3, 2}}, {{2, 10}, {2, 10}});
    Workspace work(collection);
    Matrix results;
    EXPECT_DOUBLE_EQ(singleMachineCriteria(work, testing_support::table({{0, 1}, {0, 1}}), results), 0.4);
    ASSERT_EQ(results.rows, 3);
    EXPECT_EQ(rowOf(results, 2), (std::vector<double>{0.4, 1.0, 3.2, 2.0}));
}

void measureScheduleRow(std::initializer_list<double> row) {
    measured(singleMachine({{3, 2}}, {{2, 10}}), testing_support::table({row}));
}

const char* const kTableAssertion = "Assertion failed!\nfile: .\\\\matrice\nline: 188\n";

TEST(SingleMachineCriteriaDeathTest, ShortRowsAndJobsOutsideTheTablesEndWithTheMatrixAssertion) {
    EXPECT_EXIT(measureScheduleRow({0}), ExitedWithCode(1), kTableAssertion);
    EXPECT_EXIT(measureScheduleRow({0, 2}), ExitedWithCode(1), kTableAssertion);
    EXPECT_EXIT(measureScheduleRow({-1, 0}), ExitedWithCode(1), kTableAssertion);
    EXPECT_EXIT(measureScheduleRow({1e12, 0}), ExitedWithCode(1), kTableAssertion);
    EXPECT_EXIT(measureScheduleRow({kNaN, 0}), ExitedWithCode(1), kTableAssertion);
}

// ---------------------------------------------------------------- best values

TEST(UpdateBest, LowersOnlyTheSetRowsOfTheFirstFourColumns) {
    Matrix best = testing_support::table({{1, 2, 3, 4, 9}, {5, 5, kNaN, 5, 9}, {10, 10, 10, 10, 10}});
    updateBest(best, testing_support::table({{0.5, 2, 4, kNaN, 1}, {6, 4, 1, 5, 1}, {0, 0, 0, 0, 0}}));
    const Matrix expected = testing_support::table({{0.5, 2, 3, 4, 9}, {5, 4, kNaN, 5, 9}, {10, 10, 10, 10, 10}});
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 5; ++c) {
            if (std::isnan(expected.get(i, c)))
                EXPECT_TRUE(std::isnan(best.get(i, c))) << i << "," << c;
            else
                EXPECT_EQ(best.get(i, c), expected.get(i, c)) << i << "," << c;
        }
}

}  // namespace
