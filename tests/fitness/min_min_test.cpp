#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fitness_testing.h"

using namespace fitness_testing;

namespace {

// One unrelated set: times[j][k] is job j on machine k, released at releases[j]; due dates,
// weights and SP play no part in min-min.
CollectionBuilder unrelatedSet(const Table& times, const std::vector<double>& releases) {
    std::vector<double> layout;  // job by machine: column j x m + k
    for (const auto& job : times) layout.insert(layout.end(), job.begin(), job.end());
    return CollectionBuilder(Environment::Unrelated)
        .processing({layout})
        .machines({static_cast<double>(times[0].size())})
        .releases({releases});
}

Matrix minMinOf(const Collection& collection) { return madeBy(minMin, collection); }

struct Plan {
    const char* name;
    CollectionBuilder instance;
    std::vector<double> expected;
};

class MinMin : public ::testing::TestWithParam<Plan> {};

TEST_P(MinMin, PlansTheSmallestCompletionFirst) {
    EXPECT_EQ(rowOf(minMinOf(GetParam().instance)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, MinMin,
    ::testing::Values(
        // Pass 1: estimates 4, 3, 2, so job 2 goes to machine 1; pass 2: job 1 (3 on machine 0)
        // beats job 0 (4); pass 3: job 0 ends at 7 on machine 0, 8 on machine 1.
        Plan{"ReleasedTogetherTheSmallestCompletionGoesFirst", unrelatedSet({{4, 6}, {3, 3}, {5, 2}}, {0, 0, 0}),
             {1, 0, 1002}},
        Plan{"EqualEstimatesGoToTheLowerMachine", unrelatedSet({{5, 5}, {7, 7}}, {0, 0}), {0, 1001}},
        Plan{"EqualJobsGoHighestIndexFirst", unrelatedSet({{3}, {3}, {3}}, {0, 0, 0}), {2, 1, 0}},
        Plan{"EqualJobsGoLowestIndexFirstUnlessTheHighestIsAmongThem", unrelatedSet({{3}, {3}, {5}}, {0, 0, 0}),
             {0, 1, 2}},
        // At 0 the plan is job 0 over [0, 8], job 1 over [8, 20], job 2 from 20. Job 3 arrives at
        // 10: jobs 0 and 1 have started, job 2 is planned again behind the short newcomer.
        Plan{"StartedJobsStayAndTheRestIsPlannedAgainAtARelease", unrelatedSet({{8}, {12}, {15}, {1}}, {0, 0, 0, 10}),
             {0, 1, 3, 2}},
        // Job 1 would start at 10, the moment job 2 arrives: it is planned again, after job 2.
        Plan{"JobWhoseMachineIsFreeExactlyAtTheReleaseHasNotStarted", unrelatedSet({{10}, {20}, {1}}, {0, 0, 10}),
             {0, 2, 1}},
        // At 0: job 1 to machine 1 (3), job 0 to machine 0 (4), job 2 to machine 1 (3 + 5 = 8 < 4 +
        // 5). At 5 machine 0 has finished job 0 and idles; machine 1 has started both of its jobs, so
        // job 3 goes to machine 0 (5 + 1 against 8 + 1).
        Plan{"EachMachineCommitsOnlyWhatStartedOnIt", unrelatedSet({{4, 9}, {6, 3}, {5, 5}, {1, 1}}, {0, 0, 0, 5}),
             {0, 3, 1001, 1002}},
        // Machine 0 finishes job 0 at 4 and machine 1 job 1 at 5.5. Job 2 arrives at 5: on machine 0
        // it could end at 5 + 2 = 7, not 4 + 2, so machine 1 (5.5 + 1) takes it.
        Plan{"MachineIdleBeforeAReleaseIsFreeOnlyFromTheRelease", unrelatedSet({{4, 100}, {100, 5.5}, {2, 1}}, {0, 0, 5}),
             {0, 1001, 1002}},
        // p = (2, 5, 9) on one machine: at 0 job 0 (2 + 5) beats job 1 (5 + 9); at 1 job 1 comes second.
        Plan{"WithoutSetups", unrelatedSet({{2}, {5}, {9}}, {0, 0, 1}), {0, 1, 2}},
        // With factor 10, before a first job (5, 9, 2); after job 0: 40 before job 1, 30 before job
        // 2. At 1 job 0 has started and ends at 7; then job 2 (7 + 9 + 30) beats job 1 (7 + 5 + 40).
        Plan{"SetupsCountAfterTheMachinesLastStartedJob", unrelatedSet({{2}, {5}, {9}}, {0, 0, 1}).setups(10),
             {0, 2, 1}},
        // Setups with factor 1 come from the row's first three entries (1, 50, 10): before a first
        // job (50, 10, 1), (1, 0) = 49. Job 1 goes to machine 0 first (10 + 10), then job 0 behind it
        // (1 + 49 = 50 more, not the 51 it would take first on an empty machine), so job 2 ends at
        // 61 + 20 + 50 = 131 on machine 0 against 131.5 on machine 1.
        Plan{"SetupOfAPlannedJobFollowsTheJobPlannedBeforeIt",
             unrelatedSet({{1, 50}, {10, 60}, {60, 130.5}}, {0, 0, 0}).setups(1), {1, 0, 2}},
        // Job 1 after job 0 and job 2 after job 0: min-min still puts job 1 first, and no level is
        // asked for on unrelated machines.
        Plan{"PrecedenceConstraintsDoNotChangeTheSchedule",
             unrelatedSet({{4, 6}, {3, 3}, {5, 2}}, {0, 0, 0}).constraints({{0, 1, 2}}), {1, 0, 1002}}),
    [](const auto& info) { return info.param.name; });

TEST(MinMinSets, SetWithoutJobsKeepsAZeroRow) {
    // Set 0 has neither jobs nor machines; set 1 is the three-job example.
    const Collection collection = CollectionBuilder(Environment::Unrelated)
                                      .processing({{9, 9, 9, 9, 9, 9}, {4, 6, 3, 3, 5, 2}})
                                      .machines({0, 2})
                                      .jobs({0, 3})
                                      .releases({{0, 0, 0}, {0, 0, 0}});
    const Matrix schedule = minMinOf(collection);
    ASSERT_EQ(schedule.rows, 2);
    EXPECT_EQ(rowOf(schedule, 0), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(rowOf(schedule, 1), (std::vector<double>{1, 0, 1002}));
}

TEST(MinMinSets, WithoutReleaseTimesOrWithOneThatIsNotANumberTheRunEnds) {
    const Collection noReleases =
        CollectionBuilder(Environment::Unrelated).processing({{4, 6, 3, 3}}).machines({2});
    EXPECT_EXIT(minMinOf(noReleases), testing::ExitedWithCode(1),
                "^Assertion failed!\nfile: \\.\\\\scheduler\nline: 1049\n$");
    EXPECT_EXIT(minMinOf(unrelatedSet({{4, 6}, {3, 3}}, {0, std::nan("")})), testing::ExitedWithCode(1),
                "^Release times: set 0, job 1: the release time is not a number");
}

}  // namespace
