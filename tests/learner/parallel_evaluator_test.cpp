// The parallel measurement of rules: each worker schedules one rule after another on its own copy
// of the collection, yet every rule's totals are those of a schedule on the untouched collection,
// bit for bit, whatever the number of threads.
#include <gtest/gtest.h>

#include <vector>

#include "learner/compiled_rule.h"
#include "learner/parallel_evaluator.h"
#include "learner/rule_scheduling.h"
#include "learner/variation.h"
#include "learning_collections.h"
#include "support/test_support.h"

TEST(ParallelEvaluator, EveryRuleGetsTheTotalsOfAScheduleOnTheUntouchedCollection) {
    for (const learning_testing::Collection& c : learning_testing::collections()) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        learning_testing::generateCollection(dir, c.definition, 71);
        const Scheduler collection = learning_testing::loadGenerated(dir);

        gp::RandomStream random(3);
        const gp::PrimitiveSet primitives(collection, {rules::Primitive::Add, rules::Primitive::Sub,
                                                       rules::Primitive::Mul, rules::Primitive::Div,
                                                       rules::Primitive::Max, rules::Primitive::Exp});
        const std::vector<rules::Tree> trees = gp::rampedHalfAndHalf(primitives, random, 120, 1, 5);
        std::vector<const rules::Tree*> pending;
        for (const rules::Tree& tree : trees) pending.push_back(&tree);

        std::vector<std::vector<double>> expected;
        for (const rules::Tree& tree : trees) {
            Scheduler fresh = collection;
            rules::CompiledRule rule(tree, c.environment);
            rules::scheduleWithRule(fresh, rule);
            const double* totals = fresh.results.rowData(fresh.results.rows - 1);
            expected.emplace_back(totals, totals + fresh.results.cols);
        }
        for (int threads : {1, 3}) {
            gp::ParallelEvaluator evaluator(collection, threads);
            std::vector<std::vector<double>> measured;
            evaluator.measure(pending, measured);
            ASSERT_EQ(measured.size(), trees.size());
            for (std::size_t i = 0; i < trees.size(); ++i)
                EXPECT_EQ(measured[i], expected[i])
                    << threads << " thread(s): " << rules::toInfix(trees[i], c.environment);
            EXPECT_GT(evaluator.candidatesRated(), 0u);
        }
    }
}
