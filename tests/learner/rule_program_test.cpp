// `learner --rule` and `learner --test` end to end: classical rules written as expressions give
// the evaluator's own results for them, on the bundled examples and on generated collections of
// every environment; faults end the run before anything is written; pomocni's loop runs through.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/matrice.h"
#include "learner/rule_language.h"
#include "learner/rule_xml.h"
#include "support/test_support.h"

using testing_support::runProgram;
using testing_support::RunResult;
using testing_support::TempDir;

namespace fs = std::filesystem;

namespace {

void copyExample(const std::string& name, const TempDir& dir) {
    fs::copy(fs::path(EXAMPLES_DIR) / name, dir.path(), fs::copy_options::recursive);
}

void generate(const TempDir& dir, const std::string& definition, int seed) {
    dir.write("fitness.txt", definition);
    const RunResult run = runProgram(GENERATOR_BIN, "--seed " + std::to_string(seed), dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
}

// The value fitness printed on the line that starts with `label`.
std::string printedValue(const std::string& out, const std::string& label) {
    const std::size_t at = out.find("\n" + label);
    if (at == std::string::npos) return "<no line " + label + ">";
    const std::size_t start = out.find_first_not_of(" \t", at + 1 + label.size());
    return out.substr(start, out.find('\n', start) - start);
}

// A rule and the heuristic whose results it must reproduce exactly.
struct Equivalent {
    std::string rule;
    std::string resultFile;  // of the classical heuristic
    std::string label;       // its line in fitness's output
};

// Runs the rule through learner in the list scheme, then fitness, and compares the GP results with
// the heuristic's.
void expectSameResults(const TempDir& dir, const Equivalent& e, const std::string& headline) {
    SCOPED_TRACE(e.rule);
    const RunResult learned = runProgram(LEARNER_BIN, "--scheme list --rule '" + e.rule + "'", dir.path());
    ASSERT_EQ(learned.status, 0) << learned.err;
    const RunResult evaluated = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    ASSERT_EQ(evaluated.status, 0) << evaluated.err;
    EXPECT_EQ(dir.read("rezultat_fGP.txt"), dir.read(e.resultFile));
    EXPECT_EQ(printedValue(evaluated.out, "GP:"), printedValue(evaluated.out, e.label));
    // The learner's own total is the one fitness prints for the file it wrote.
    EXPECT_EQ(printedValue(learned.out, headline + ":"), printedValue(evaluated.out, "GP:"));
}

const std::vector<Equivalent> kSingleMachine = {
    {"w / (p + wait)", "rezultat_WSPT.txt", "WSPT:"},
    {"-d", "rezultat_EDD.txt", "EDD:"},
    {"w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K))", "rezultat_RM.txt", "R&M:"},
    {"w / p * exp(-pos(d - p - t) / (2 * K)) * (1 - 2.3 * wait / K)", "rezultat_XD.txt", "X-D R&M:"},
    {"w * (1 - d / SP) / (p + wait)", "rezultat_MON.txt", "MON:"},
};

const std::vector<Equivalent> kSingleMachineWithSetups = {
    {"w / (p + wait) - s / (K * (p + wait))", "rezultat_WSPT.txt", "WSPT:"},
    {"-d - s / (K * p)", "rezultat_EDD.txt", "EDD:"},
    {"w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K)) - s / (K * p)", "rezultat_RM.txt", "R&M:"},
};

const std::vector<Equivalent> kUniformMachines = {
    {"w * L / (p + wait)", "rezultat_SPT.txt", "WSPT:"},
    {"-d", "rezultat_EDD.txt", "EDD:"},
    {"w * L / (p + wait) * exp(-pos(d - (p + wait) * v - t) * L / K)", "rezultat_RM.txt", "RM:"},
    {"w * (1 - d / SP) / (p + wait)", "rezultat_MON.txt", "MON:"},
};

const std::vector<Equivalent> kJobShop = {
    {"w / (p + wait)", "rezultat_WSPT.txt", "WSPT:"},
    {"-d", "rezultat_EDD.txt", "EDD:"},
    {"w * (wait + twkr) / (wait + p)", "rezultat_WSPT_TWKR.txt", "WSPT/TWKR:"},
    {"w * pos(1 - pos(d - 4 * rem - t) / (0.5 * rem)) / (p + wait)", "rezultat_WCOVERT.txt", "COVERT:"},
    {"w * (wait + twkr) / (d - (wait + twkr))", "rezultat_WSLACK_TWKR.txt", "SLACK/TWKR:"},
    {"w * exp(-pos(d - 3 * rem - t) / (10 * pm)) / (p + wait)", "rezultat_WRM.txt", "RM:"},
    {"w / (wait + twkr)", "rezultat_WTWKR.txt", "WTWKR:"},
};

void expectAll(const TempDir& dir, const std::vector<Equivalent>& rules, const std::string& headline) {
    for (const Equivalent& e : rules) expectSameResults(dir, e, headline);
}

const std::string kGeneratedSingle =
    "single 1\nsets 5\nmax_jobs 30\nduration t.txt\ndeadline d.txt\nSP sp.txt\nready r.txt\nweight_T w.txt\n"
    "distribution 1 1 1\nR. 0.2 0.4 0.6 0.8 0.5\nT. 0.2 0.4 0.6 0.8 0.5\njobs 30 20 12 5 2\n";

}  // namespace

TEST(RuleProgram, ClassicalRulesAsExpressionsOnOneMachine) {
    TempDir example;
    copyExample("single", example);
    expectAll(example, kSingleMachine, "Twt");

    TempDir generated;
    generate(generated, kGeneratedSingle, 11);
    expectAll(generated, kSingleMachine, "Twt");

    TempDir withSetups;
    generate(withSetups,
             "single 1\nsets 3\nmax_jobs 25\nduration t.txt\ndeadline d.txt\nSP sp.txt\nweight_T w.txt\nsetup 0.4\n"
             "distribution 1 1 1\nR. 0.2 0.5 0.8\nT. 0.3 0.5 0.7\njobs 25 14 6\n",
             12);
    expectAll(withSetups, kSingleMachineWithSetups, "Twt");
}

TEST(RuleProgram, ClassicalRulesAsExpressionsOnUniformMachines) {
    TempDir example;
    copyExample("uniform", example);
    expectAll(example, kUniformMachines, "Twt");

    TempDir generated;
    generate(generated,
             "uniform 1\nsets 4\nmax_jobs 30\nmax_machines 5\nduration t.txt\ndeadline d.txt\nSP sp.txt\n"
             "ready r.txt\nweight_T w.txt\nmachine_file m.txt\nmachines 2 3 4 5\ndistribution 1 1 1\n"
             "R. 0.2 0.4 0.6 0.8\nT. 0.2 0.4 0.6 0.8\njobs 30 20 12 5\n",
             13);
    expectAll(generated, kUniformMachines, "Twt");
}

TEST(RuleProgram, ClassicalRulesAsExpressionsInTheJobShop) {
    TempDir example;
    copyExample("jobshop", example);
    expectAll(example, kJobShop, "Cmax");

    TempDir generated;
    generate(generated,
             "jobshop 1\nsets 4\nmax_jobs 15\nmax_machines 6\nduration t.txt\ndeadline d.txt\nSP sp.txt\n"
             "ready r.txt\nweight_T w.txt\nmachines 3 4 5 6\ndistribution 1 1 1\nR. 0.2 0.4 0.6 0.8\n"
             "T. 0.2 0.4 0.6 0.8\njobs 10 15 5 12\n",
             14);
    expectAll(generated, kJobShop, "Cmax");
}

// The job shop's default scheme for the makespan is iterated, whose schedules fitness measures as
// written; each scheme from the active one way on keeps a shorter schedule of some set, the iterated
// one with a rule that reads the previous schedule (one that does not is dispatched once, as
// combined does it); for another criterion the default is the active scheme one way.
TEST(RuleProgram, TheJobShopSchedulesBothWaysForTheMakespan) {
    TempDir dir;
    generate(dir,
             "jobshop 1\nsets 6\nmax_jobs 15\nmax_machines 8\nduration t.txt\ndeadline d.txt\nSP sp.txt\n"
             "weight_T w.txt\nmachines 3 5 8 4 6 8\ndistribution 1 1 1\nR. 0.2 0.4 0.6 0.8 1 1\n"
             "T. 0.2 0.4 0.6 0.8 1 1\njobs 10 15 5 12 15 15\n",
             18);
    const auto cmax = [&](const std::string& options, const std::string& rule = "twkr / (p + wait)") {
        const RunResult run = runProgram(LEARNER_BIN, "--rule '" + rule + "' " + options, dir.path());
        EXPECT_EQ(run.status, 0) << run.err;
        return printedValue(run.out, "Cmax:");
    };
    const std::string active = cmax("--scheme active");
    EXPECT_EQ(cmax("--criterion Twt"), active);
    const double bothWays = std::stod(cmax("--scheme bidirectional"));
    EXPECT_LT(bothWays, std::stod(active));
    const double justified = std::stod(cmax("--scheme justified"));
    EXPECT_LT(justified, bothWays);
    const std::string combined = cmax("--scheme combined");
    EXPECT_LT(std::stod(combined), justified);
    EXPECT_EQ(cmax(""), combined);
    const RunResult evaluated = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    EXPECT_EQ(printedValue(evaluated.out, "GP:"), combined);
    const std::string drawnBack = "twkr / (p + wait) - 0.05 * prev";
    const double drawnBackCombined = std::stod(cmax("--scheme combined", drawnBack));
    const std::string iterated = cmax("", drawnBack);
    EXPECT_LT(std::stod(iterated), drawnBackCombined);
    EXPECT_EQ(printedValue(runProgram(FITNESS_BIN, "summary.txt", dir.path()).out, "GP:"), iterated);
}

// Unrelated machines have no classical list rule to compare with: the learner's totals must be
// those fitness measures for the schedules it wrote.
TEST(RuleProgram, UnrelatedMachinesTotalsAreTheEvaluatorsOwn) {
    TempDir generated;
    generate(generated,
             "unrelated 1\nsets 4\nmax_jobs 30\nmax_machines 5\nduration t.txt\ndeadline d.txt\nSP sp.txt\n"
             "ready r.txt\nweight_T w.txt\nmachines 2 3 4 5\ndistribution 1 1 1\nR. 0.2 0.4 0.6 0.8\n"
             "T. 0.2 0.4 0.6 0.8\njobs 30 20 12 5\n",
             15);
    for (const char* rule : {"-p", "w / (p + wait) * exp(-pos(d - p - t) / K)", "max(r, t) - d + succ"}) {
        const RunResult learned = runProgram(LEARNER_BIN, std::string("--rule '") + rule + "'", generated.path());
        ASSERT_EQ(learned.status, 0) << learned.err;
        const RunResult evaluated = runProgram(FITNESS_BIN, "summary.txt", generated.path());
        ASSERT_EQ(evaluated.status, 0) << evaluated.err;
        EXPECT_EQ(printedValue(learned.out, "Twt:"), printedValue(evaluated.out, "GP:")) << rule;
    }
}

// Min-min is the pair scheme's rule "-C" (the earliest completion first): on collections whose
// release times are all 0 (drawn ones, the release file then zeroed) learner's results are min-min's
// byte for byte, set by set.
TEST(RuleProgram, MinMinIsThePairRuleOfTheEarliestCompletion) {
    for (const int seed : {15, 16, 17}) {
        SCOPED_TRACE(seed);
        TempDir dir;
        generate(dir,
                 "unrelated 1\nsets 8\nmax_jobs 30\nmax_machines 5\nduration t.txt\ndeadline d.txt\nSP sp.txt\n"
                 "ready r.txt\nweight_T w.txt\nmachines 2 3 4 5 5 4 3 2\ndistribution 1 1 1\n"
                 "R. 0.2 0.4 0.6 0.8 1 0.2 0.6 1\nT. 0.2 0.4 0.6 0.8 1 1 0.6 0.2\njobs 30 20 12 5 30 30 9 1\n",
                 seed);
        Matrix releases;
        releases.read(dir.file("r.txt"));
        releases.initZero(releases.rows, releases.cols);
        releases.write(dir.file("r.txt"));
        const RunResult learned = runProgram(LEARNER_BIN, "--rule '-C'", dir.path());
        ASSERT_EQ(learned.status, 0) << learned.err;
        const RunResult evaluated = runProgram(FITNESS_BIN, "summary.txt", dir.path());
        ASSERT_EQ(evaluated.status, 0) << evaluated.err;
        EXPECT_EQ(dir.read("rezultat_fGP.txt"), dir.read("rezultat_minmin.txt"));
    }
}

TEST(RuleProgram, PrintsTheRuleAndEveryCriterionTotal) {
    TempDir dir;
    copyExample("single", dir);
    const RunResult run = runProgram(LEARNER_BIN, "--rule 'w/(p+wait)'", dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "Okruzenje: jedan stroj\nRule: w / (p + wait)\nTwt: 0.628283\nUwt: 0.535354\nFwt: 3.79692\nCmax: 3\n"
              "Schedules written to raspored_GP.txt\n");
}

TEST(RuleProgram, FaultsEndTheRunBeforeAnythingIsWritten) {
    TempDir dir;
    copyExample("single", dir);
    fs::remove(dir.path() / "raspored_GP.txt");
    dir.write("bad.obm", "<Beagle><Seeds></Seeds></Beagle>");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--rule 'w / (p + wat)'",
         "Rule \"w / (p + wat)\": position 10: unknown name \"wat\"; expected a terminal of the single-machine "
         "environment (p, d, w, r, t, wait, s, v, L, K, pmean, smean, SP, succ, slack) or a function (max, min, pos, "
         "exp).\n"},
        {"--rule ''", "Rule \"\": position 1: the rule is empty; expected an expression.\n"},
        {"--rule 'twkr'", ""},
        {"--test missing.obm", "Seed file \"missing.obm\": cannot be read.\n"},
        {"--test bad.obm", "Seed file \"bad.obm\": holds no individual (<Beagle><Seeds><Individual>).\n"},
        {"--definition none.txt --rule p", "Definition file \"none.txt\" cannot be read.\n"},
        {"--collection none --rule p", "Definition file \"none/fitness.txt\" cannot be read.\n"},
        {"--rule p --test bad.obm", ""},
        {"--scheme pair --rule p",
         "learner: --scheme pair is not a scheme of the single-machine environment (its schemes: list, combined).\n"},
        {"--population", ""},
    };
    for (const auto& [args, message] : cases) {
        const RunResult run = runProgram(LEARNER_BIN, args, dir.path());
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_NE(run.err, "") << args;
        if (!message.empty()) {
            EXPECT_EQ(run.err, message) << args;
        }
        EXPECT_FALSE(dir.exists("raspored_GP.txt")) << args;
    }
}

