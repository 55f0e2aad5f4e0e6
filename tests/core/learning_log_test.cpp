#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/learning_log.h"

namespace {

using learning_log::parseLearnerLog;

const std::string kHeader =
    "generation,best_fitness,mean_fitness,best_size,best_depth,rules_measured\n";

TEST(LearnerLog, RowsAreReadInOrderWithEveryColumn) {
    const learning_log::LearnerLog log = parseLearnerLog("log.csv", kHeader + "0,12.5,40,7,3,99\r\n\n1,1e+06,nan,9,4,-0\n");
    ASSERT_EQ(log.generations.size(), 2u);
    const learning_log::Generation& g = log.generations[1];
    EXPECT_EQ(g.generation, 1);
    EXPECT_EQ(g.bestFitness, 1e6);
    EXPECT_TRUE(std::isnan(g.meanFitness));
    EXPECT_EQ(log.generations[0].bestSize, 7);
    EXPECT_EQ(log.generations[0].bestDepth, 3);
    EXPECT_EQ(log.generations[0].rulesMeasured, 99);
}

TEST(LearnerLog, ARowAsTheLearnerWritesItReadsBack) {
    const std::string row = learning_log::row(12, 0.1 + 0.2, 1e-300, 31, 6, 123456);
    EXPECT_EQ(row, "12,0.3,1e-300,31,6,123456");
    const learning_log::Generation g = parseLearnerLog("l", kHeader + row + "\n").generations.at(0);
    EXPECT_EQ(g.generation, 12);
    EXPECT_EQ(g.bestFitness, 0.3);  // ten digits: the sum's last bits are not kept
    EXPECT_EQ(g.meanFitness, 1e-300);
    EXPECT_EQ(g.rulesMeasured, 123456);
}

// A run with a validation collection adds its column; a log without it has none to read.
TEST(LearnerLog, TheValidationColumnIsWrittenAndReadWhenTheHeaderHasIt) {
    const std::string header = learning_log::header(true);
    EXPECT_EQ(header + "\n", kHeader.substr(0, kHeader.size() - 1) + ",validation_best\n");
    const std::string row = learning_log::row(3, 1.5, 2, 7, 4, 90, 0.25);
    EXPECT_EQ(row, "3,1.5,2,7,4,90,0.25");
    const learning_log::LearnerLog log = parseLearnerLog("l", header + "\n" + row + "\n");
    EXPECT_TRUE(log.validated);
    EXPECT_EQ(log.generations.at(0).validationBest, 0.25);
    EXPECT_TRUE(std::isnan(parseLearnerLog("l", kHeader + "0,1,2,3,4,5\n").generations.at(0).validationBest));
    EXPECT_EXIT(parseLearnerLog("l.csv", header + "\n0,1,2,3,4,5\n"), ::testing::ExitedWithCode(1),
                "line 2: a generation's row must hold 7 numbers");
}

TEST(LearnerLog, AnUnfinishedLastLineIsLeftOutAndAFinishedOneKept) {
    EXPECT_EQ(parseLearnerLog("l", kHeader + "0,1,2,3,4,5\n1,2,3").generations.size(), 1u);
    EXPECT_EQ(parseLearnerLog("l", kHeader + "0,1,2,3,4,5\n1,2,3,4,5,6").generations.size(), 2u);
    EXPECT_TRUE(parseLearnerLog("l", kHeader).generations.empty());
}

TEST(LearnerLog, AnythingElseIsNamedWithItsLine) {
    EXPECT_EXIT(parseLearnerLog("l.csv", ""), ::testing::ExitedWithCode(1), "l.csv\", line 1: the file is empty");
    EXPECT_EXIT(parseLearnerLog("l.csv", "generation,best_fitness\n"), ::testing::ExitedWithCode(1),
                "line 1: the first line must be");
    const std::string rowFault = "a generation's row must hold 6 numbers separated by commas";
    for (const char* row : {"0,1,2,3,4\n", "0,1,2,3,4,5,6\n", "0,1,2,x,4,5\n", "0,1,2,3,4,5,\n", "0,,2,3,4,5\n"})
        EXPECT_EXIT(parseLearnerLog("l.csv", kHeader + "9,1,2,3,4,5\n" + row), ::testing::ExitedWithCode(1),
                    "l.csv\", line 3: " + rowFault)
            << row;
}

}  // namespace
