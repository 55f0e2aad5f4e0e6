// Selection of the learner's evolution (which individual is better, what a tournament picks) and
// the fitness a run gives its best rule: the very totals a fresh schedule of that rule gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "learner/compiled_rule.h"
#include "learner/run_outputs.h"
#include "learner/rule_scheduling.h"
#include "learner/rule_xml.h"
#include "learning_collections.h"
#include "support/test_support.h"

using gp::Individual;
using testing_support::TempDir;

namespace {

// An individual of the given fitness whose tree has `size` nodes (a chain of negations of p).
Individual individual(double fitness, int size = 1) {
    Individual result;
    for (int i = 1; i < size; ++i) result.tree.nodes.push_back(rules::Node{rules::Primitive::Neg});
    result.tree.nodes.push_back(rules::Node{rules::Primitive::Terminal, rules::Terminal::Processing});
    result.fitness = fitness;
    result.totals = {fitness};
    return result;
}

// How often each individual wins `rounds` tournaments of the given size.
std::vector<int> wins(const std::vector<Individual>& population, int size, int rounds) {
    gp::RandomStream random(41);
    std::vector<int> counts(population.size(), 0);
    for (int i = 0; i < rounds; ++i) ++counts[static_cast<std::size_t>(gp::tournament(population, size, random))];
    return counts;
}

// The individual's index among `draws` indices that a tournament of exactly those draws picks:
// the lowest fitness, then the smallest tree, then the earliest drawn.
int bestOfDraws(const std::vector<Individual>& population, const std::vector<int>& draws) {
    int best = draws.front();
    for (int d : draws) {
        const Individual& a = population[static_cast<std::size_t>(d)];
        const Individual& b = population[static_cast<std::size_t>(best)];
        if (a.fitness < b.fitness || (a.fitness == b.fitness && a.tree.size() < b.tree.size())) best = d;
    }
    return best;
}

}  // namespace

TEST(Selection, LowerFitnessIsBetterAndSmallerTreesBreakTies) {
    EXPECT_TRUE(gp::better(individual(1.5, 9), individual(2.0, 1)));
    EXPECT_FALSE(gp::better(individual(2.0, 1), individual(1.5, 9)));
    EXPECT_TRUE(gp::better(individual(3.0, 2), individual(3.0, 3)));
    EXPECT_FALSE(gp::better(individual(3.0, 3), individual(3.0, 2)));
    // Equal in both: neither is better, so the order of the candidates decides.
    EXPECT_FALSE(gp::better(individual(3.0, 2), individual(3.0, 2)));
    // An infinite fitness (what a rule gets whose total is not a number) loses to any finite one.
    EXPECT_TRUE(gp::better(individual(1e300, 50), individual(HUGE_VAL, 1)));
}

// The same seed gives the tournament's draws; the winner must be the best of exactly those, and
// the tournament must take exactly `size` draws from the stream.
TEST(Selection, TournamentPicksTheBestOfItsDrawsAndTheFirstDrawnAmongEquals) {
    std::vector<Individual> population;
    const double fitness[] = {5, 3, 3, 8, 1, 3, 1, 9, 2, 3};
    const int sizes[] = {4, 2, 2, 1, 6, 2, 6, 1, 3, 2};
    for (int i = 0; i < 10; ++i) population.push_back(individual(fitness[i], sizes[i]));
    for (int size : {1, 2, 3, 7, 10}) {
        for (std::uint64_t seed = 0; seed < 200; ++seed) {
            gp::RandomStream random(seed), replay(seed);
            const int winner = gp::tournament(population, size, random);
            std::vector<int> draws;
            for (int i = 0; i < size; ++i) draws.push_back(replay.below(10));
            EXPECT_EQ(winner, bestOfDraws(population, draws)) << "size " << size << ", seed " << seed;
            EXPECT_EQ(random.unit(), replay.unit()) << "size " << size << ", seed " << seed;
        }
    }
}