// --collection reads the definition and data there and writes the schedules here; messages about
// that collection's files name its folder.
TEST(RuleProgram, ACollectionOfAnotherFolderIsReadThere) {
    TempDir dir;
    fs::create_directory(dir.path() / "c");
    copyExample("single", dir);
    fs::copy(dir.path() / "fitness.txt", dir.path() / "c");
    for (const char* data : {"trajanje.txt", "rokovi.txt", "suma.txt", "tezine.txt"})
        fs::rename(dir.file(data), dir.file(std::string("c/") + data));
    fs::remove(dir.path() / "fitness.txt");
    ASSERT_EQ(runProgram(LEARNER_BIN, "--collection c --rule 'w/(p+wait)'", dir.path()).status, 0);
    ASSERT_EQ(runProgram(LEARNER_BIN, "--rule 'w/(p+wait)'", dir.path() / "c").status, 0);
    EXPECT_EQ(dir.read("raspored_GP.txt"), dir.read("c/raspored_GP.txt"));

    dir.write("c/rokovi.txt", "1 2\n3 x\n");
    const RunResult bad = runProgram(LEARNER_BIN, "--collection c --rule p", dir.path());
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Matrix file \"c/rokovi.txt\": row 0, column 1 (counted from 0): \"x\" is not a number.\n");
}

