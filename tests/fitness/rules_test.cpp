// The nine priority rules of single and uniform machines, each checked against its formula
// with values worked out by hand for one candidate.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fitness/rules.h"
#include "fitness_testing.h"

using namespace fitness_testing;

namespace {

using Rule = double (*)(const ListDecision&, int);

// The candidate is job 0 of set 0: p = 4, d = 20, w = 2, released at 3, asked at time 1 on
// machine 1 after job 1. So wait = 2 and p' = 6. The setup after job 1 is 3. Machine 1 has
// speed factor v = 2, the inverse-speed sum is 1/1 + 1/2 = 1.5. Remaining mean K = 5, mean
// duration 4, mean setup 2, k1 = 5, k2 = 0.5, SP = 40.
double priorityOfJob0(Rule rule, Environment environment, bool setups) {
    CollectionBuilder instance(environment);
    instance.processing({{4, 7}}).due({{20, 30}}).weights({{2, 1}}).releases({{3, 0}}).sums({{40}}).speeds({{1, 2}});
    if (setups) instance.setups(1);
    const Collection collection = instance;
    Workspace work(collection);
    work.takeListSet(0, 2, 2);
    work.setupTimes = testing_support::table({{0, 1}, {3, 0}, {1, 1}});
    work.inverseSpeedSum = 1.5;
    work.meanRemainingDuration = 5;
    work.meanDuration = 4;
    work.meanSetup = 2;
    work.atcsK1 = 5;
    work.atcsK2 = 0.5;
    return rule(ListDecision{work, 1, 1.0, 1}, 0);
}

struct Formula {
    const char* name;
    Rule rule;
    Environment environment;
    bool setups;
    double expected;
    double tolerance = 0;  // 0: equal to four units in the last place
};

class PriorityRules : public ::testing::TestWithParam<Formula> {};

TEST_P(PriorityRules, GiveTheirFormulasValue) {
    const Formula& f = GetParam();
    const double priority = priorityOfJob0(f.rule, f.environment, f.setups);
    if (f.tolerance > 0)
        EXPECT_NEAR(priority, f.expected, f.tolerance);
    else
        EXPECT_DOUBLE_EQ(priority, f.expected);
    EXPECT_EQ(priorityOfJob0(f.rule, f.environment, f.setups), priority) << "the same call, the same value";
}

constexpr Environment kSingle = Environment::Single;
constexpr Environment kUniform = Environment::Uniform;

INSTANTIATE_TEST_SUITE_P(
    Formulas, PriorityRules,
    ::testing::Values(
        Formula{"WSPT", priorityWSPT, kSingle, false, 2.0 / 6},
        Formula{"WSPTSetupOverEffectiveTime", priorityWSPT, kSingle, true, 2.0 / 6 - 3.0 / (5 * 6)},
        Formula{"WSPTUniform", priorityWSPT, kUniform, false, 0.5},                    // 2 * 1.5 / 6
        Formula{"WSPTUniformSetup", priorityWSPT, kUniform, true, 0.5 - 0.075},        // 3 * 1.5 / (5 * 2 * 6)
        // Single: slack 20 - 6 - 1 = 13 over 2K = 10; setup 3 / (5 * 4).
        Formula{"RM", priorityRM, kSingle, false, (2.0 / 6) * std::exp(-1.3)},
        Formula{"RMSetup", priorityRM, kSingle, true, (2.0 / 6) * std::exp(-1.3) - 0.15},
        // Uniform: slack on machine 1 is 20 - 6 * 2 - 1 = 7, times L / K = 0.3; setup 4.5 / (5 * 4 * 2).
        Formula{"RMUniform", priorityRM, kUniform, false, 0.5 * std::exp(-2.1)},
        Formula{"RMUniformSetup", priorityRM, kUniform, true, 0.5 * std::exp(-2.1) - 0.1125},
        // Single: w / p = 0.5; slack with plain p: 20 - 4 - 1 = 15 over 10; wait factor 1 - 2.3 * 2 / 5.
        Formula{"XDRM", priorityXDRM, kSingle, false, 0.5 * std::exp(-1.5) * 0.08, 1e-15},
        Formula{"XDRMSetup", priorityXDRM, kSingle, true, 0.5 * std::exp(-1.5) * 0.08 - 0.15, 1e-15},
        // Uniform: w L / p = 0.75; slack 20 - 8 - 1 = 11 times 0.3; factor 1 - 31.3 * 2 * 1.5 / 5 = -17.78.
        Formula{"XDRMUniform", priorityXDRM, kUniform, false, 0.75 * std::exp(-3.3) * -17.78, 1e-13},
        Formula{"XDRMUniformSetup", priorityXDRM, kUniform, true, 0.75 * std::exp(-3.3) * -17.78 - 0.1125, 1e-13},
        // 2 * (1 - 20 / 40) / 6; setup 3 / (5 * 4); the same in both environments.
        Formula{"MON", priorityMON, kSingle, false, 1.0 / 6},
        Formula{"MONSetup", priorityMON, kSingle, true, 1.0 / 6 - 0.15},
        Formula{"MONUniform", priorityMON, kUniform, false, 1.0 / 6},
        Formula{"MONUniformSetup", priorityMON, kUniform, true, 1.0 / 6 - 0.15},
        Formula{"SetupMakespan", prioritySetupMakespan, kSingle, false, 1.0},
        Formula{"SetupMakespanSetup", prioritySetupMakespan, kSingle, true, -0.15},
        Formula{"SetupMakespanUniformLongestFirst", prioritySetupMakespan, kUniform, false, 4 / 1.5},
        Formula{"SetupMakespanUniformSetup", prioritySetupMakespan, kUniform, true, 4 / 1.5 - 0.1125},
        // Slack 13 over k1 * mean 20; the setup 3 over k2 * mean setup 1; the same in both environments.
        Formula{"ATCS", priorityATCS, kSingle, false, (2.0 / 6) * std::exp(-0.65)},
        Formula{"ATCSSetup", priorityATCS, kSingle, true, (2.0 / 6) * std::exp(-0.65 - 3)},
        Formula{"ATCSUniform", priorityATCS, kUniform, false, (2.0 / 6) * std::exp(-0.65)},
        Formula{"ATCSUniformSetup", priorityATCS, kUniform, true, (2.0 / 6) * std::exp(-0.65 - 3)},
        Formula{"EDDIsTheNegatedDueDate", priorityEDD, kSingle, false, -20.0},
        Formula{"EDDSetup", priorityEDD, kSingle, true, -20.15},
        Formula{"EDDUniformSetup", priorityEDD, kUniform, true, -20.15}),
    [](const auto& info) { return info.param.name; });

// Without setups the setup term is not evaluated at all: no table is read, and a remaining
// mean of 0 cannot turn the priority into a not-a-number.
TEST(PriorityRuleCases, SetupTermsAreNotEvaluatedWithoutSetups) {
    for (const Environment environment : {kSingle, kUniform}) {
        const Collection collection = CollectionBuilder(environment)
                                          .processing({{4, 7}})
                                          .due({{20, 30}})
                                          .weights({{2, 1}})
                                          .releases({{3, 0}})
                                          .sums({{40}})
                                          .speeds({{1, 2}});
        Workspace work(collection);
        work.takeListSet(0, 2, 2);
        work.inverseSpeedSum = 1.5;
        work.meanDuration = 4;
        work.atcsK1 = 5;
        const ListDecision at{work, 1, 1.0, 1};
        EXPECT_EQ(priorityEDD(at, 0), -20.0);
        EXPECT_DOUBLE_EQ(priorityWSPT(at, 0), environment == kSingle ? 2.0 / 6 : 0.5);
        EXPECT_DOUBLE_EQ(priorityMON(at, 0), 1.0 / 6);
        EXPECT_DOUBLE_EQ(priorityATCS(at, 0), (2.0 / 6) * std::exp(-0.65));
    }
}

// ---------------------------------------------------------------- edge cases of the formulas

// The priority of job 0 of a one-job set at `time`, with the workspace's remaining mean K.
double priorityAt(Rule rule, const Collection& collection, double time, double K) {
    Workspace work(collection);
    work.takeListSet(0, 1, 1);
    work.meanRemainingDuration = K;
    return rule(ListDecision{work, 1, time, 0}, 0);
}

TEST(PriorityRuleCases, WSPTWithoutAndWithARelease) {
    const CollectionBuilder job = singleMachine({{5}}, {{50}}).weights({{3}});
    EXPECT_DOUBLE_EQ(priorityAt(priorityWSPT, job, 10.0, 1), 3.0 / 5);
    CollectionBuilder released = job;
    EXPECT_DOUBLE_EQ(priorityAt(priorityWSPT, released.releases({{15}}), 10.0, 1), 3.0 / 10);  // wait 5, p' = 10
}

TEST(PriorityRuleCases, RMOfALateJobIsItsWeightPerEffectiveTime) {
    EXPECT_DOUBLE_EQ(priorityAt(priorityRM, singleMachine({{5}}, {{8}}).weights({{3}}), 4.0, 5), 3.0 / 5);  // 8 - 5 - 4 < 0
}

TEST(PriorityRuleCases, XDRMOfALongWaitIsNotPositive) {
    EXPECT_EQ(priorityAt(priorityXDRM, singleMachine({{5}}, {{100}}).releases({{1}}), 0.0, 2.3), 0.0);  // wait = K / 2.3
    EXPECT_LT(priorityAt(priorityXDRM, singleMachine({{5}}, {{100}}).releases({{2}}), 0.0, 2.3), 0.0);
}

TEST(PriorityRuleCases, LNSAndHLFReadTheTablesOfTheSetInHandAndAreZeroWithoutConstraints) {
    const Collection collection = singleMachine({{1, 1}}, {{1, 1}});
    Workspace work(collection);
    const ListDecision at{work, 2, 0.0, 0};
    EXPECT_EQ(priorityLNS(at, 1), 0.0);
    EXPECT_EQ(priorityHLF(at, 1), 0.0);
    work.precedenceLists = testing_support::table({{0, 2, 1}, {1, 0, 0}});
    work.levels = testing_support::table({{11}, {7}});
    EXPECT_EQ(priorityLNS(at, 0), 2.0);
    EXPECT_EQ(priorityLNS(at, 1), 0.0);
    EXPECT_EQ(priorityHLF(at, 0), 11.0);
    EXPECT_EQ(priorityHLF(at, 1), 7.0);
}

TEST(PriorityRuleCases, SetupMakespanWithoutSetupsKeepsTheIndexOrderAndEDDTakesTheEarliestDueDate) {
    const Matrix makespan = scheduled(singleMachine({{9, 1, 5}}, {{1, 2, 3}}).build(), RuleOf<prioritySetupMakespan>{});
    EXPECT_EQ(sequence(makespan, 0, 3), (std::vector<int>{0, 1, 2}));
    const Matrix edd = scheduled(singleMachine({{1, 1, 1}}, {{30, 10, 20}}).build(), RuleOf<priorityEDD>{});
    EXPECT_EQ(sequence(edd, 0, 3), (std::vector<int>{1, 2, 0}));
}

}  // namespace
