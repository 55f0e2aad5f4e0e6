// The nine priority rules of single and uniform machines, each checked against its formula
// with values worked out by hand for one candidate.
#include <gtest/gtest.h>

#include <cmath>

#include "fitness/scheduler.h"
#include "fitness/single_machine.h"
#include "fitness/single_machine_fixture.h"

using namespace single_machine_testing;

namespace {

// The candidate is job 0 of set 0: p = 4, d = 20, w = 2, released at 3, asked at time 1 on
// machine 1 after job 1. So wait = 2 and p' = 6. The setup after job 1 is 3. Machine 1 has
// speed factor v = 2, the inverse-speed sum is 1/1 + 1/2 = 1.5. Remaining mean K = 5, mean
// duration 4, mean setup 2, k1 = 5, k2 = 0.5, SP = 40.
class PriorityRules : public ::testing::Test {
protected:
    PriorityRules() : s(singleMachine({{4, 7}}, {{20, 30}})) {
        s.weights = table({{2, 1}});
        s.releaseTimes = table({{3, 0}});
        s.processingSum = table({{40}});
        s.setupTimes = table({{0, 1}, {3, 0}, {1, 1}});
        s.speeds = table({{1, 2}});
        s.inverseSpeedSum = 1.5;
        s.meanRemainingDuration = 5;
        s.meanDuration = 4;
        s.meanSetup = 2;
        s.atcsK1 = 5;
        s.atcsK2 = 0.5;
    }

    template <auto Rule>
    double single(int setups) {
        s.environment = Single;
        s.hasSetups = setups;
        return (s.*Rule)(0, 0, 1, 1.0, 1);
    }
    template <auto Rule>
    double uniform(int setups) {
        s.environment = Uniform;
        s.hasSetups = setups;
        return (s.*Rule)(0, 0, 1, 1.0, 1);
    }

    Scheduler s;
};

}  // namespace

TEST_F(PriorityRules, WSPT) {
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityWSPT>(0), 2.0 / 6);
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityWSPT>(1), 2.0 / 6 - 3.0 / (5 * 6));  // setup divided by p'
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityWSPT>(0), 0.5);                    // 2 * 1.5 / 6
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityWSPT>(1), 0.5 - 0.075);            // 3 * 1.5 / (5 * 2 * 6)
}

TEST_F(PriorityRules, RM) {
    // Single: slack 20 - 6 - 1 = 13 over 2K = 10; setup 3 / (5 * 4).
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityRM>(0), (2.0 / 6) * std::exp(-1.3));
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityRM>(1), (2.0 / 6) * std::exp(-1.3) - 0.15);
    // Uniform: slack on machine 1 is 20 - 6 * 2 - 1 = 7, times L / K = 0.3; setup 4.5 / (5 * 4 * 2).
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityRM>(0), 0.5 * std::exp(-2.1));
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityRM>(1), 0.5 * std::exp(-2.1) - 0.1125);
}

TEST_F(PriorityRules, XDRM) {
    // Single: w / p = 0.5; slack with plain p: 20 - 4 - 1 = 15 over 10; wait factor 1 - 2.3 * 2 / 5.
    EXPECT_NEAR(single<&Scheduler::priorityXDRM>(0), 0.5 * std::exp(-1.5) * 0.08, 1e-15);
    EXPECT_NEAR(single<&Scheduler::priorityXDRM>(1), 0.5 * std::exp(-1.5) * 0.08 - 0.15, 1e-15);
    // Uniform: w L / p = 0.75; slack 20 - 8 - 1 = 11 times 0.3; factor 1 - 31.3 * 2 * 1.5 / 5 = -17.78.
    EXPECT_NEAR(uniform<&Scheduler::priorityXDRM>(0), 0.75 * std::exp(-3.3) * -17.78, 1e-13);
    EXPECT_NEAR(uniform<&Scheduler::priorityXDRM>(1), 0.75 * std::exp(-3.3) * -17.78 - 0.1125, 1e-13);
}

TEST_F(PriorityRules, MONIsTheSameInBothEnvironments) {
    // 2 * (1 - 20 / 40) / 6; setup 3 / (5 * 4).
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityMON>(0), 1.0 / 6);
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityMON>(1), 1.0 / 6 - 0.15);
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityMON>(0), 1.0 / 6);
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityMON>(1), 1.0 / 6 - 0.15);
}

TEST_F(PriorityRules, SetupMakespan) {
    EXPECT_EQ(single<&Scheduler::prioritySetupMakespan>(0), 1.0);
    EXPECT_DOUBLE_EQ(single<&Scheduler::prioritySetupMakespan>(1), -0.15);
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::prioritySetupMakespan>(0), 4 / 1.5);           // longest first
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::prioritySetupMakespan>(1), 4 / 1.5 - 0.1125);  // 4.5 / (5 * 2 * 4)
}

TEST_F(PriorityRules, ATCSIsTheSameInBothEnvironments) {
    // Slack 13 over k1 * mean 20; the setup 3 over k2 * mean setup 1.
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityATCS>(0), (2.0 / 6) * std::exp(-0.65));
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityATCS>(1), (2.0 / 6) * std::exp(-0.65 - 3));
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityATCS>(0), (2.0 / 6) * std::exp(-0.65));
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityATCS>(1), (2.0 / 6) * std::exp(-0.65 - 3));
}