TEST(RuleProgram, HelpPrintsTheUsage) {
    TempDir dir;
    const RunResult run = runProgram(LEARNER_BIN, "--help", dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--rule"), std::string::npos);
    EXPECT_NE(run.out.find("--test"), std::string::npos);
    EXPECT_NE(run.out.find("--definition"), std::string::npos);
}

// pomocni takes the chosen generation's individual from a hall of fame into seed.obm, starts
// `learner --test seed.obm`, then fitness: the GP line is the total the learner printed, WSPT's
// in the list scheme.
TEST(RuleProgram, PomocniLoopRunsEndToEnd) {
    TempDir dir;
    generate(dir, kGeneratedSingle, 21);
    const auto individual = [](const char* rule) { return rules::toXml(rules::parseInfix(rule, Environment::Single), Environment::Single); };
    dir.write("hof.txt", "-- Generacija: 1\nfitness 9\nsize 2\ndepth 2\n-d\n\n" + individual("-d") +
                             "\n-- Generacija: 2\nfitness 7\nsize 5\ndepth 3\nw / (p + wait)\n\n" +
                             individual("w / (p + wait)") + "\n");
    const std::string answers =
        "hof.txt\n\n" + std::string(LEARNER_BIN) + " --test seed.obm --scheme list\n" + FITNESS_BIN + " summary.txt\n\n\n\n-1\n";
    const RunResult run = runProgram("timeout", "60 '" + std::string(POMOCNI_BIN) + "'", dir.path(), answers);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Broj generacija: 2\n"), std::string::npos);
    EXPECT_NE(run.out.find("Rule: w / (p + wait)\n"), std::string::npos);
    const std::string learnerTotal = printedValue(run.out, "Twt:");
    EXPECT_EQ(printedValue(run.out, "GP:"), learnerTotal);
    EXPECT_EQ(printedValue(run.out, "GP:"), printedValue(run.out, "WSPT:"));
}
