#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "fitness/job_shop.h"

namespace {

struct ShopJob {
    std::vector<double> codes;  // duration + 1000 x machine, in route order
    double due = 100;
    double weight = 1;
    double release = 0;
};

Matrix matrixOf(const std::vector<std::vector<double>>& rows) {
    Matrix m;
    m.init(static_cast<int>(rows.size()), static_cast<int>(rows.front().size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c) m.set(static_cast<int>(r), static_cast<int>(c), rows[r][c]);
    return m;
}

Matrix rowOf(const std::vector<double>& values) { return matrixOf({values}); }

// One set: the jobs in order, each with one code per machine.
Scheduler shopOf(int machines, const std::vector<ShopJob>& jobs) {
    Scheduler s;
    s.environment = JobShop;
    s.hasWeights = 1;
    s.durationFileName = "durations.txt";
    s.jobCount = rowOf({static_cast<double>(jobs.size())});
    s.machineCount = rowOf({static_cast<double>(machines)});
    std::vector<double> codes, due, weight, release;
    for (const ShopJob& job : jobs) {
        codes.insert(codes.end(), job.codes.begin(), job.codes.end());
        due.push_back(job.due);
        weight.push_back(job.weight);
        release.push_back(job.release);
    }
    s.processingTimes = rowOf(codes);
    s.dueDates = rowOf(due);
    s.weights = rowOf(weight);
    s.releaseTimes = rowOf(release);
    return s;
}

// Two jobs on two machines: job 0 takes 3 on machine 0, then 2 on machine 1; job 1 takes 4 on
// machine 1, then 1 on machine 0. Total processing time 10.
Scheduler twoByTwo(double release0 = 0, double release1 = 0) {
    return shopOf(2, {{{3, 1002}, 5, 1, release0}, {{1004, 1}, 5, 2, release1}});
}

std::vector<double> scheduleRow(const Scheduler& s, int set = 0) {
    std::vector<double> row;
    for (int c = 0; c < s.schedule.cols; ++c) row.push_back(s.schedule.get(set, c));
    return row;
}

// The same set twice, so that a test can change the second copy.
Scheduler twice(Scheduler s) {
    for (Matrix* table : {&s.jobCount, &s.machineCount, &s.processingTimes, &s.dueDates, &s.weights, &s.releaseTimes}) {
        std::vector<double> row;
        for (int c = 0; c < table->cols; ++c) row.push_back(table->get(0, c));
        *table = matrixOf({row, row});
    }
    return s;
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

// Gives every candidate the same priority and notes what the dispatcher asked.
struct RecordingRule {
    std::vector<Call>* calls;
    double operator()(const Scheduler&, int, int job, int operation, double time, double jobReady, int lastJob) const {
        calls->push_back({job, operation, time, jobReady, lastJob});
        return 1.0;
    }
};

const auto kSameForAll = [](const Scheduler&, int, int, int, double, double, int) { return 0.0; };

}  // namespace

// --- operation codes

TEST(JobShopDecoding, SplitsCodesIntoDurationAndMachine) {
    Scheduler s = shopOf(4, {{{3045, 45, 1022.5, 2007}}});
    s.initOperationTables();
    EXPECT_EQ(s.decodeOperations(0, 1, 4), 45.0 + 45 + 22 + 7);
    const double durations[] = {45, 45, 22, 7};
    const double machines[] = {3, 0, 1, 2};
    for (int o = 0; o < 4; ++o) {
        EXPECT_EQ(s.operationDurations.get(0, o), durations[o]) << o;
        EXPECT_EQ(s.operationMachines.get(0, o), machines[o]) << o;
    }
}

TEST(JobShopDecodingDeath, MachineBeyondTheSetEndsTheRunNamingFileSetAndJob) {
    Scheduler s = shopOf(2, {{{3, 1002}}, {{1004, 2001}}});
    s.initOperationTables();
    EXPECT_EXIT(s.decodeOperations(0, 2, 2), testing::ExitedWithCode(1),
                "Duration file \"durations.txt\": set 0, job 1: operation 1 has the code 2001, which names machine 2, "
                "but the set has 2 machines");
}

TEST(JobShopDecodingDeath, RouteVisitingAMachineTwiceEndsTheRun) {
    Scheduler s = shopOf(2, {{{3, 1002}}, {{4, 1}}});
    s.initOperationTables();
    EXPECT_EXIT(s.decodeOperations(0, 2, 2), testing::ExitedWithCode(1),
                "Duration file \"durations.txt\": set 0, job 1: the route visits machine 0 twice");
}

TEST(JobShopDecodingDeath, CodeThatIsNotANumberEndsTheRun) {
    Scheduler s = shopOf(2, {{{NAN, 1002}}});
    s.initOperationTables();
    EXPECT_EXIT(s.decodeOperations(0, 1, 2), testing::ExitedWithCode(1),
                "set 0, job 0: operation 0 has the code nan, which is not an operation code");
}

// --- the dispatcher

TEST(JobShopDispatcher, TwoJobExampleServesTheLowerMachineFirstAndTakesSixTimeUnits) {
    Scheduler s = twoByTwo();
    s.jobShopSchedule(kSameForAll);
    EXPECT_EQ(scheduleRow(s), (std::vector<double>{0, 1, 1, 0}));
    EXPECT_DOUBLE_EQ(s.jobShopCriteria(), 6.0 / 10);
}

TEST(JobShopDispatcher, RuleSeesOperationMachineStartJobReadyAndLastJob) {
    Scheduler s = twoByTwo();
    std::vector<Call> calls;
    s.jobShopSchedule(RecordingRule{&calls});
    // Machine 0 at 0 (only job 0 queued), machine 1 at 0, machine 0 at 4 (job 1 ready at 4),
    // machine 1 at 4 (job 0 ready since 3). Before its first job a machine names job n = 2.
    const std::vector<Call> expected = {{0, 0, 0, 0, 2}, {1, 0, 0, 0, 2}, {1, 1, 4, 4, 0}, {0, 1, 4, 3, 1}};
    EXPECT_EQ(calls, expected);
}

TEST(JobShopDispatcher, MachineMeansAreTheSetsDurationsPerMachineOverTheJobs) {
    Scheduler s = twoByTwo();
    s.jobShopSchedule(kSameForAll);
    EXPECT_EQ(s.machineMeanDuration.rows, 2);
    EXPECT_DOUBLE_EQ(s.machineMeanDuration.get(0), (3.0 + 1) / 2);
    EXPECT_DOUBLE_EQ(s.machineMeanDuration.get(1), (2.0 + 4) / 2);
}

TEST(JobShopDispatcher, EqualPrioritiesPickTheLowestIndex) {
    Scheduler s = shopOf(1, {{{2}}, {{2}}, {{2}}});
    s.jobShopSchedule(kSameForAll);
    EXPECT_EQ(scheduleRow(s), (std::vector<double>{0, 1, 2}));
}

TEST(JobShopDispatcher, GreatestPriorityWinsAndATieKeepsTheIncumbent) {
    Scheduler s = shopOf(1, {{{2}}, {{2}}, {{2}}});
    s.jobShopSchedule([](const Scheduler&, int, int job, int, double, double, int) { return job == 0 ? 0.0 : 1.0; });
    EXPECT_EQ(scheduleRow(s), (std::vector<double>{1, 2, 0}));
    s.jobShopSchedule([](const Scheduler&, int, int job, int, double, double, int) { return double(job); });
    EXPECT_EQ(scheduleRow(s), (std::vector<double>{2, 1, 0}));
}

TEST(JobShopDispatcher, UnreleasedJobIsNoCandidateAndTheMachineIdlesUntilARelease) {
    // Job 0 (1 unit) is released at 5, job 1 (2 units) at 0. Even a rule that wants job 0 gets
    // job 1 first; then the machine waits until 5.
    Scheduler s = shopOf(1, {{{1}, 100, 1, 5}, {{2}, 100, 1, 0}});
    std::vector<Call> calls;
    s.jobShopSchedule([&calls](const Scheduler&, int, int job, int operation, double time, double ready, int last) {
        calls.push_back({job, operation, time, ready, last});
        return job == 0 ? 10.0 : 1.0;
    });
    EXPECT_EQ(scheduleRow(s), (std::vector<double>{1, 0}));
    EXPECT_EQ(calls, (std::vector<Call>{{1, 0, 0, 0, 2}, {0, 0, 5, 5, 1}}));
    // Completions 6 and 2 over 3 units of work; flowtime counts from the release.
    EXPECT_DOUBLE_EQ(s.jobShopCriteria(), 6.0 / 3);
    EXPECT_DOUBLE_EQ(s.results.get(0, 6), ((6.0 - 5) + 2) / 2);
}

TEST(JobShopDispatcher, MachineThatCanStartEarlierIsServedFirst) {
    // Job 0 waits for machine 0 from 3, job 1 for machine 1 from 1: machine 1 goes first.
    Scheduler s = shopOf(2, {{{2, 1001}, 100, 1, 3}, {{1002, 1}, 100, 1, 1}});
    std::vector<Call> calls;
    s.jobShopSchedule(RecordingRule{&calls});
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), (Call{1, 0, 1, 1, 2}));
}

