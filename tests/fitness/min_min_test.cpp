#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fitness/scheduler.h"

namespace {

// One row per set.
Matrix tableOf(const std::vector<std::vector<double>>& rows) {
    Matrix m;
    m.initZero(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (int i = 0; i < m.rows; ++i)
        for (int j = 0; j < m.cols; ++j) m.set(i, j, rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);
    return m;
}

Matrix oneRow(const std::vector<double>& values) { return tableOf({values}); }

// One unrelated set: times[j][k] is job j on machine k, released at releases[j]; due dates,
// weights and SP play no part in min-min.
Scheduler unrelatedSet(const std::vector<std::vector<double>>& times, const std::vector<double>& releases) {
    Scheduler s;
    s.environment = Unrelated;
    const int n = static_cast<int>(times.size());
    const int m = static_cast<int>(times[0].size());
    std::vector<double> layout;  // job by machine: column j x m + k
    for (const auto& job : times) layout.insert(layout.end(), job.begin(), job.end());
    s.jobCount = oneRow({static_cast<double>(n)});
    s.machineCount = oneRow({static_cast<double>(m)});
    s.processingTimes = oneRow(layout);
    s.dueDates = oneRow(std::vector<double>(times.size(), 100.0));
    s.weights = oneRow(std::vector<double>(times.size(), 1.0));
    s.releaseTimes = oneRow(releases);
    s.constraints = oneRow(std::vector<double>(times.size(), 0.0));
    s.processingSum = oneRow({1});
    s.hasReleaseTimes = 1;
    return s;
}

std::vector<double> minMinRow(Scheduler& s) {
    s.minMin();
    std::vector<double> row;
    for (int q = 0; q < s.schedule.cols; ++q) row.push_back(s.schedule.get(0, q));
    return row;
}

}  // namespace

TEST(MinMin, ReleasedTogetherTheSmallestCompletionGoesFirst) {
    // Pass 1: estimates 4, 3, 2, so job 2 goes to machine 1; pass 2: job 1 (3 on machine 0)
    // beats job 0 (4); pass 3: job 0 ends at 7 on machine 0, 8 on machine 1.
    Scheduler s = unrelatedSet({{4, 6}, {3, 3}, {5, 2}}, {0, 0, 0});
    EXPECT_EQ(minMinRow(s), (std::vector<double>{1, 0, 1002}));
}

TEST(MinMin, EqualEstimatesGoToTheLowerMachine) {
    Scheduler s = unrelatedSet({{5, 5}, {7, 7}}, {0, 0});
    EXPECT_EQ(minMinRow(s), (std::vector<double>{0, 1001}));
}

TEST(MinMin, EqualJobsGoHighestIndexFirstOnlyWhenItIsAmongTheSmallest) {
    Scheduler all = unrelatedSet({{3}, {3}, {3}}, {0, 0, 0});
    EXPECT_EQ(minMinRow(all), (std::vector<double>{2, 1, 0}));

    Scheduler notLast = unrelatedSet({{3}, {3}, {5}}, {0, 0, 0});
    EXPECT_EQ(minMinRow(notLast), (std::vector<double>{0, 1, 2}));
}

TEST(MinMin, StartedJobsStayAndTheRestIsPlannedAgainAtARelease) {
    // At 0 the plan is job 0 over [0, 8], job 1 over [8, 20], job 2 from 20. Job 3 arrives at
    // 10: jobs 0 and 1 have started, job 2 is planned again behind the short newcomer.
    Scheduler s = unrelatedSet({{8}, {12}, {15}, {1}}, {0, 0, 0, 10});
    EXPECT_EQ(minMinRow(s), (std::vector<double>{0, 1, 3, 2}));
}

TEST(MinMin, JobWhoseMachineIsFreeExactlyAtTheReleaseHasNotStarted) {
    // Job 1 would start at 10, the moment job 2 arrives: it is planned again, after job 2.
    Scheduler s = unrelatedSet({{10}, {20}, {1}}, {0, 0, 10});
    EXPECT_EQ(minMinRow(s), (std::vector<double>{0, 2, 1}));
}

TEST(MinMin, EachMachineCommitsOnlyWhatStartedOnIt) {
    // At 0: job 1 to machine 1 (3), job 0 to machine 0 (4), job 2 to machine 1 (3 + 5 = 8 < 4 +
    // 5). At 5 machine 0 has finished job 0 and idles; machine 1 has started both of its jobs, so
    // job 3 goes to machine 0 (5 + 1 against 8 + 1).
    Scheduler s = unrelatedSet({{4, 9}, {6, 3}, {5, 5}, {1, 1}}, {0, 0, 0, 5});
    EXPECT_EQ(minMinRow(s), (std::vector<double>{0, 3, 1001, 1002}));
}

TEST(MinMin, MachineIdleBeforeAReleaseIsFreeOnlyFromTheRelease) {
    // Machine 0 finishes job 0 at 4 and machine 1 job 1 at 5.5. Job 2 arrives at 5: on machine 0
    // it could end at 5 + 2 = 7, not 4 + 2, so machine 1 (5.5 + 1) takes it.
    Scheduler s = unrelatedSet({{4, 100}, {100, 5.5}, {2, 1}}, {0, 0, 5});
    EXPECT_EQ(minMinRow(s), (std::vector<double>{0, 1001, 1002}));
}

TEST(MinMin, SetupsCountAfterTheMachinesLastStartedJob) {
    // p = (2, 5, 9) on one machine, setup factor 10: before a first job (5, 9, 2); after job 0:
    // 40 before job 1, 30 before job 2. At 0 job 0 (2 + 5) beats job 1 (5 + 9). At 1 job 0 has
    // started and ends at 7; then job 2 (7 + 9 + 30) beats job 1 (7 + 5 + 40).
    Scheduler s = unrelatedSet({{2}, {5}, {9}}, {0, 0, 1});
    EXPECT_EQ(minMinRow(s), (std::vector<double>{0, 1, 2})) << "without setups job 1 comes second";
    s.hasSetups = 1;
    s.setupFactor = 10;
    EXPECT_EQ(minMinRow(s), (std::vector<double>{0, 2, 1}));
}

TEST(MinMin, SetupOfAPlannedJobFollowsTheJobPlannedBeforeIt) {
    // Setups with factor 1 come from the row's first three entries (1, 50, 10): before a first
    // job (50, 10, 1), (1, 0) = 49. Job 1 goes to machine 0 first (10 + 10), then job 0 behind it
    // (1 + 49 = 50 more, not the 51 it would take first on an empty machine), so job 2 ends at
    // 61 + 20 + 50 = 131 on machine 0 against 131.5 on machine 1.
    Scheduler s = unrelatedSet({{1, 50}, {10, 60}, {60, 130.5}}, {0, 0, 0});
    s.hasSetups = 1;
    s.setupFactor = 1;
    EXPECT_EQ(minMinRow(s), (std::vector<double>{1, 0, 2}));
}

TEST(MinMin, PrecedenceConstraintsDoNotChangeTheSchedule) {
    // Job 1 after job 0 and job 2 after job 0: min-min still puts job 1 first, and no level is
    // asked for on unrelated machines.
    Scheduler s = unrelatedSet({{4, 6}, {3, 3}, {5, 2}}, {0, 0, 0});
    s.hasConstraints = 1;
    s.constraints = oneRow({0, 1, 2});
    EXPECT_EQ(minMinRow(s), (std::vector<double>{1, 0, 1002}));
}

TEST(MinMin, SetWithoutJobsKeepsAZeroRow) {
    // Set 0 has neither jobs nor machines; set 1 is the three-job example.
    Scheduler s = unrelatedSet({{4, 6}, {3, 3}, {5, 2}}, {0, 0, 0});
    s.jobCount = tableOf({{0}, {3}});
    s.machineCount = tableOf({{0}, {2}});
    s.processingTimes = tableOf({{9, 9, 9, 9, 9, 9}, {4, 6, 3, 3, 5, 2}});
    s.releaseTimes = tableOf({{0, 0, 0}, {0, 0, 0}});
    s.dueDates = s.weights = s.releaseTimes;
    s.minMin();
    ASSERT_EQ(s.schedule.rows, 2);
    for (int q = 0; q < 3; ++q) EXPECT_EQ(s.schedule.get(0, q), 0.0);
    EXPECT_EQ(s.schedule.get(1, 0), 1.0);
    EXPECT_EQ(s.schedule.get(1, 1), 0.0);
    EXPECT_EQ(s.schedule.get(1, 2), 1002.0);
}

TEST(MinMin, WithoutReleaseTimesTheRunEndsWithItsAssertion) {
    Scheduler s = unrelatedSet({{4, 6}, {3, 3}}, {0, 0});
    s.hasReleaseTimes = 0;
    EXPECT_EXIT(s.minMin(), testing::ExitedWithCode(1), "^Assertion failed!\nfile: \\.\\\\scheduler\nline: 1049\n$");
}

TEST(MinMin, ReleaseTimeThatIsNotANumberEndsTheRun) {
    Scheduler s = unrelatedSet({{4, 6}, {3, 3}}, {0, std::nan("")});
    EXPECT_EXIT(s.minMin(), testing::ExitedWithCode(1), "^Release times: set 0, job 1: the release time is not a number");
}
