// Seeds and a validation collection in learning runs of the built `learner`: the seeds make up the
// first generation, the validation collection chooses the hall of fame's rule and leaves the
// evolution as it was, and a collection of another environment is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/learning_log.h"
#include "learner/rule_language.h"
#include "learner/rule_xml.h"
#include "learning_collections.h"
#include "learning_files.h"

using learning_testing::collections;
using learning_testing::generateCollection;
using namespace learning_files;

// The individuals of a seed file make up a first generation of their size: its best is the better
// seed and its mean their mean. The classical rules join by default: the first generation is
// then at least as good as X-D R&M.
TEST(LearningProgram, SeedsJoinTheFirstGeneration) {
    TempDir dir;
    generateCollection(dir, collections()[0].definition, 39);
    const auto individual = [](const char* rule) {
        return "<Individual>" + rules::toXml(rules::parseInfix(rule, Environment::Single), Environment::Single) +
               "</Individual>";
    };
    dir.write("seeds.obm", "<Beagle><Seeds>" + individual("-d") + individual("w / (p + wait)") + "</Seeds></Beagle>");
    const auto totalOf = [&](const std::string& args) {
        const RunResult run = runProgram(LEARNER_BIN, args, dir.path());
        EXPECT_EQ(run.status, 0) << run.err;
        return std::stod(labelled(run.out).at("Twt"));
    };
    const double edd = totalOf("--rule -d"), wspt = totalOf("--rule 'w / (p + wait)'");
    const std::string seeded = "--population 2 --tournament 2 --generations 1 --no-seed-classical --seeds seeds.obm";
    ASSERT_EQ(runProgram(LEARNER_BIN, seeded, dir.path()).status, 0);
    const std::vector<std::string> row = csvCells(linesOf(dir.read("learner_log.csv")).at(1));
    EXPECT_NEAR(std::stod(row[1]), std::min(edd, wspt), 1e-5 * edd);
    EXPECT_NEAR(std::stod(row[2]), (edd + wspt) / 2, 1e-5 * edd);

    const double xdrm = totalOf("--rule 'w / p * exp(-pos(d - p - t) / (2 * K)) * (1 - 2.3 * wait / K)'");
    ASSERT_EQ(learn(dir, "--generations 1").status, 0);
    EXPECT_LE(std::stod(csvCells(linesOf(dir.read("learner_log.csv")).at(1))[1]), xdrm * (1 + 1e-6));
}

// A validation collection chooses the hall of fame's rule and leaves the evolution as it was: the
// log gains the column of the chosen rule's total there, which `learner --test` on that collection
// gives, and its training columns are those of the run without it.
TEST(LearningProgram, AValidationCollectionChoosesTheRule) {
    TempDir dir;
    generateCollection(dir, collections()[1].definition, 40);
    std::filesystem::create_directory(dir.file("valid"));
    std::filesystem::copy_file(dir.file("fitness.txt"), dir.file("valid/fitness.txt"));
    ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed 41", dir.file("valid")).status, 0);
    ASSERT_EQ(learn(dir, "--generations 4 --seed 6 --hof plain.txt --log plain.csv").status, 0);
    ASSERT_EQ(learn(dir, "--generations 4 --seed 6 --hof hof.txt --log log.csv --validation valid").status, 0);

    const std::vector<std::string> plain = linesOf(dir.read("plain.csv")), log = linesOf(dir.read("log.csv"));
    ASSERT_EQ(log.size(), plain.size());
    EXPECT_EQ(log[0], learning_log::header(true));
    const std::vector<std::vector<std::string>> generations = generationsOf(dir.read("hof.txt"));
    double previous = HUGE_VAL;
    for (std::size_t g = 1; g < log.size(); ++g) {
        EXPECT_EQ(log[g].substr(0, log[g].rfind(',')), plain[g]);
        const double validation = std::stod(log[g].substr(log[g].rfind(',') + 1));
        EXPECT_LE(validation, previous);
        previous = validation;
        EXPECT_NE(generations.at(g - 1)[0].find("; chosen by the validation collection valid: "), std::string::npos);
    }
    dir.write("valid/seed.obm", seedFileWith(generations.back()[5]));
    const RunResult tested = runProgram(LEARNER_BIN, "--test seed.obm", dir.file("valid"));
    EXPECT_NEAR(std::stod(labelled(tested.out).at("Twt")), previous, 1e-5 * previous);

    std::filesystem::create_directory(dir.file("other"));
    dir.write("other/fitness.txt", collections()[0].definition);
    ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed 42", dir.file("other")).status, 0);
    const RunResult refused = learn(dir, "--generations 1 --validation other --hof x.txt --log x.csv");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "learner: the validation collection \"other\" is of the single-machine environment, the training "
              "collection of the uniform-machine one; both must be of one environment.\n");
    EXPECT_FALSE(dir.exists("x.txt"));
}
