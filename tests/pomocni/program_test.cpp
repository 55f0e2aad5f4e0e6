#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pomocni/dialogue_texts.h"
#include "pomocni/scripts.h"
#include "support/test_support.h"

// The built program, driven through its standard input with every answer given up front.
namespace {

using testing_support::RunResult;
using testing_support::TempDir;

// A limit on the run, so that a program waiting forever fails the test instead of hanging it.
RunResult runPomocni(const TempDir& dir, const std::string& input) {
    return testing_support::runProgram("timeout", "20 '" + std::string(POMOCNI_BIN) + "'", dir.path(), input);
}

RunResult runPomocni(const TempDir& dir, const std::vector<std::string>& answers) {
    return runPomocni(dir, dialogue::lines(answers));
}

class Program : public ::testing::Test {
protected:
    Program() {
        dir_.write("hof.txt", dialogue::hallOfFame({{1, "<One/>"}, {2, "<Two/>"}, {3, "<Three/>"}}));
        // The test program shows on our console and records, with the seed it found, that it ran.
        test_ = writeScript(dir_, "test.sh",
                            "echo \"beagle radi $*\"\n{ echo test; cat seed.obm; } >> '" + dir_.file("log") + "'\n");
        evaluation_ = writeScript(dir_, "eval.sh", "echo \"eval $*\" >> '" + dir_.file("log") + "'\n");
    }

    std::string log() const { return dir_.exists("log") ? dir_.read("log") : ""; }

