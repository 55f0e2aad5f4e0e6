// The learning run of the built `learner` end to end: the hall-of-fame file that pomocni reads,
// the CSV log and the progress lines, identical files on any number of threads, the best rule
// reproducing its reported totals through `learner --test` and `fitness` in every environment,
// and bad options refused before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/learning_log.h"
#include "core/names.h"
#include "learner/rule_language.h"
#include "learner/rule_scheduling.h"
#include "learner/rule_xml.h"
#include "learning_collections.h"
#include "learning_files.h"
#include "support/test_support.h"

using learning_testing::Definition;
using learning_testing::collections;
using learning_testing::generateCollection;
using testing_support::RunResult;
using testing_support::runProgram;
using testing_support::TempDir;

using namespace learning_files;

TEST(LearningProgram, HallOfFameHasSixLinesPerGenerationEndingWithTheBestRuleSoFar) {
    TempDir dir;
    generateCollection(dir, collections()[0].definition, 31);
    const int last = 5;
    // Without elitism and copies, and with weak selection, a generation can lose the best rule found
    // so far (this seed does, in generation 3), which the hall of fame must keep all the same.
    const RunResult run = learn(dir,
                                "--generations 5 --seed 2 --elitism 0 --reproduction 0 --selection tournament "
                                "--tournament 2 --no-seed-classical --no-resample --scheme list --preselect 1 "
                                "--hof hof.txt --log log.csv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    const std::vector<std::vector<std::string>> generations = generationsOf(dir.read("hof.txt"));
    ASSERT_EQ(generations.size(), static_cast<std::size_t>(last));
    EXPECT_TRUE(startsWith(dir.read("hof.txt"), "# learner: "));
    const std::vector<std::string> log = linesOf(dir.read("log.csv"));
    ASSERT_EQ(log.size(), static_cast<std::size_t>(last + 1));
    EXPECT_EQ(log[0], learning_log::kHeader);
    const std::map<std::string, std::string> printed = labelled(run.out);

    double previousFitness = HUGE_VAL;
    std::string previousIndividual;
    double bestLogged = HUGE_VAL;
    bool bestLost = false;
    for (int g = 1; g <= last; ++g) {
        SCOPED_TRACE("generation " + std::to_string(g));
        const std::vector<std::string>& six = generations[static_cast<std::size_t>(g - 1)];
        const rules::Tree tree = rules::fromXml(six[5], Environment::Single);
        const std::string fitness = wordAfter(six[0], "fitness ");
        EXPECT_EQ(six[0], "fitness " + fitness + " (Twt total over 3 sets)");
        EXPECT_EQ(six[1], "size " + std::to_string(tree.size()) + ", depth " + std::to_string(tree.depth()));
        EXPECT_EQ(six[2], "rule " + rules::toInfix(tree, Environment::Single));
        EXPECT_TRUE(rules::parseInfix(six[2].substr(5), Environment::Single) == tree);
        EXPECT_EQ(totalsOf(six[3]).at("Twt"), fitness);
        // The best so far never gets worse, and a new best was measured in the generation that shows it.
        EXPECT_LE(std::stod(fitness), previousFitness);
        const int found = std::atoi(wordAfter(six[4], "found in generation ").c_str());
        EXPECT_EQ(six[4], "found in generation " + std::to_string(found));
        EXPECT_TRUE(six[5] == previousIndividual ? found < g : found == g) << six[4];
        previousFitness = std::stod(fitness);
        previousIndividual = six[5];

        // The progress line shows the best so far, the log row the generation's own best.
        const std::string progress = printed.at("Generation " + std::to_string(g) + "/" + std::to_string(last));
        EXPECT_TRUE(startsWith(progress, "best " + fitness + ", mean ")) << progress;
        const std::vector<std::string> row = csvCells(log[static_cast<std::size_t>(g)]);
        ASSERT_EQ(row.size(), static_cast<std::size_t>(learning_log::kColumns));
        EXPECT_EQ(row[0], std::to_string(g));
        const double generationBest = std::stod(row[1]);
        bestLost = bestLost || generationBest > bestLogged;
        bestLogged = std::min(bestLogged, generationBest);
        EXPECT_NEAR(std::stod(fitness), bestLogged, 1e-5 * bestLogged);
    }
    EXPECT_TRUE(bestLost) << "no generation lost the best rule: the run shows nothing of the best so far";
    const std::vector<std::string>& lastSix = generations.back();
    EXPECT_EQ(printed.at("Best rule (found in generation " + wordAfter(lastSix[4], "found in generation ") + ")"),
              lastSix[2].substr(5));
}

// pomocni counts the run's generations and puts the sixth line of the chosen one into seed.obm,
// which `learner --test` then schedules.
TEST(LearningProgram, PomocniCountsTheGenerationsAndCopiesTheSixthLine) {
    TempDir dir;
    generateCollection(dir, collections()[0].definition, 32);
    const RunResult run = learn(dir, "--generations 4 --seed 8 --hof hof.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::vector<std::string>> generations = generationsOf(dir.read("hof.txt"));
    ASSERT_EQ(generations.size(), 4u);

    // The last generation (an empty answer), then generation 2, then the end.
    const std::string answers = "hof.txt\n\n" + std::string(LEARNER_BIN) + " --test seed.obm\n" + FITNESS_BIN +
                                " summary.txt\n\n\n\n2\n\n-1\n";
    const RunResult loop = runProgram("timeout", "60 '" + std::string(POMOCNI_BIN) + "'", dir.path(), answers);
    ASSERT_EQ(loop.status, 0) << loop.err;
    EXPECT_NE(loop.out.find("Broj generacija: 4\n"), std::string::npos);
    const std::size_t lastRule = loop.out.find("Rule: " + generations[3][2].substr(5) + "\n");
    const std::size_t secondRule = loop.out.find("Rule: " + generations[1][2].substr(5) + "\n", lastRule + 1);
    EXPECT_NE(lastRule, std::string::npos);
    EXPECT_NE(secondRule, std::string::npos);
    EXPECT_EQ(dir.read("seed.obm"), seedFileWith(generations[1][5]));
}

TEST(LearningProgram, SameSeedGivesIdenticalFilesOnAnyNumberOfThreads) {
    for (const Definition& c : {collections()[0], collections()[3]}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        generateCollection(dir, c.definition, 33);
        const auto runWith = [&](int threads, int seed) {
            const std::string n = std::to_string(threads) + "_" + std::to_string(seed);
            const RunResult run = runProgram(LEARNER_BIN,
                                             "--population 40 --generations 5 --seed " + std::to_string(seed) +
                                                 " --threads " + std::to_string(threads) + " --hof hof" + n +
                                                 ".txt --log log" + n + ".csv",
                                             dir.path());
            EXPECT_EQ(run.status, 0) << run.err;
            return std::pair{dir.read("hof" + n + ".txt"), dir.read("log" + n + ".csv")};
        };
        const auto one = runWith(1, 12);
        EXPECT_EQ(generationsOf(one.first).size(), 5u);
        EXPECT_EQ(runWith(2, 12), one);
        EXPECT_EQ(runWith(3, 12), one);
        const auto otherSeed = runWith(2, 13);
        EXPECT_NE(otherSeed.first, one.first);
        EXPECT_NE(otherSeed.second, one.second);
    }
}

// The last hall-of-fame individual in a seed file gives, through `learner --test`, every total the
// hall of fame and the run's final lines report, and `fitness` measures the headline total alike.
TEST(LearningProgram, LastBestRuleGivesTheReportedTotalsInEveryEnvironment) {
    for (const Definition& c : collections()) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        generateCollection(dir, c.definition, 34);
        const RunResult run = learn(dir, "--generations 4 --seed 5");
        ASSERT_EQ(run.status, 0) << run.err;
        const std::vector<std::vector<std::string>> generations = generationsOf(dir.read("learner_hof.txt"));
        ASSERT_EQ(generations.size(), 4u);
        const std::vector<std::string>& best = generations.back();
        dir.write("seed.obm", seedFileWith(best[5]));

        const RunResult tested = runProgram(LEARNER_BIN, "--test seed.obm", dir.path());
        ASSERT_EQ(tested.status, 0) << tested.err;
        const RunResult evaluated = runProgram(FITNESS_BIN, "summary.txt", dir.path());
        ASSERT_EQ(evaluated.status, 0) << evaluated.err;

        const std::map<std::string, std::string> reported = totalsOf(best[3]);
        const std::map<std::string, std::string> fromTest = labelled(tested.out);
        const std::map<std::string, std::string> fromRun = labelled(run.out);
        EXPECT_EQ(fromTest.at("Rule"), best[2].substr(5));
        EXPECT_EQ(reported.size(), criteriaOf(c.environment).size());
        for (const CriterionName& criterion : criteriaOf(c.environment)) {
            const std::string_view name = criterion.name;
            const std::string key(name);
            EXPECT_EQ(fromTest.at(key), reported.at(key)) << key;
            EXPECT_EQ(fromRun.at(key), reported.at(key)) << key;
        }
        EXPECT_EQ(labelled(evaluated.out).at("GP"), fromTest.at(headlineOf(c)));
        EXPECT_TRUE(startsWith(best[0], "fitness " + reported.at(headlineOf(c)) + " (" + headlineOf(c) + " total"))
            << best[0];
    }
}

TEST(LearningProgram, HelpShowsTheEvolutionOptions) {
    TempDir dir;
    const RunResult run = runProgram(LEARNER_BIN, "--help", dir.path());
    EXPECT_EQ(run.status, 0);
    for (const char* option : {"--population", "--generations", "--tournament", "--crossover", "--mutation",
                               "--reproduction", "--elitism", "--max-depth", "--init-min-depth", "--init-max-depth",
                               "--seed", "--threads", "--criterion", "--hof", "--log", "--scheme", "--selection",
                               "--seed-classical", "--no-seed-classical", "--seeds", "--validation"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

TEST(LearningProgram, BadOptionsAndDefinitionsEndTheRunWithOneMessageAndWriteNothing) {
    TempDir dir;
    generateCollection(dir, collections()[0].definition, 35);
    dir.write("short.txt", "single 1\nsets 3\nduration t.txt\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--population 1", "learner: --population must be from 2 to 1e+07 (given: 1).\n"},
        {"--crossover 2", "learner: --crossover must be from 0 to 1 (given: 2).\n"},
        {"--crossover 0 --mutation 0 --reproduction 0",
         "learner: --crossover, --mutation and --reproduction must not all be 0.\n"},
        {"--functions foo",
         "learner: --functions must list operators among + - * / neg max min pos exp, separated by commas "
         "(given: foo).\n"},
        {"--functions +,foo", "(given: +,foo).\n"},
        {"--criterion Tmax", "learner: --criterion must be Twt, Uwt, Fwt or Cmax (given: Tmax).\n"},
        {"--rule p --criterion Tmax", "learner: --criterion must be Twt, Uwt, Fwt or Cmax (given: Tmax).\n"},
        {"--max-depth 0", "learner: --max-depth must be from 1 to 200 (given: 0).\n"},
        {"--population 30 --tournament 31", "learner: --tournament must be from 1 to 30 (given: 31).\n"},
        {"--init-min-depth 6", "learner: --init-min-depth must be from 1 to 5 (given: 6).\n"},
        {"--mutation-depth 11", "learner: --mutation-depth must be from 1 to 10 (given: 11).\n"},
        {"--max-depth 5 --mutation-depth 6", "learner: --mutation-depth must be from 1 to 5 (given: 6).\n"},
        {"--scheme pair",
         "learner: --scheme pair is not a scheme of the single-machine environment (its schemes: list, combined).\n"},
        {"--scheme best", "learner: --scheme must be list, pair, active, bidirectional, justified, combined or iterated (given: best).\n"},
        {"--selection roulette", "learner: --selection must be tournament or lexicase (given: roulette).\n"},
        {"--seeds missing.obm", "Seed file \"missing.obm\": cannot be read.\n"},
        {"--threads 0", "learner: --threads must be from 1 to 1024 (given: 0).\n"},
        {"--hof same.txt --log same.txt", "learner: --hof and --log must name two different files.\n"},
        {"--seed 1x", "Run \"learner --help\" for the options.\n"},
        {"--generations", "Run \"learner --help\" for the options.\n"},
        {"--definition missing.txt", "Definition file \"missing.txt\" cannot be read.\n"},
        {"--definition short.txt", "Definition file \"short.txt\": the required entry \"max_jobs\" is missing.\n"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args);
        const RunResult run = runProgram(LEARNER_BIN, args, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.size() >= message.size() &&
                    run.err.compare(run.err.size() - message.size(), message.size(), message) == 0)
            << run.err;
        EXPECT_LE(linesOf(run.err).size(), 2u) << run.err;
        for (const char* written : {"learner_hof.txt", "learner_log.csv", "same.txt"}) {
            EXPECT_FALSE(dir.exists(written)) << written;
            std::filesystem::remove(dir.path() / written);
        }
    }
}

// A run that cannot write its log leaves the hall of fame of an earlier run as it was.
TEST(LearningProgram, AnUnwritableLogLeavesAnEarlierHallOfFameAlone) {
    TempDir dir;
    generateCollection(dir, collections()[0].definition, 36);
    dir.write("learner_hof.txt", "-- Generacija: 1\nthe earlier run\n");
    const RunResult run = learn(dir, "--generations 2 --log " + dir.file("no/such/folder/log.csv"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(dir.read("learner_hof.txt"), "-- Generacija: 1\nthe earlier run\n");
}

// Every output of the learner that cannot be written ends the run with its name and the reason;
// a full device is found when the first generation is flushed.
TEST(LearningProgram, OutputsThatCannotBeWrittenAreNamedWithTheReason) {
    TempDir dir;
    generateCollection(dir, collections()[0].definition, 38);
    std::filesystem::create_directory(dir.file("raspored_GP.txt"));
    std::filesystem::create_directory(dir.file("logs"));
    const std::pair<std::string, std::string> cases[] = {
        {"--rule p", "Matrix file \"raspored_GP.txt\" cannot be written: Is a directory\n"},
        {"--hof no/h.txt", "Hall-of-fame file \"no/h.txt\" cannot be written: No such file or directory\n"},
        {"--log logs", "Log file \"logs\" cannot be written: Is a directory\n"},
        {"--hof /dev/full", "Hall-of-fame file \"/dev/full\" cannot be written: No space left on device\n"},
        {"--log /dev/full", "Log file \"/dev/full\" cannot be written: No space left on device\n"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult run = learn(dir, "--generations 1 " + args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.err, message) << args;
    }
}

// The hall of fame and the log are refused as one file under any spelling: both writers would
// interleave into it, and pomocni could not read the hall of fame.
TEST(LearningProgram, HallOfFameAndLogAreRefusedAsOneFileUnderAnySpelling) {
    TempDir dir;
    generateCollection(dir, collections()[0].definition, 37);
    const RunResult run = learn(dir, "--generations 2 --hof out.txt --log ./out.txt");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--hof and --log must name two different files"), std::string::npos) << run.err;
}
