// The seven job-shop rules, each checked against its formula with values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "fitness/rules.h"
#include "fitness_testing.h"

using namespace fitness_testing;

namespace {

using Rule = double (*)(const ShopDecision&, int);

constexpr double kWeight = 2;

// One set with one job of three operations: 4 units on machine 2, 6 on machine 0, 5 on machine 1.
// The rules are asked about position 1 (where the remaining work is 11 with the operation and 5
// after it) or 2, the last one. Machine 0, the machine of position 1, has mean duration 2.
struct Moment {
    const char* name;
    Rule rule;
    double due;
    double expected;
    double time = 10;
    double ready = 10;
    bool weighted = true;
    int position = 1;
};

class JobShopRules : public ::testing::TestWithParam<Moment> {};

TEST_P(JobShopRules, GiveTheirFormulasValue) {
    const Moment& c = GetParam();
    CollectionBuilder instance(Environment::JobShop);
    instance.processing({{2004, 6, 1005}}).machines({3}).due({{c.due}});
    if (c.weighted) instance.weights({{kWeight}});
    const Collection collection = instance;
    Workspace work(collection);
    work.takeShopSet(0, 1, 3);
    const double machineMeans[] = {2, 7, 11};
    work.rows.machineMeans = machineMeans;
    const int nextOperation[] = {c.position};
    const double jobReady[] = {c.ready};
    const double priority = c.rule(ShopDecision{work, c.time, 1, nextOperation, jobReady}, 0);
    if (c.expected == 0 || std::isinf(c.expected))
        EXPECT_EQ(priority, c.expected);
    else
        EXPECT_DOUBLE_EQ(priority, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, JobShopRules,
    ::testing::Values(
        Moment{"ShortestFirst", jobShopWSPT, 100, kWeight / 6},
        Moment{"ShortestOverRemainingWork", jobShopWSPTTWKR, 100, kWeight * 11 / 6},
        Moment{"WeightOverRemainingWork", jobShopWTWKR, 100, kWeight / 11},
        // COVERT's factor is 1 when the job is late by the lead-time estimate d - 4 R' - t.
        Moment{"CovertLate", jobShopCOVERT, 4 * 5 + 10 - 3, kWeight / 6},
        Moment{"CovertJustLate", jobShopCOVERT, 4 * 5 + 10, kWeight / 6},
        Moment{"CovertFallsWithTheSlack", jobShopCOVERT, 4 * 5 + 10 + 1, kWeight * 0.6 / 6},  // 1 - 1 / 2.5
        Moment{"CovertStopsAtZero", jobShopCOVERT, 4 * 5 + 10 + 10, 0},                      // max(1 - 10 / 2.5, 0)
        // On a last operation a positive slack over no remaining work is infinite, no slack 0 / 0.
        Moment{"CovertOnALastOperation", jobShopCOVERT, 100, 0, 10, 10, true, 2},
        Moment{"CovertOnALastOperationWithoutSlack", jobShopCOVERT, 5, 0, 10, 10, true, 2},
        // RM looks ahead with the mean duration of the operation's machine: slack 10 over 10 x 2.
        Moment{"RmLooksAhead", jobShopRM, 3 * 5 + 10 + 10, kWeight * std::exp(-0.5) / 6},
        Moment{"RmWithoutSlack", jobShopRM, 3 * 5 + 10 - 4, kWeight / 6},
        // SLACK/TWKR ignores the decision time; a negative slack gives a negative priority.
        Moment{"SlackOverRemainingWork", jobShopSlackTWKR, 33, kWeight * 11 / (33 - 11)},
        Moment{"SlackOverRemainingWorkLater", jobShopSlackTWKR, 33, kWeight * 11 / (33 - 11), 50, 50},
        Moment{"SlackOverRemainingWorkNegative", jobShopSlackTWKR, 5, kWeight * 11 / (5 - 11)},
        Moment{"EddIsTheNegatedDueDate", jobShopEDD, 33, -33},
        // The machine is free at 10, the job ready at 12: a wait of 2.
        Moment{"WaitAddsToTheDuration", jobShopWSPT, 4 * 5 + 10, kWeight / (6 + 2), 10, 12},
        Moment{"WaitAddsToBoth", jobShopWSPTTWKR, 4 * 5 + 10, kWeight * (2 + 11) / (2 + 6), 10, 12},
        Moment{"WaitCovert", jobShopCOVERT, 4 * 5 + 10, kWeight * 1 / (6 + 2), 10, 12},
        Moment{"WaitRemainingWork", jobShopWTWKR, 4 * 5 + 10, kWeight / (2 + 11), 10, 12},
        Moment{"WaitSlack", jobShopSlackTWKR, 33, kWeight * 13 / (33 - 13), 10, 12},
        Moment{"WaitRm", jobShopRM, 3 * 5 + 10 + 10, kWeight * std::exp(-0.5) / (6 + 2), 10, 12},
        // A job ready before the machine waits for nothing.
        Moment{"ReadyEarlier", jobShopWSPT, 100, kWeight / 6, 10, 3},
        Moment{"ReadyEarlierRemainingWork", jobShopWTWKR, 100, kWeight / 11, 10, 3},
        // Without weights every job weighs 1.
        Moment{"UnweightedShortest", jobShopWSPT, 31, 1.0 / 6, 10, 10, false},
        Moment{"UnweightedShortestOverRemaining", jobShopWSPTTWKR, 31, 11.0 / 6, 10, 10, false},
        Moment{"UnweightedCovert", jobShopCOVERT, 31, 0.6 / 6, 10, 10, false},
        Moment{"UnweightedRemainingWork", jobShopWTWKR, 31, 1.0 / 11, 10, 10, false},
        Moment{"UnweightedSlack", jobShopSlackTWKR, 31, 11.0 / (31 - 11), 10, 10, false},
        Moment{"UnweightedRm", jobShopRM, 35, std::exp(-0.5) / 6, 10, 10, false},
        Moment{"UnweightedEdd", jobShopEDD, 35, -35, 10, 10, false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