TEST(JobShopDispatcher, NegativeReleaseTimeHidesTheQueueAndLeavesTheSetUnscheduled) {
    // The earliest queued time -1 reads as "no job queued", so no machine can be chosen.
    Scheduler s = shopOf(1, {{{2}, 100, 1, -1}, {{3}, 100, 1, 0}});
    s.schedule = rowOf({7, 7});
    s.jobShopSchedule(kSameForAll);
    EXPECT_EQ(scheduleRow(s), (std::vector<double>{0, 0}));
}

TEST(JobShopDispatcher, SetWithoutJobsIsSkippedAndLeavesTheNextSetAlone) {
    Scheduler s = twice(twoByTwo());
    s.jobCount.set(0, 0.0);
    s.jobShopSchedule(kSameForAll);
    EXPECT_EQ(scheduleRow(s, 0), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(scheduleRow(s, 1), (std::vector<double>{0, 1, 1, 0}));
    s.jobShopCriteria();
    EXPECT_TRUE(std::isnan(s.results.get(0, 3)));  // nothing over nothing
    EXPECT_DOUBLE_EQ(s.results.get(1, 3), 0.6);
}

TEST(JobShopDispatcher, SetupTimesAreDrawnPerSetAndAddedBeforeEachOperation) {
    // Set 0 seeds the draws with 0: with max_length 10 and factor 1 the setup before a first
    // job 0 is 38 mod 10 + 1 = 9, before a first job 1 it is 8, from job 0 to job 1 it is 8
    // and from job 1 to job 0 it is 6.
    Scheduler s = shopOf(1, {{{3}}, {{4}}});
    s.hasSetups = 1;
    s.setupFactor = 1;
    s.maxLength = 10;
    s.jobShopSchedule(kSameForAll);
    EXPECT_EQ(scheduleRow(s), (std::vector<double>{0, 1}));
    EXPECT_DOUBLE_EQ(s.jobShopCriteria(), (9.0 + 3 + 8 + 4) / 7);
    s.jobShopSchedule([](const Scheduler&, int, int job, int, double, double, int) { return double(job); });
    EXPECT_EQ(scheduleRow(s), (std::vector<double>{1, 0}));
    EXPECT_DOUBLE_EQ(s.jobShopCriteria(), (8.0 + 4 + 6 + 3) / 7);
}

// --- the criteria replay

TEST(JobShopCriteria, ReplayOfTheExampleGivesAllSevenValues) {
    Scheduler s = twoByTwo();  // due dates 5 and 5, weights 1 and 2
    s.schedule = rowOf({0, 1, 1, 0});
    EXPECT_DOUBLE_EQ(s.jobShopCriteria(), 0.6);
    // Completions 6 and 5; job 0 is 1 late. g = 10 / 2 = 5, W = 3.
    const double expected[] = {1.0 / 15, 1.0 / 3, (6.0 + 2 * 5) / 15, 0.6, 0.5, 0.5, 5.5};
    ASSERT_EQ(s.results.rows, 2);
    ASSERT_EQ(s.results.cols, 7);
    for (int c = 0; c < 7; ++c) {
        EXPECT_DOUBLE_EQ(s.results.get(0, c), expected[c]) << c;
        EXPECT_DOUBLE_EQ(s.results.get(1, c), expected[c]) << c;
    }
}

TEST(JobShopCriteria, BlockingSequencesLeaveEveryOperationUnplayed) {
    // Both machines start with the job whose first operation is elsewhere.
    Scheduler s = twoByTwo(2, 1);
    s.schedule = rowOf({1, 0, 0, 1});
    EXPECT_DOUBLE_EQ(s.jobShopCriteria(), 2.0 / 10);  // each job completes at its release time
    EXPECT_DOUBLE_EQ(s.results.get(0, 2), 0.0);       // no flowtime at all
    EXPECT_DOUBLE_EQ(s.results.get(0, 6), 0.0);
}

TEST(JobShopCriteria, JobListedAfterItsLastOperationKeepsTheMachineWaiting) {
    // Machine 1 lists job 0 twice and never job 1: job 0 finishes at 5 on machine 1, then
    // machine 1 waits for good, and job 1 (first on machine 1) never starts.
    Scheduler s = twoByTwo();
    s.schedule = rowOf({0, 1, 0, 0});
    EXPECT_DOUBLE_EQ(s.jobShopCriteria(), 5.0 / 10);
    EXPECT_DOUBLE_EQ(s.results.get(0, 6), (5.0 + 0) / 2);
}

// --- schedule files

TEST(JobShopScheduleCheckDeath, JobsOfTheSetPass) {
    Scheduler s = twoByTwo();
    s.schedule = rowOf({1, 0, 1.9, 0});  // 1.9 is job 1
    EXPECT_EXIT(
        {
            s.checkJobShopSchedule("raspored_GP.txt");
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(JobShopScheduleCheckDeath, JobBeyondTheSetEndsTheRunNamingFileSetAndPosition) {
    Scheduler s = twoByTwo();
    s.schedule = rowOf({1, 0, 0, 2});
    EXPECT_EXIT(s.checkJobShopSchedule("raspored_GP.txt"), testing::ExitedWithCode(1),
                "Schedule file \"raspored_GP.txt\": set 0, position 3 \\(machine 1, place 1\\): 2 is not a job of the "
                "set, which has 2 jobs");
}

TEST(JobShopScheduleCheckDeath, NegativeJobOrNotANumberEndsTheRun) {
    Scheduler s = twoByTwo();
    s.schedule = rowOf({-1, 0, 1, 0});
    EXPECT_EXIT(s.checkJobShopSchedule("raspored_GP.txt"), testing::ExitedWithCode(1),
                "set 0, position 0 .*: -1 is not");
    s.schedule = rowOf({0, 1, NAN, 0});
    EXPECT_EXIT(s.checkJobShopSchedule("raspored_GP.txt"), testing::ExitedWithCode(1), "position 2 .*: nan is not");
}
