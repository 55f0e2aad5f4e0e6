#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "fitness_testing.h"

using namespace fitness_testing;

namespace {

struct ShopJob {
    std::vector<double> codes;  // duration + 1000 x machine, in route order
    double due = 100;
    double weight = 1;
    double release = 0;
};

// One set: the jobs in order, each with one code per machine.
CollectionBuilder shopOf(int machines, const std::vector<ShopJob>& jobs) {
    std::vector<double> codes, due, weight, release;
    for (const ShopJob& job : jobs) {
        codes.insert(codes.end(), job.codes.begin(), job.codes.end());
        due.push_back(job.due);
        weight.push_back(job.weight);
        release.push_back(job.release);
    }
    return CollectionBuilder(Environment::JobShop)
        .processing({codes})
        .machines({static_cast<double>(machines)})
        .due({due})
        .weights({weight})
        .releases({release});
}

// Two jobs on two machines: job 0 takes 3 on machine 0, then 2 on machine 1; job 1 takes 4 on
// machine 1, then 1 on machine 0. Total processing time 10.
CollectionBuilder twoByTwo(double release0 = 0, double release1 = 0) {
    return shopOf(2, {{{3, 1002}, 5, 1, release0}, {{1004, 1}, 5, 2, release1}});
}

struct Call {
    int job, operation;
    double time, jobReady;
    int lastJob;
    bool operator==(const Call&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Call& c) {
        return out << "{job " << c.job << ", operation " << c.operation << ", time " << c.time << ", ready "
                   << c.jobReady << ", last " << c.lastJob << "}";
    }
};

Call callOf(const ShopDecision& at, int job) {
    return {job, at.nextOperation[job], at.time, at.jobReady[job], at.lastJob};
}

// Gives every candidate the same priority and notes what the dispatcher asked.
struct RecordingRule {
    std::vector<Call>* calls;
    double operator()(const ShopDecision& at, int job) const {
        calls->push_back(callOf(at, job));
        return 1.0;
    }
};

using Rule = double (*)(const ShopDecision&, int);
double sameForAll(const ShopDecision&, int) { return 0.0; }
double allButJob0(const ShopDecision&, int job) { return job == 0 ? 0.0 : 1.0; }
double highestIndex(const ShopDecision&, int job) { return job; }

// --- operation codes

TEST(JobShopDecoding, SplitsCodesIntoDurationAndMachine) {
    const Collection collection = shopOf(4, {{{3045, 45, 1022.5, 2007}}});
    EXPECT_EQ(rowOf(collection.operationDurations, 0), (std::vector<double>{45, 45, 22, 7}));
    EXPECT_EQ(rowOf(collection.operationMachines, 0), (std::vector<double>{3, 0, 1, 2}));
    EXPECT_EQ(collection.operationTotal.get(0), 45.0 + 45 + 22 + 7);
}

TEST(JobShopDecodingDeath, FaultyRoutesEndTheRunNamingFileSetAndJob) {
    EXPECT_EXIT(shopOf(2, {{{3, 1002}}, {{1004, 2001}}}).build(), testing::ExitedWithCode(1),
                "Duration file \"durations.txt\": set 0, job 1: operation 1 has the code 2001, which names machine 2, "
                "but the set has 2 machines");
    EXPECT_EXIT(shopOf(2, {{{3, 1002}}, {{4, 1}}}).build(), testing::ExitedWithCode(1),
                "Duration file \"durations.txt\": set 0, job 1: the route visits machine 0 twice");
    EXPECT_EXIT(shopOf(2, {{{NAN, 1002}}}).build(), testing::ExitedWithCode(1),
                "set 0, job 0: operation 0 has the code nan, which is not an operation code");
}

// --- the dispatcher

struct Dispatch {
    const char* name;
    CollectionBuilder instance;
    Rule rule;
    std::vector<double> expected;
};

class JobShopDispatcher : public ::testing::TestWithParam<Dispatch> {};

TEST_P(JobShopDispatcher, SequencesEachMachine) {
    const Dispatch& c = GetParam();
    EXPECT_EQ(rowOf(scheduled(c.instance.build(), c.rule), 0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, JobShopDispatcher,
    ::testing::Values(
        // Both machines can start at 0 and machine 0 (the lower index) is served first.
        Dispatch{"TwoJobExampleServesTheLowerMachineFirst", twoByTwo(), sameForAll, {0, 1, 1, 0}},
        Dispatch{"EqualPrioritiesPickTheLowestIndex", shopOf(1, {{{2}}, {{2}}, {{2}}}), sameForAll, {0, 1, 2}},
        Dispatch{"GreatestPriorityWinsAndATieKeepsTheIncumbent", shopOf(1, {{{2}}, {{2}}, {{2}}}), allButJob0,
                 {1, 2, 0}},
        Dispatch{"GreatestPriorityWins", shopOf(1, {{{2}}, {{2}}, {{2}}}), highestIndex, {2, 1, 0}},
        // Job 1 reaches machine 0's queue before job 0 does; both are ready at 2 and job 0 goes first.
        Dispatch{"JobsQueuedOutOfIndexOrderTieToTheLowestIndex", shopOf(3, {{{2002, 2, 1002}}, {{1002, 2, 2002}}}),
                 sameForAll, {0, 1, 1, 0, 0, 1}},
        // The earliest queued time -1 reads as "no job queued", so no machine can be chosen.
        Dispatch{"NegativeReleaseTimeHidesTheQueueAndLeavesTheSetUnscheduled",
                 shopOf(1, {{{2}, 100, 1, -1}, {{3}, 100, 1, 0}}), sameForAll, {0, 0}}),
    [](const auto& info) { return info.param.name; });

TEST(JobShopDispatcher, TwoJobExampleTakesSixTimeUnits) {
    const Collection collection = twoByTwo();
    EXPECT_DOUBLE_EQ(measured(collection, scheduled(collection, sameForAll)).get(1, 3), 6.0 / 10);
}

TEST(JobShopDispatcher, RuleSeesOperationMachineStartJobReadyAndLastJob) {
    std::vector<Call> calls;
    scheduled(twoByTwo().build(), RecordingRule{&calls});
    // Machine 0 at 0 (only job 0 queued), machine 1 at 0, machine 0 at 4 (job 1 ready at 4),
    // machine 1 at 4 (job 0 ready since 3). Before its first job a machine names job n = 2.
    const std::vector<Call> expected = {{0, 0, 0, 0, 2}, {1, 0, 0, 0, 2}, {1, 1, 4, 4, 0}, {0, 1, 4, 3, 1}};
    EXPECT_EQ(calls, expected);
}

TEST(JobShopDispatcher, MachineMeansAreTheSetsDurationsPerMachineOverTheJobs) {
    const Collection collection = twoByTwo();
    EXPECT_EQ(rowOf(collection.machineMeanDuration, 0), (std::vector<double>{(3.0 + 1) / 2, (2.0 + 4) / 2}));
}

TEST(JobShopDispatcher, UnreleasedJobIsNoCandidateAndTheMachineIdlesUntilARelease) {
    // Job 0 (1 unit) is released at 5, job 1 (2 units) at 0. Even a rule that wants job 0 gets
    // job 1 first; then the machine waits until 5.
    const Collection collection = shopOf(1, {{{1}, 100, 1, 5}, {{2}, 100, 1, 0}});
    std::vector<Call> calls;
    const Matrix schedule = scheduled(collection, [&calls](const ShopDecision& at, int job) {
        calls.push_back(callOf(at, job));
        return job == 0 ? 10.0 : 1.0;
    });
    EXPECT_EQ(rowOf(schedule, 0), (std::vector<double>{1, 0}));
    EXPECT_EQ(calls, (std::vector<Call>{{1, 0, 0, 0, 2}, {0, 0, 5, 5, 1}}));
    // Completions 6 and 2 over 3 units of work; flowtime counts from the release.
    const Matrix results = measured(collection, schedule);
    EXPECT_DOUBLE_EQ(results.get(0, 3), 6.0 / 3);
    EXPECT_DOUBLE_EQ(results.get(0, 6), ((6.0 - 5) + 2) / 2);
}

TEST(JobShopDispatcher, MachineThatCanStartEarlierIsServedFirst) {
    // Job 0 waits for machine 0 from 3, job 1 for machine 1 from 1: machine 1 goes first.
    std::vector<Call> calls;
    scheduled(shopOf(2, {{{2, 1001}, 100, 1, 3}, {{1002, 1}, 100, 1, 1}}).build(), RecordingRule{&calls});
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), (Call{1, 0, 1, 1, 2}));
}

TEST(JobShopDispatcher, SetWithoutJobsIsSkippedAndLeavesTheNextSetAlone) {
    const Collection collection = CollectionBuilder(Environment::JobShop)
                                      .processing({{3, 1002, 1004, 1}, {3, 1002, 1004, 1}})
                                      .machines({2, 2})
                                      .jobs({0, 2})
                                      .due({{5, 5}, {5, 5}})
                                      .weights({{1, 2}, {1, 2}});
    const Matrix schedule = scheduled(collection, sameForAll);
    EXPECT_EQ(rowOf(schedule, 0), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(rowOf(schedule, 1), (std::vector<double>{0, 1, 1, 0}));
    const Matrix results = measured(collection, schedule);
    EXPECT_TRUE(std::isnan(results.get(0, 3)));  // nothing over nothing
    EXPECT_DOUBLE_EQ(results.get(1, 3), 0.6);
}

TEST(JobShopDispatcher, SetupTimesAreDrawnPerSetAndAddedBeforeEachOperation) {
    // Set 0 seeds the draws with 0: with max_length 10 and factor 1 the setup before a first
    // job 0 is 38 mod 10 + 1 = 9, before a first job 1 it is 8, from job 0 to job 1 it is 8
    // and from job 1 to job 0 it is 6.
    const Collection collection = shopOf(1, {{{3}}, {{4}}}).setups(1, 10);
    const Matrix inOrder = scheduled(collection, sameForAll);
    EXPECT_EQ(rowOf(inOrder, 0), (std::vector<double>{0, 1}));
    EXPECT_DOUBLE_EQ(measured(collection, inOrder).get(1, 3), (9.0 + 3 + 8 + 4) / 7);
    const Matrix reversed = scheduled(collection, highestIndex);
    EXPECT_EQ(rowOf(reversed, 0), (std::vector<double>{1, 0}));
    EXPECT_DOUBLE_EQ(measured(collection, reversed).get(1, 3), (8.0 + 4 + 6 + 3) / 7);
}

// --- the criteria replay

TEST(JobShopCriteria, ReplayOfTheExampleGivesAllSevenValues) {
    // Due dates 5 and 5, weights 1 and 2. Completions 6 and 5; job 0 is 1 late. g = 10 / 2 = 5, W = 3.
    const Collection collection = twoByTwo();
    Workspace work(collection);
    Matrix results;
    EXPECT_DOUBLE_EQ(jobShopCriteria(work, testing_support::table({{0, 1, 1, 0}}), results), 0.6);
    const double expected[] = {1.0 / 15, 1.0 / 3, (6.0 + 2 * 5) / 15, 0.6, 0.5, 0.5, 5.5};
    ASSERT_EQ(results.rows, 2);
    ASSERT_EQ(results.cols, 7);
    for (int c = 0; c < 7; ++c) {
        EXPECT_DOUBLE_EQ(results.get(0, c), expected[c]) << c;
        EXPECT_DOUBLE_EQ(results.get(1, c), expected[c]) << c;
    }
}

TEST(JobShopCriteria, BlockingSequencesLeaveEveryOperationUnplayed) {
    // Both machines start with the job whose first operation is elsewhere.
    const Matrix results = measured(twoByTwo(2, 1), testing_support::table({{1, 0, 0, 1}}));
    EXPECT_DOUBLE_EQ(results.get(0, 3), 2.0 / 10);  // each job completes at its release time
    EXPECT_DOUBLE_EQ(results.get(0, 2), 0.0);       // no flowtime at all
    EXPECT_DOUBLE_EQ(results.get(0, 6), 0.0);
}

TEST(JobShopCriteria, JobListedAfterItsLastOperationKeepsTheMachineWaiting) {
    // Machine 1 lists job 0 twice and never job 1: job 0 finishes at 5 on machine 1, then
    // machine 1 waits for good, and job 1 (first on machine 1) never starts.
    const Matrix results = measured(twoByTwo(), testing_support::table({{0, 1, 0, 0}}));
    EXPECT_DOUBLE_EQ(results.get(0, 3), 5.0 / 10);
    EXPECT_DOUBLE_EQ(results.get(0, 6), (5.0 + 0) / 2);
}

// --- schedule files

TEST(JobShopScheduleCheckDeath, JobsOfTheSetPass) {
    const Collection collection = twoByTwo();
    EXPECT_EXIT(
        {
            checkJobShopSchedule(collection, testing_support::table({{1, 0, 1.9, 0}}), "raspored_GP.txt");  // 1.9 is job 1
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(JobShopScheduleCheckDeath, JobsOutsideTheSetEndTheRunNamingFileSetAndPosition) {
    const Collection collection = twoByTwo();
    const auto check = [&](std::initializer_list<double> row) {
        checkJobShopSchedule(collection, testing_support::table({row}), "raspored_GP.txt");
    };
    EXPECT_EXIT(check({1, 0, 0, 2}), testing::ExitedWithCode(1),
                "Schedule file \"raspored_GP.txt\": set 0, position 3 \\(machine 1, place 1\\): 2 is not a job of the "
                "set, which has 2 jobs");
    EXPECT_EXIT(check({-1, 0, 1, 0}), testing::ExitedWithCode(1), "set 0, position 0 .*: -1 is not");
    EXPECT_EXIT(check({0, 1, NAN, 0}), testing::ExitedWithCode(1), "position 2 .*: nan is not");
}

}  // namespace
