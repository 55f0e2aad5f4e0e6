// Training sets drawn afresh: in memory they are the sets `generator` writes for the same seed, in
// every environment; collections whose sets cannot be drawn are refused; and a learning run on
// drawn sets reports its rule's totals on the training collection, on any number of threads.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "learner/compiled_rule.h"
#include "learner/rule_language.h"
#include "learner/rule_scheduling.h"
#include "learner/settings.h"
#include "learner/training_draw.h"
#include "learning_collections.h"
#include "learning_files.h"

using learning_testing::collections;
using namespace learning_files;

namespace {

// The same width and the same values, the read table's rows standing in the drawn one from firstRow on.
void expectSameTable(const Matrix& drawn, const Matrix& read, const char* name, int firstRow = 0) {
    SCOPED_TRACE(name);
    ASSERT_GE(drawn.rows, firstRow + read.rows);
    ASSERT_EQ(drawn.cols, read.cols);
    for (int row = 0; row < read.rows; ++row)
        for (int col = 0; col < read.cols; ++col)
            ASSERT_EQ(drawn.get(firstRow + row, col), read.get(row, col))
                << row << ", " << col;
}

}  // namespace

TEST(TrainingDraw, DrawnSetsAreTheGeneratorsSetsForTheSeed) {
    for (const learning_testing::Definition& definition : collections()) {
        SCOPED_TRACE(definition.name);
        TempDir first, second;
        learning_testing::generateCollection(first, definition.definition, 50);
        learning_testing::generateCollection(second, definition.definition, 51);
        const Collection training = learning_testing::loadGenerated(first);
        const Collection written = learning_testing::loadGenerated(second);
        const Collection drawn = gp::drawnLike(training, first.file("fitness.txt"), {51});
        ASSERT_EQ(drawn.sets(), written.sets());
        expectSameTable(drawn.processingTimes, written.processingTimes, "processing times");
        expectSameTable(drawn.dueDates, written.dueDates, "due dates");
        expectSameTable(drawn.weights, written.weights, "weights");
        expectSameTable(drawn.releaseTimes, written.releaseTimes, "release times");
        expectSameTable(drawn.processingSum, written.processingSum, "SP");
        if (definition.environment == Environment::Uniform) expectSameTable(drawn.speeds, written.speeds, "speeds");
        // Two draws: the second's sets follow the first's.
        const Collection both = gp::drawnLike(training, first.file("fitness.txt"), {51, 50});
        ASSERT_EQ(both.sets(), 2 * written.sets());
        expectSameTable(both.processingTimes, written.processingTimes, "the first draw");
        expectSameTable(both.processingTimes, training.processingTimes, "the second draw", written.sets());
        expectSameTable(both.dueDates, training.dueDates, "the second draw's due dates", written.sets());
        const rules::Scheme scheme = rules::defaultScheme(definition.environment);
        const rules::Tree wspt = rules::parseInfix("w / (p + wait)", definition.environment);
        rules::CompiledRule onDrawn(wspt, definition.environment), onWritten(wspt, definition.environment);
        Workspace drawnWork(drawn), writtenWork(written);
        expectSameTable(rules::criteriaOfRule(drawnWork, onDrawn, scheme),
                        rules::criteriaOfRule(writtenWork, onWritten, scheme), "the criteria of WSPT");
    }
}

// Tables no data file fills (weights, release times) stand for every set of several draws.
TEST(TrainingDraw, SeveralDrawsChooseTheRuleWithoutWeightOrReleaseFiles) {
    for (const learning_testing::Definition& definition : collections()) {
        SCOPED_TRACE(definition.name);
        std::string plain = definition.definition;
        for (const std::string line : {"ready r.txt\n", "weight_T w.txt\n"}) plain.erase(plain.find(line), line.size());
        TempDir dir;
        learning_testing::generateCollection(dir, plain, 54);
        const RunResult run =
            runProgram(LEARNER_BIN, "--generations 2 --population 10 --seed 1 --choice-draws 3", dir.path());
        EXPECT_EQ(run.status, 0) << run.err;
    }
}

TEST(TrainingDraw, CollectionsWhoseSetsCannotBeDrawnAreRefusedOnlyWhenAsked) {
    TempDir dir;
    learning_testing::generateCollection(dir, collections()[0].definition, 52);
    Collection constrained = learning_testing::loadGenerated(dir);
    constrained.hasConstraints = true;
    constrained.constraintsFileName = "c.txt";
    Collection taillard = learning_testing::loadGenerated(dir);
    taillard.environment = Environment::JobShop;
    taillard.taillard = true;
    for (const Collection* collection : {&constrained, &taillard}) {
        gp::Settings asked;
        asked.resample = true;
        EXPECT_EQ(gp::resolveFor(asked, *collection).rfind("--resample: ", 0), 0u);
        gp::Settings left;
        EXPECT_EQ(gp::resolveFor(left, *collection), "");
        EXPECT_FALSE(*left.resample);
    }
}

// The hall of fame's rule is chosen on the training collection, with its totals there, and the
// drawn sets come from the run's stream alone.
TEST(LearningProgram, ARunOnDrawnSetsReportsTheTrainingCollectionsTotals) {
    TempDir dir;
    learning_testing::generateCollection(dir, collections()[0].definition, 53);
    const std::string run = "--generations 4 --seed 3 --population 40 --resample --choice-draws 2 ";
    ASSERT_EQ(runProgram(LEARNER_BIN, run + "--threads 1 --hof one.txt --log one.csv", dir.path()).status, 0);
    ASSERT_EQ(runProgram(LEARNER_BIN, run + "--threads 3", dir.path()).status, 0);
    EXPECT_EQ(dir.read("one.txt"), dir.read("learner_hof.txt"));
    EXPECT_EQ(dir.read("one.csv"), dir.read("learner_log.csv"));
    const std::vector<std::string> last = generationsOf(dir.read("one.txt")).back();
    EXPECT_NE(last[0].find("; each generation after the first measured on sets drawn afresh, the rule chosen on 6 "
                           "sets drawn for the run)"),
              std::string::npos);
    dir.write("seed.obm", seedFileWith(last[5]));
    const RunResult tested = runProgram(LEARNER_BIN, "--test seed.obm", dir.path());
    EXPECT_EQ("fitness " + labelled(tested.out).at("Twt"), last[0].substr(0, last[0].find(' ', 8)));
}
