// The Nwt repair of the earliest-due-date order.
#include <gtest/gtest.h>

#include <vector>

#include "fitness/single_machine_fixture.h"

using namespace single_machine_testing;

namespace {

std::vector<int> repaired(Scheduler s) {
    s.nwt();
    return sequence(s, 0, s.jobsIn(0));
}

}  // namespace

TEST(Nwt, AllOnTimeKeepsTheDueDateOrder) {
    EXPECT_EQ(repaired(singleMachine({{1, 2, 1}}, {{9, 3, 1}})), (std::vector<int>{2, 1, 0}));
}

TEST(Nwt, TheEarlierOfEqualRatiosIsTakenOut) {
    // Due-date order 0, 1, 2 ends at 2, 4, 6; job 2 (due 5) is late. Jobs 0 and 1 share the
    // smallest ratio 1/2: job 0 goes to the end, job 2 ends at 4 and is on time.
    Scheduler s = singleMachine({{2, 2, 2}}, {{2, 4, 5}});
    s.weights = table({{1, 1, 5}});
    EXPECT_EQ(repaired(s), (std::vector<int>{1, 2, 0}));
}

TEST(Nwt, ALateJobWithTheSmallestRatioStaysAtTheEnd) {
    // Only the last job is late, and it has the smallest ratio 1/5: the kept sequence is 0, 1.
    EXPECT_EQ(repaired(singleMachine({{1, 1, 5}}, {{1, 2, 3}})), (std::vector<int>{0, 1, 2}));
}

TEST(Nwt, TheLateJobIsExaminedAgainAfterAnEarlierOneLeaves) {
    // a (p 4, d 4, w 1) then b (p 4, d 6, w 4): b ends late at 8; a (ratio 0.25) is taken out
    // and b, now ending at 4, is on time.
    Scheduler s = singleMachine({{4, 4}}, {{4, 6}});
    s.weights = table({{1, 4}});
    EXPECT_EQ(repaired(s), (std::vector<int>{1, 0}));
}

TEST(Nwt, TheJobTakenOutLastStandsFirstBehindTheKeptOnes) {
    // Order 0..3, each p 3. Job 1 ends late at 6 (due 4): job 0 (ratio 1/3) leaves. Job 2 ends
    // late at 6 (due 5): job 1 (ratio 2/3) leaves. Jobs 2 and 3 are then on time.
    Scheduler s = singleMachine({{3, 3, 3, 3}}, {{3, 4, 5, 20}});
    s.weights = table({{1, 2, 3, 4}});
    EXPECT_EQ(repaired(s), (std::vector<int>{2, 3, 1, 0}));
}

TEST(Nwt, EverySetIsRepairedAndAnEmptySetIsLeftAlone) {
    Scheduler s = singleMachine({{4, 4}, {9, 9}, {4, 4}}, {{4, 6}, {0, 0}, {8, 8}});
    s.weights = table({{1, 4}, {1, 1}, {1, 1}});
    s.jobCount.set(1, 0.0);
    s.nwt();
    EXPECT_EQ(sequence(s, 0, 2), (std::vector<int>{1, 0}));
    EXPECT_EQ(sequence(s, 2, 2), (std::vector<int>{0, 1}));
}