    TempDir dir_;
    std::string test_;
    std::string evaluation_;
};

TEST_F(Program, PassesRunTheTestAndEvaluationInOrder) {
    RunResult run = runPomocni(dir_, {"hof.txt", "", test_, evaluation_, "", "", "", "1", evaluation_ + " druga", "-1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) + dialogue::generationPrompt +
                           "Zapisao u seed.obm\nPokrecem " + test_ + "\nbeagle radi \n\nPokreni provjeru (" +
                           evaluation_ + "): " + dialogue::generationPrompt + "Zapisao u seed.obm\nPokrecem " + test_ +
                           "\nbeagle radi \n\nPokreni provjeru (" + evaluation_ + "): " + dialogue::generationPrompt);
    EXPECT_EQ(log(), "test\n" + dialogue::seedFile("<Three/>") + "eval \n" + "test\n" + dialogue::seedFile("<One/>") +
                         "eval druga\n");
}

TEST_F(Program, CountsByTheLastMarkerLine) {
    dir_.write("hof.txt", dialogue::hallOfFame({{1, "<One/>"}, {2, "<Two/>"}, {5, "<Five/>"}, {3, "<Three/>"}}));
    RunResult run = runPomocni(dir_, {"hof.txt", "", "true", "true", "", "", "", "-1"});
    EXPECT_EQ(run.out, dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) + dialogue::generationPrompt +
                           dialogue::pass("seed.obm", "true", "true") + dialogue::generationPrompt);
    EXPECT_EQ(dir_.read("seed.obm"), dialogue::seedFile("<Three/>"));
}

TEST_F(Program, IndividualIsTheSixthLineAfterItsMarker) {
    dir_.write("hof.txt",
               "-- Generacija: 1\n-- Generacija: 2\nfitness 3\n\n<Individual>\n  \n<One/>\n<not this/>\n"
               "-- Generacija: 2\n1\n2\n3\n4\n5\n<Two/>\n");
    RunResult run = runPomocni(dir_, {"hof.txt", "", "true", "true", "", "1", "", "2", "", "-1"});
    EXPECT_EQ(run.status, 0);
    // Generation 2's first marker is the second line; the sixth line after it is "<not this/>".
    EXPECT_EQ(dir_.read("seed.obm"), dialogue::seedFile("<not this/>"));
}

TEST_F(Program, SeedHoldsOnlyTheLastIndividualAfterSeveralPasses) {
    RunResult run = runPomocni(dir_, {"hof.txt", "", "true", "true", "", "1", "", "3", "", "2", "", "-1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(dir_.read("seed.obm"),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Beagle>\n<Seeds>\n<Individual>\n<Two/>\n"
              "</Individual>\n</Seeds>\n</Beagle>\n");
}

TEST_F(Program, MissingGenerationIsReportedAndNothingRuns) {
    RunResult run = runPomocni(dir_, {"hof.txt", "", test_, evaluation_, "", "4", "-1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) + dialogue::generationPrompt +
                           dialogue::noGeneration + dialogue::generationPrompt);
    EXPECT_EQ(log(), "");
    EXPECT_EQ(dir_.read("seed.obm"), "");
}

TEST_F(Program, RestartKeepsTheCommandsEntered) {
    dir_.write("drugi.txt", dialogue::hallOfFame({{1, "<Other/>"}, {2, "<Other2/>"}}));
    RunResult run = runPomocni(
        dir_, {"hof.txt", "moj.obm", test_, evaluation_, "da", "0", "drugi.txt", "", "", "", "", "1", "", "-1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) + dialogue::generationPrompt +
                           dialogue::setUp(test_, evaluation_, 2) + dialogue::generationPrompt + "Zapisao u seed.obm\n" +
                           "Pokrecem " + test_ + "\nbeagle radi \n\nPokreni provjeru (" + evaluation_ + "): " +
                           dialogue::generationPrompt);
    EXPECT_EQ(log(), "test\n" + dialogue::seedFile("<Other/>") + "eval \n");
    EXPECT_EQ(dir_.read("moj.obm"), "");  // opened, truncated, then left at the restart
}

TEST_F(Program, MissingCommandIsReportedAndTheDialogueGoesOn) {
    RunResult run = runPomocni(dir_, {"hof.txt", "", "pomocni-nema-programa -x", evaluation_, "", "2", "", "-1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) + dialogue::generationPrompt +
                           "Zapisao u seed.obm\nPokrecem pomocni-nema-programa -x\n" +
                           dialogue::notStarted("pomocni-nema-programa -x") +
                           "\nPokreni provjeru (" + evaluation_ + "): " + dialogue::generationPrompt);
    EXPECT_EQ(log(), "eval \n");
}

TEST_F(Program, DefaultCommandsThatAreNotThereFailWithNoSuchFile) {
    RunResult run = runPomocni(dir_, {"hof.txt", "", "", "", "da", "1", "", "", "-1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) + dialogue::generationPrompt +
                           "Zapisao u seed.obm\nPokrecem test.bat\n" + dialogue::notStarted("test.bat") +
                           "\nPokreni provjeru (evaluacija.exe): " + dialogue::notStarted("evaluacija.exe") +
                           dialogue::orCheck("fitness_OR.exe") + dialogue::notStarted("fitness_OR.exe") +
                           dialogue::generationPrompt);
}

TEST_F(Program, EndOfInputAtAnyPromptEndsWithStatusZero) {
    // Every prompt of a pass with OR mode, an unopenable file and an answer without a number;
    // the eighth answer starts the test program, the ninth the evaluation.
    const std::vector<std::string> answers = {"nema.txt", "hof.txt", "", test_, evaluation_, "da", "x", "1", "", ""};
    const std::string testRan = "test\n" + dialogue::seedFile("<One/>");
    for (std::size_t given = 0; given <= answers.size(); ++given) {
        std::filesystem::remove(dir_.file("log"));
        std::vector<std::string> cut(answers.begin(), answers.begin() + static_cast<std::ptrdiff_t>(given));
        RunResult run = runPomocni(dir_, cut);
        EXPECT_EQ(run.status, 0) << "after " << given << " answers";
        EXPECT_EQ(run.err, "") << "after " << given << " answers";
        EXPECT_EQ(log(), given < 8 ? "" : given == 8 ? testRan : testRan + "eval \n") << "after " << given << " answers";
    }
}

TEST_F(Program, LastAnswerWithoutLineEndStillCounts) {
    RunResult run = runPomocni(dir_, "hof.txt\n\ntrue\ntrue\n\n2\n\n-1");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(dir_.read("seed.obm"), dialogue::seedFile("<Two/>"));
}

}  // namespace
