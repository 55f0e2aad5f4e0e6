#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "fitness_testing.h"

using namespace fitness_testing;
using parallel_machines::decode;
using parallel_machines::encode;

namespace {

// One uniform set: processing times p, due dates d, speeds v; unit weights, no release times,
// the sum of p as SP.
CollectionBuilder uniformSet(std::vector<double> p, std::vector<double> d, std::vector<double> v) {
    return CollectionBuilder(Environment::Uniform).processing({p}).due({d}).speeds({v});
}

using Rule = double (*)(const ListDecision&, int);
double lowerIndexFirst(const ListDecision&, int job) { return -job; }
double sameForAll(const ListDecision&, int) { return 1.0; }

// The moment of a dispatch as the rule sees it: previous job, time and machine.
using Moment = std::tuple<int, double, int>;

// Wraps a rule and notes every distinct moment it is asked at, in order.
struct Recorder {
    Rule rule;
    std::vector<Moment>* moments;
    double operator()(const ListDecision& at, int job) const {
        const Moment now{at.previous, at.time, at.machine};
        if (moments->empty() || moments->back() != now) moments->push_back(now);
        return rule(at, job);
    }
};

TEST(ParallelEncoding, EntryIsJobPlusThousandTimesMachine) {
    EXPECT_EQ(decode(2005).job, 5);
    EXPECT_EQ(decode(2005).machine, 2);
    EXPECT_EQ(decode(7).job, 7);
    EXPECT_EQ(decode(7).machine, 0);
    EXPECT_EQ(decode(3999).job, 999);
    EXPECT_EQ(decode(3999).machine, 3);
    EXPECT_EQ(encode(5, 2), 2005.0);
}

struct Dispatch {
    const char* name;
    CollectionBuilder instance;
    Rule rule;
    std::vector<double> expected;
    std::vector<Moment> moments = {};  // none: not looked at
};

class UniformListScheduling : public ::testing::TestWithParam<Dispatch> {};

TEST_P(UniformListScheduling, GivesTheMachineFreeFirstItsJob) {
    const Dispatch& c = GetParam();
    std::vector<Moment> moments;
    const Matrix schedule = scheduled(c.instance.build(), Recorder{c.rule, &moments});
    EXPECT_EQ(rowOf(schedule, 0, static_cast<int>(c.expected.size())), c.expected);
    if (!c.moments.empty()) {
        EXPECT_EQ(moments, c.moments);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, UniformListScheduling,
    ::testing::Values(
        // Both machines free at 0: the lower one takes job 0; machine 1 is then free earlier.
        Dispatch{"MachineFreeFirstTakesTheNextJob", uniformSet({3, 5, 4}, {9, 9, 9}, {1, 1}), lowerIndexFirst,
                 {0, 1001, 2}},
        Dispatch{"MachineFreeFirstTakesTheNextJobAgain", uniformSet({5, 3, 4}, {9, 9, 9}, {1, 1}), lowerIndexFirst,
                 {0, 1001, 1002}},
        // Job 1 (3 units) keeps machine 1 busy until 6, so job 2 goes to machine 0, free at 5.
        Dispatch{"SpeedTwoDoublesTheTimeOnItsMachine", uniformSet({5, 3, 1}, {9, 9, 9}, {1, 2}), lowerIndexFirst,
                 {0, 1001, 2}, {{3, 0.0, 0}, {3, 0.0, 1}, {0, 5.0, 0}}},
        // r = (5, 0, 0), p = (1, 4, 2): at 0 the shortest released job 2 is the incumbent and job
        // 0 does not compete; a rule without preference keeps the incumbent.
        Dispatch{"WithReleaseTimesOnlyReleasedJobsCompete", uniformSet({1, 4, 2}, {9, 9, 9}, {1}).releases({{5, 0, 0}}),
                 sameForAll, {2, 1, 0}, {{3, 0.0, 0}, {2, 2.0, 0}, {1, 6.0, 0}}},
        Dispatch{"WithReleaseTimesTheRuleChoosesAmongTheReleased",
                 uniformSet({1, 4, 2}, {9, 9, 9}, {1}).releases({{5, 0, 0}}), lowerIndexFirst, {1, 2, 0},
                 {{3, 0.0, 0}, {1, 4.0, 0}, {2, 6.0, 0}}},
        // r = (1, 0, 0), p = (1, 2, 2): at 0 jobs 1 and 2 are equally short and the earlier index
        // stays; at 2 job 0 (released, shorter) displaces job 2.
        Dispatch{"WithReleaseTimesTheShortestReleasedJobIsTheIncumbent",
                 uniformSet({1, 2, 2}, {9, 9, 9}, {1}).releases({{1, 0, 0}}), sameForAll, {1, 0, 2}},
        // Job 1 (released at 0) waits for job 0 (released at 5); the idle machine 1 then takes it
        // at 5, not at its release time.
        Dispatch{"WithReleaseTimesTheTimeNeverGoesBack",
                 uniformSet({1, 1}, {9, 9}, {1, 1}).releases({{5, 0}}).constraints({{0, 1}}), lowerIndexFirst,
                 {0, 1001}, {{2, 5.0, 0}, {2, 5.0, 1}}},
        // Job 1 waits for job 0 (done at 4); job 2 is free at once and takes machine 1 at 0 although
        // the rule prefers job 1; job 1 then starts at 4 on machine 1.
        Dispatch{"WithoutReleaseTimesTheEarliestFreedSuccessorGoesFirst",
                 uniformSet({4, 1, 1}, {9, 9, 9}, {1, 1}).constraints({{0, 1, 0}}), lowerIndexFirst, {0, 1002, 1001},
                 {{3, 0.0, 0}, {3, 0.0, 1}, {2, 4.0, 1}}},
        // Setups from p = (2, 5, 9) with factor 1: before a first job (5, 9, 2); (0, 2) = 3.
        Dispatch{"SetupsDependOnEachMachinesLastJob", uniformSet({2, 5, 9}, {10, 10, 10}, {1, 1}).setups(1),
                 lowerIndexFirst, {0, 1001, 2}, {{3, 0.0, 0}, {3, 0.0, 1}, {0, 7.0, 0}}}),
    [](const auto& info) { return info.param.name; });

TEST(UniformListScheduling, SetupsCountInTheReplay) {
    const Collection collection = uniformSet({2, 5, 9}, {10, 10, 10}, {1, 1}).setups(1);
    // Machine 0 ends job 0 at 2 + 5 and job 2 at 7 + 9 + 3; machine 1 job 1 at 5 + 9.
    // Due dates 10: job 1 is 4 late, job 2 is 9 late; W = 3, g = 16 / 3.
    const Matrix results = measured(collection, testing_support::table({{0, 1001, 2}}));
    EXPECT_EQ(rowOf(results, 0), (std::vector<double>{13.0 / 16.0, 2.0 / 3.0, 40.0 / 16.0, 19.0 / 16.0, 27.0 / 16.0}));
}

TEST(UniformListScheduling, ASuccessorLearnsWhenItsPredecessorsEnd) {
    const Collection collection = uniformSet({4, 1, 1}, {9, 9, 9}, {1, 1}).constraints({{0, 1, 0}});
    Workspace work(collection);
    scheduled(work, lowerIndexFirst);
    EXPECT_EQ(work.predecessorReady.get(1, 0), 4.0);
}

TEST(UniformListScheduling, JobPrecedingAllOthersKeepsEverySuccessorAndStartsAtZero) {
    // Job 0 precedes jobs 1 and 2: its successor list fills the last column of its row, while
    // its own predecessor-ready time stays 0.
    std::vector<Moment> moments;
    std::vector<double> successorsSeen;
    const Collection collection = uniformSet({2, 1, 3}, {9, 9, 9}, {1, 1}).constraints({{0, 1, 2}});
    const Matrix schedule = scheduled(collection, [&](const ListDecision& at, int job) {
        if (successorsSeen.empty()) successorsSeen = rowOf(at.work.precedenceLists, 0);
        return Recorder{lowerIndexFirst, &moments}(at, job);
    });
    EXPECT_EQ(successorsSeen, (std::vector<double>{0, 2, 1, 2}));
    EXPECT_EQ(rowOf(schedule, 0, 3), (std::vector<double>{0, 1001, 2}));
    EXPECT_EQ(moments, (std::vector<Moment>{{3, 0.0, 0}, {3, 2.0, 1}, {0, 2.0, 0}}));
}

TEST(UniformListScheduling, InverseSpeedsStartAfreshForEverySetAndScaleTheLevels) {
    // Set 0: speeds (1, 2), inverse sum 1.5, mean 0.75; job 1 follows job 0, so the levels are
    // 1.5 / 0.75 = 2 and 3 / 0.75 + 2 = 6. Set 1: one machine of speed 4, inverse sum 0.25.
    const Collection collection = CollectionBuilder(Environment::Uniform)
                                      .processing({{3, 1.5}, {2}})
                                      .speeds({{1, 2}, {4}})
                                      .constraints({{0, 1}, {0}});
    Workspace work(collection);
    std::vector<std::vector<double>> seen(2);
    scheduled(work, [&seen](const ListDecision& at, int job) {
        std::vector<double>& first = seen[static_cast<std::size_t>(at.work.rows.set)];
        if (first.empty()) first = {at.work.inverseSpeedSum, at.work.levels.at(0, 0), at.work.levels.at(at.work.rows.n - 1, 0)};
        return -static_cast<double>(job);
    });
    EXPECT_EQ(seen[0], (std::vector<double>{1.5, 6, 2}));
    EXPECT_EQ(seen[1][0], 0.25);
    EXPECT_EQ(work.meanInverseSpeed, 0.25);
}

TEST(UniformListScheduling, SetWithoutJobsIsSkipped) {
    // Set 0 has neither jobs nor machines; set 1 is dispatched as usual.
    const Collection collection =
        CollectionBuilder(Environment::Uniform).processing({{7, 7}, {2, 3}}).jobs({0, 2}).speeds({{}, {1, 1}});
    EXPECT_EQ(rowOf(scheduled(collection, lowerIndexFirst), 1, 2), (std::vector<double>{0, 1001}));
}

TEST(UniformListScheduling, SetWithJobsButNoMachineEndsTheRun) {
    const Collection collection = uniformSet({1, 2}, {9, 9}, {1}).machines({0});
    EXPECT_EXIT(scheduled(collection, lowerIndexFirst), testing::ExitedWithCode(1),
                "^Set 0 has 2 job\\(s\\) but no machine");
}

TEST(ParallelCriteria, UniformSetsAreReplayedMachineByMachine) {
    // Set 0: speeds (1, 2), p = (3, 2, 4), d = (2, 5, 6), w = (2, 1, 1), r = (0, 1, 0), SP 9
    // (g = 3), schedule 0, 1001, 2. Machine 0: job 0 ends at 3 (1 late), job 2 at 7 (1 late);
    // machine 1: job 1 starts at its release 1 and ends at 1 + 2 x 2 = 5 (on time).
    // Set 1: one machine of speed 3 and a job of 2 units, due at 10: it ends at 6.
    const Collection collection = CollectionBuilder(Environment::Uniform)
                                      .processing({{3, 2, 4}, {2}})
                                      .due({{2, 5, 6}, {10}})
                                      .weights({{2, 1, 1}, {1}})
                                      .releases({{0, 1, 0}, {0}})
                                      .speeds({{1, 2}, {3}});
    Workspace work(collection);
    Matrix results;
    EXPECT_DOUBLE_EQ(parallelMachineCriteria(work, testing_support::table({{0, 1001, 2}, {0}}), results), 0.25);
    ASSERT_EQ(results.rows, 3);
    ASSERT_EQ(results.cols, 5);
    const double set0[] = {3.0 / 12.0, 3.0 / 4.0, 14.0 / 12.0, 7.0 / 9.0, 1.0 / 3.0};
    const double set1[] = {0, 0, 3, 3, 0};
    for (int c = 0; c < 5; ++c) {
        EXPECT_DOUBLE_EQ(results.get(0, c), set0[c]) << "column " << c;
        EXPECT_DOUBLE_EQ(results.get(1, c), set1[c]) << "column " << c;
        EXPECT_DOUBLE_EQ(results.get(2, c), set0[c] + set1[c]) << "totals, column " << c;
    }
}

TEST(ParallelCriteria, MaximumTardinessIgnoresWeightsAndIdleMachinesCountAsZero) {
    // One machine of two stays idle. Job 0 ends at 2, 4 late (weight 10); job 1 ends at 5, 9
    // late (weight 0.5). SP 5, g = 2.5.
    const Matrix schedule = testing_support::table({{0, 1}});
    const Matrix late = measured(uniformSet({2, 3}, {-2, -4}, {1, 1}).weights({{10, 0.5}}), schedule);
    EXPECT_DOUBLE_EQ(late.get(0, 4), 9 / 2.5);
    EXPECT_DOUBLE_EQ(late.get(0, 3), 5 / 5.0);
    const Matrix onTime = measured(uniformSet({2, 3}, {20, 20}, {1, 1}).weights({{10, 0.5}}), schedule);
    EXPECT_EQ(onTime.get(0, 4), 0.0);
    EXPECT_EQ(onTime.get(0, 0), 0.0);
}

TEST(ParallelCriteria, UnrelatedTimeOfJobOnMachineIsAtJobTimesMachinesPlusMachine) {
    // Three machines: job 2 on machine 1 takes column 7, job 1 on machine 2 column 5.
    const Collection collection = CollectionBuilder(Environment::Unrelated)
                                      .processing({{1, 20, 30, 40, 50, 6, 70, 8, 90}})
                                      .machines({3})
                                      .sums({{3}});
    const Matrix results = measured(collection, testing_support::table({{0, 1002, 2001}}));
    EXPECT_DOUBLE_EQ(results.get(0, 3), 8.0 / 3.0);
    EXPECT_DOUBLE_EQ(results.get(0, 2), (1 + 8 + 6) / 3.0);
}

TEST(ParallelScheduleCheck, EntriesWithinTheSetPass) {
    // -0.5 and 1001.9 truncate to jobs 0 and 1.
    checkParallelSchedule(uniformSet({1, 1, 1}, {9, 9, 9}, {1, 1}), testing_support::table({{1002, -0.5, 1001.9}}),
                          "raspored_GP.txt");
    SUCCEED();
}

TEST(ParallelScheduleCheck, EntriesOutsideTheSetEndTheRun) {
    const Collection three = uniformSet({1, 1, 1}, {9, 9, 9}, {1, 1});
    EXPECT_EXIT(checkParallelSchedule(three, testing_support::table({{0, 3, 1001}}), "raspored_GP.txt"),
                testing::ExitedWithCode(1),
                "^Schedule file \"raspored_GP.txt\": set 0, position 1 \\(counted from 0\\): the entry 3 names job "
                "3, but the set has 3 job\\(s\\).\n$");
    const Collection two = uniformSet({1, 1}, {9, 9}, {1});
    EXPECT_EXIT(checkParallelSchedule(two, testing_support::table({{0, -1}}), "x.txt"), testing::ExitedWithCode(1),
                "^Schedule file \"x.txt\": set 0, position 1 \\(counted from 0\\): the entry -1 is negative.\n$");
    EXPECT_EXIT(checkParallelSchedule(two, testing_support::table({{std::nan(""), 0}}), "x.txt"),
                testing::ExitedWithCode(1), "position 0 .*is not a number");
}

}  // namespace
