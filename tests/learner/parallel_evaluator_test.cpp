// The parallel measurement of rules: the workers share the collection and each schedules one rule
// after another in its own workspace, yet every rule's totals are those of a schedule in a fresh
// workspace, bit for bit, whatever the number of threads.
#include <gtest/gtest.h>

#include <vector>

#include "learner/compiled_rule.h"
#include "learner/parallel_evaluator.h"
#include "learner/rule_scheduling.h"
#include "learner/variation.h"
#include "learning_collections.h"
#include "support/test_support.h"

TEST(ParallelEvaluator, EveryRuleGetsTheTotalsOfAScheduleInAFreshWorkspace) {
    for (const learning_testing::Definition& c : learning_testing::collections()) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        learning_testing::generateCollection(dir, c.definition, 71);
        const Collection collection = learning_testing::loadGenerated(dir);

        gp::RandomStream random(3);
        const gp::PrimitiveSet primitives(collection, {rules::Primitive::Add, rules::Primitive::Sub,
                                                       rules::Primitive::Mul, rules::Primitive::Div,
                                                       rules::Primitive::Max, rules::Primitive::Exp});
        const std::vector<rules::Tree> trees = gp::rampedHalfAndHalf(primitives, random, 120, 1, 5);
        std::vector<const rules::Tree*> pending;
        for (const rules::Tree& tree : trees) pending.push_back(&tree);

        std::vector<std::vector<double>> expected;
        for (const rules::Tree& tree : trees) {
            Workspace fresh(collection);
            rules::CompiledRule rule(tree, c.environment);
            const Matrix results = rules::criteriaOfRule(fresh, rule, rules::defaultScheme(c.environment));
            expected.emplace_back(results.rowData(results.rows - 1), results.rowData(results.rows - 1) + results.cols);
        }
        for (int threads : {1, 3}) {
            gp::ParallelEvaluator evaluator(collection, threads, rules::defaultScheme(c.environment));
            for (int round = 0; round < 2; ++round) {  // the same workers again
                std::vector<std::vector<double>> measured;
                evaluator.measure(pending, measured);
                ASSERT_EQ(measured.size(), trees.size());
                for (std::size_t i = 0; i < trees.size(); ++i)
                    EXPECT_EQ(measured[i], expected[i])
                        << threads << " thread(s): " << rules::toInfix(trees[i], c.environment);
            }
            EXPECT_GT(evaluator.candidatesRated(), 0u);
        }
    }
}
