#include <gtest/gtest.h>

#include <cmath>

#include "fitness/scheduler.h"

namespace {

// One set with one job of three operations: 4 units on machine 2, 6 on machine 0, 5 on
// machine 1. The rules are asked about position 1, where the remaining work is 11 with the
// operation and 5 after it. Machine 0, the machine of that operation, has mean duration 2.
class JobShopRules : public testing::Test {
protected:
    Scheduler s;
    static constexpr double kWeight = 2;

    void SetUp() override {
        s.environment = JobShop;
        s.hasWeights = 1;
        s.jobCount.init(1, 1);
        s.jobCount.set(0, 1.0);
        s.machineCount.init(1, 1);
        s.machineCount.set(0, 3.0);
        s.dueDates.init(1, 1);
        s.weights.init(1, 1);
        s.weights.set(0, 0, kWeight);
        s.operationDurations.init(1, 3);
        s.operationMachines.init(1, 3);
        const double durations[] = {4, 6, 5};
        const double machines[] = {2, 0, 1};
        for (int o = 0; o < 3; ++o) {
            s.operationDurations.set(0, o, durations[o]);
            s.operationMachines.set(0, o, machines[o]);
        }
        s.machineMeanDuration.init(3, 1);
        s.machineMeanDuration.set(0, 2.0);
        s.machineMeanDuration.set(1, 7.0);
        s.machineMeanDuration.set(2, 11.0);
        due(100);
    }

    void due(double d) { s.dueDates.set(0, 0, d); }

    // Every rule at position 1 with the machine free at `time` and the job ready at `ready`.
    double wspt(double time = 10, double ready = 10) const { return s.jobShopWSPT(0, 0, 1, time, ready, 1); }
    double wsptTwkr(double time = 10, double ready = 10) const { return s.jobShopWSPTTWKR(0, 0, 1, time, ready, 1); }
    double covert(double time = 10, double ready = 10) const { return s.jobShopCOVERT(0, 0, 1, time, ready, 1); }
    double slackTwkr(double time = 10, double ready = 10) const { return s.jobShopSlackTWKR(0, 0, 1, time, ready, 1); }
    double rm(double time = 10, double ready = 10) const { return s.jobShopRM(0, 0, 1, time, ready, 1); }
    double edd() const { return s.jobShopEDD(0, 0, 1, 10, 10, 1); }
    double wtwkr(double time = 10, double ready = 10) const { return s.jobShopWTWKR(0, 0, 1, time, ready, 1); }
};

}  // namespace

TEST_F(JobShopRules, ShortestAndRemainingWorkRulesWithoutWait) {
    EXPECT_DOUBLE_EQ(wspt(), kWeight / 6);
    EXPECT_DOUBLE_EQ(wsptTwkr(), kWeight * 11 / 6);
    EXPECT_DOUBLE_EQ(wtwkr(), kWeight / 11);
}

TEST_F(JobShopRules, CovertFactorIsOneWhenAlreadyLateByTheLeadTimeEstimate) {
    due(4 * 5 + 10 - 3);  // d - 4 R' - t = -3
    EXPECT_DOUBLE_EQ(covert(), kWeight / 6);
    due(4 * 5 + 10);  // exactly 0
    EXPECT_DOUBLE_EQ(covert(), kWeight / 6);
}

TEST_F(JobShopRules, CovertFactorFallsWithTheSlackAndStopsAtZero) {
    due(4 * 5 + 10 + 1);  // slack 1 over 0.5 x 5: factor 1 - 0.4
    EXPECT_DOUBLE_EQ(covert(), kWeight * 0.6 / 6);
    due(4 * 5 + 10 + 10);  // factor max(1 - 10 / 2.5, 0)
    EXPECT_EQ(covert(), 0.0);
}

TEST_F(JobShopRules, CovertOnALastOperationIsZero) {
    due(100);  // positive slack over no remaining work: infinite quotient
    EXPECT_EQ(s.jobShopCOVERT(0, 0, 2, 10, 10, 1), 0.0);
    due(5);  // no slack over no remaining work: 0 / 0
    EXPECT_EQ(s.jobShopCOVERT(0, 0, 2, 10, 10, 1), 0.0);
}

TEST_F(JobShopRules, RmLooksAheadWithTheMeanDurationOfTheOperationsMachine) {
    due(3 * 5 + 10 + 10);  // slack 10 over 10 x 2
    EXPECT_DOUBLE_EQ(rm(), kWeight * std::exp(-0.5) / 6);
    due(3 * 5 + 10 - 4);  // no slack: exp(0)
    EXPECT_DOUBLE_EQ(rm(), kWeight / 6);
}

TEST_F(JobShopRules, SlackOverRemainingWorkIgnoresTheDecisionTime) {
    due(33);
    EXPECT_DOUBLE_EQ(slackTwkr(), kWeight * 11 / (33 - 11));
    EXPECT_DOUBLE_EQ(slackTwkr(50, 50), kWeight * 11 / (33 - 11));
    due(5);  // negative slack, negative priority
    EXPECT_DOUBLE_EQ(slackTwkr(), kWeight * 11 / (5 - 11));
}

TEST_F(JobShopRules, EddIsTheNegatedDueDateWhateverTheWeight) {
    due(33);
    EXPECT_EQ(edd(), -33.0);
    s.weights.set(0, 0, 50);
    EXPECT_EQ(edd(), -33.0);
}

TEST_F(JobShopRules, WaitForTheJobIsAddedToDurationAndRemainingWork) {
    // Machine free at 10, job ready at 12: wait 2.
    due(4 * 5 + 10);
    EXPECT_DOUBLE_EQ(wspt(10, 12), kWeight / (6 + 2));
    EXPECT_DOUBLE_EQ(wsptTwkr(10, 12), kWeight * (2 + 11) / (2 + 6));
    EXPECT_DOUBLE_EQ(covert(10, 12), kWeight * 1 / (6 + 2));
    EXPECT_DOUBLE_EQ(wtwkr(10, 12), kWeight / (2 + 11));
    due(33);
    EXPECT_DOUBLE_EQ(slackTwkr(10, 12), kWeight * 13 / (33 - 13));
    due(3 * 5 + 10 + 10);
    EXPECT_DOUBLE_EQ(rm(10, 12), kWeight * std::exp(-0.5) / (6 + 2));
}

TEST_F(JobShopRules, JobReadyBeforeTheMachineMeansNoWait) {
    EXPECT_DOUBLE_EQ(wspt(10, 3), kWeight / 6);
    EXPECT_DOUBLE_EQ(wtwkr(10, 3), kWeight / 11);
}

TEST_F(JobShopRules, WithoutWeightsEveryJobWeighsOne) {
    s.hasWeights = 0;  // the table still holds 2
    due(4 * 5 + 10 + 1);
    EXPECT_DOUBLE_EQ(wspt(), 1.0 / 6);
    EXPECT_DOUBLE_EQ(wsptTwkr(), 11.0 / 6);
    EXPECT_DOUBLE_EQ(covert(), 0.6 / 6);
    EXPECT_DOUBLE_EQ(wtwkr(), 1.0 / 11);
    EXPECT_DOUBLE_EQ(slackTwkr(), 11.0 / (31 - 11));
    due(3 * 5 + 10 + 10);
    EXPECT_DOUBLE_EQ(rm(), std::exp(-0.5) / 6);
    EXPECT_EQ(edd(), -35.0);
}