TEST(Selection, TournamentOfOneIsUniformAndOfThePopulationsSizeFavoursTheBest) {
    std::vector<Individual> population;
    for (int i = 0; i < 20; ++i) population.push_back(individual(100 - i));  // the last is the best
    const int rounds = 20000;

    const std::vector<int> uniform = wins(population, 1, rounds);
    for (int count : uniform) {
        EXPECT_GT(count, rounds / 20 * 85 / 100);
        EXPECT_LT(count, rounds / 20 * 115 / 100);
    }

    // The best wins whenever it is among the 20 draws: 1 - (19/20)^20, about 64 %.
    const std::vector<int> strong = wins(population, 20, rounds);
    EXPECT_GT(strong.back(), rounds * 60 / 100);
    EXPECT_LT(strong.back(), rounds * 68 / 100);
    int worseHalf = 0;
    for (int i = 0; i < 10; ++i) worseHalf += strong[static_cast<std::size_t>(i)];
    EXPECT_EQ(worseHalf, 0);  // only when all 20 draws fall in it: about one in a million
}

// Preselection keeps the least scores in the order the children were made: the earlier of equals,
// a not-a-number after every number.
TEST(Selection, PreselectionKeepsTheLeastScoresInTheirOrder) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<double> scores;
        std::size_t keep;
        std::vector<std::size_t> kept;
    } cases[] = {
        {{5, 1, 4, 2, 3}, 2, {1, 3}},
        {{2, 1, 2, 2}, 2, {0, 1}},
        {{nan, 3, nan, 7}, 3, {0, 1, 3}},
        {{4, 1}, 5, {0, 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(gp::leastScored(c.scores, c.keep), c.kept);
}

// A run's best individual carries the totals that scheduling its rule afresh on the collection
// gives, bit for bit, whatever the worker that measured it had scheduled before; its fitness is
// the chosen criterion's total, and the hall of fame's last rule is that individual's.
TEST(Evolution, TheBestRulesTotalsAreThoseOfAFreshSchedule) {
    const char* criteria[] = {"", "Fwt", "Uwt", ""};  // "" is the environment's own headline
    const char* headlines[] = {"Twt", "Fwt", "Uwt", "Cmax"};
    for (const learning_testing::Definition& c : learning_testing::collections()) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        learning_testing::generateCollection(dir, c.definition, 61);
        const Collection collection = learning_testing::loadGenerated(dir);
        gp::Settings settings;
        settings.population = 30;
        settings.generations = 4;
        settings.seed = 7;
        settings.threads = 3;
        const int e = static_cast<int>(c.environment);
        settings.criterion = criteria[e];
        settings.hallOfFame = dir.file("hof.txt");
        settings.log = dir.file("log.csv");
        testing::internal::CaptureStdout();
        const Individual best = gp::evolve(collection, settings).best;
        std::fflush(stdout);
        testing::internal::GetCapturedStdout();

        Workspace fresh(collection);
        rules::CompiledRule rule(best.tree, c.environment);
        const Matrix results = rules::criteriaOfRule(fresh, rule, rules::defaultScheme(c.environment));
        const auto names = criteriaOf(c.environment);
        ASSERT_GE(best.totals.size(), names.size());
        for (std::size_t k = 0; k < names.size(); ++k)
            EXPECT_EQ(best.totals[k], rules::criterionTotal(results, static_cast<int>(k))) << names[k].name;
        const int column = criterionColumn(headlines[e], c.environment);
        EXPECT_EQ(best.fitness, best.totals[static_cast<std::size_t>(column)]);

        const std::string hallOfFame = dir.read("hof.txt");
        const std::size_t lastLine = hallOfFame.rfind('\n', hallOfFame.size() - 2) + 1;
        EXPECT_TRUE(rules::fromXml(hallOfFame.substr(lastLine), c.environment) == best.tree);
    }
}