TEST_F(PriorityRules, EDDIsTheNegatedDueDate) {
    EXPECT_EQ(single<&Scheduler::priorityEDD>(0), -20.0);
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityEDD>(1), -20.15);
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityEDD>(1), -20.15);
}

TEST_F(PriorityRules, LNSAndHLFReadTheTablesOfTheSetInHand) {
    s.precedenceLists = table({{0, 2, 1}, {1, 0, 0}});
    s.levels = table({{11}, {7}});
    EXPECT_EQ(s.priorityLNS(0, 0, 1, 1.0, 0), 2.0);
    EXPECT_EQ(s.priorityLNS(0, 1, 1, 1.0, 0), 0.0);
    EXPECT_EQ(s.priorityHLF(0, 0, 1, 1.0, 0), 11.0);
    EXPECT_EQ(s.priorityHLF(0, 1, 1, 1.0, 0), 7.0);
}

// Without setups the setup term is not evaluated at all: no table is read, and a remaining
// mean of 0 cannot turn the priority into a not-a-number.
TEST_F(PriorityRules, SetupTermsAreNotEvaluatedWithoutSetups) {
    s.setupTimes = Matrix();
    s.meanRemainingDuration = 0;
    EXPECT_EQ(single<&Scheduler::priorityEDD>(0), -20.0);
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityWSPT>(0), 2.0 / 6);
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityMON>(0), 1.0 / 6);
    EXPECT_DOUBLE_EQ(uniform<&Scheduler::priorityWSPT>(0), 0.5);
    EXPECT_DOUBLE_EQ(single<&Scheduler::priorityATCS>(0), (2.0 / 6) * std::exp(-0.65));
}

TEST_F(PriorityRules, IdenticalCallsGiveIdenticalResults) {
    const double first = single<&Scheduler::priorityRM>(1);
    EXPECT_EQ(single<&Scheduler::priorityRM>(1), first);
}

// ---------------------------------------------------------------- edge cases of the formulas

TEST(PriorityRuleCases, WSPTWithoutAndWithARelease) {
    Scheduler s = singleMachine({{5}}, {{50}});
    s.weights = table({{3}});
    EXPECT_DOUBLE_EQ(s.priorityWSPT(0, 0, 1, 10.0, 0), 3.0 / 5);
    s.releaseTimes = table({{15}});
    EXPECT_DOUBLE_EQ(s.priorityWSPT(0, 0, 1, 10.0, 0), 3.0 / 10);  // wait 5, p' = 10
}

TEST(PriorityRuleCases, RMOfALateJobIsItsWeightPerEffectiveTime) {
    Scheduler s = singleMachine({{5}}, {{8}});
    s.meanRemainingDuration = 5;
    s.weights = table({{3}});
    EXPECT_DOUBLE_EQ(s.priorityRM(0, 0, 1, 4.0, 0), 3.0 / 5);  // 8 - 5 - 4 < 0
}

TEST(PriorityRuleCases, XDRMOfALongWaitIsNotPositive) {
    Scheduler s = singleMachine({{5}}, {{100}});
    s.meanRemainingDuration = 2.3;
    s.releaseTimes = table({{1}});
    EXPECT_EQ(s.priorityXDRM(0, 0, 1, 0.0, 0), 0.0);  // wait 1 = K / 2.3: factor 0
    s.releaseTimes = table({{2}});
    EXPECT_LT(s.priorityXDRM(0, 0, 1, 0.0, 0), 0.0);
}

TEST(PriorityRuleCases, LNSWithoutConstraintsGivesEveryJobZero) {
    Scheduler s = singleMachine({{1}}, {{1}});  // a single job: the widest table is one column
    std::vector<double> seen;
    s.listScheduleSingle([&seen](const Scheduler& sc, int set, int job, int previous, double time, int machine) {
        seen.push_back(sc.priorityLNS(set, job, previous, time, machine));
        seen.push_back(sc.priorityHLF(set, job, previous, time, machine));
        return 0.0;
    });
    EXPECT_EQ(seen, (std::vector<double>{0, 0, 0, 0}));
}

TEST(PriorityRuleCases, SetupMakespanWithoutSetupsKeepsTheIndexOrder) {
    Scheduler s = singleMachine({{9, 1, 5}}, {{1, 2, 3}});
    s.listScheduleSingle(RuleOf<&Scheduler::prioritySetupMakespan>{});
    EXPECT_EQ(sequence(s, 0, 3), (std::vector<int>{0, 1, 2}));
}

TEST(PriorityRuleCases, EDDDispatchesTheEarliestDueDateFirst) {
    Scheduler s = singleMachine({{1, 1, 1}}, {{30, 10, 20}});
    EXPECT_EQ(s.priorityEDD(0, 0, 3, 0.0, 0), -30.0);
    s.listScheduleSingle(RuleOf<&Scheduler::priorityEDD>{});
    EXPECT_EQ(sequence(s, 0, 3), (std::vector<int>{1, 2, 0}));
}
