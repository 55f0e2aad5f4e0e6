#include "pomocni/launcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "pomocni/dialogue_texts.h"
#include "support/test_support.h"

namespace {

using testing_support::ScopedChdir;
using testing_support::TempDir;

// ---- Reading the hall-of-fame file ----

TEST(CountGenerations, NoMarkerLinesCountZero) {
    std::istringstream in("<HallOfFame>\n-- Generation: 4\n</HallOfFame>\n");
    EXPECT_EQ(pomocni::countGenerations(in), 0);
}

TEST(CountGenerations, TheLastMarkerReadGivesTheCount) {
    std::istringstream in(dialogue::hallOfFame({{1, "<A/>"}, {2, "<B/>"}, {7, "<C/>"}, {3, "<D/>"}}));
    EXPECT_EQ(pomocni::countGenerations(in), 3);
}

TEST(CountGenerations, OnlyLinesThatBeginWithTheMarkerCount) {
    std::istringstream in("-- Generacija: 2\n  -- Generacija: 9\nx -- Generacija: 8\n-- Generacija:9\n");
    EXPECT_EQ(pomocni::countGenerations(in), 2);
}

TEST(CountGenerations, StreamCanBeReadAgainAfterwards) {
    std::istringstream in("-- Generacija: 1\n-- Generacija: 2\n");
    ASSERT_EQ(pomocni::countGenerations(in), 2);
    EXPECT_TRUE(in.good());
    in.seekg(0);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "-- Generacija: 1");
}

TEST(CountGenerations, WindowsLineEndsReadTheSame) {
    std::istringstream in("-- Generacija: 4\r\n-- Generacija: 5\r\n");
    EXPECT_EQ(pomocni::countGenerations(in), 5);
}

// A learner's hall of fame whose last generation a kill cut short, at each of its lines and in the
// middle of its sixth: only the whole generations count, and the cut one is not taken. Without
// the learner's first line the file is read as it always was.
TEST(CountGenerations, ALearnersLastGenerationCutShortDoesNotCount) {
    const std::string learners = "# learner: best rule so far after each generation\n";
    const std::string two = "-- Generacija: 1\na\nb\nc\nd\ne\n<One/>\n-- Generacija: 2\na\nb\nc\nd\ne\n<Two/>\n";
    const std::string third = "-- Generacija: 3\na\nb\nc\nd\ne\n<Three/>\n";
    for (std::size_t cut = 1; cut <= third.size(); ++cut) {
        if (cut < third.size() - 3 && third[cut - 1] != '\n') continue;
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        const bool whole = cut == third.size();
        std::istringstream in(learners + two + third.substr(0, cut));
        EXPECT_EQ(pomocni::countGenerations(in), whole ? 3 : 2);
        in.seekg(0);
        EXPECT_EQ(pomocni::findIndividual(in, 3), whole ? "<Three/>" : "");
        std::istringstream other(two + third.substr(0, cut));
        EXPECT_EQ(pomocni::countGenerations(other), 3);
    }
}

TEST(FindIndividual, TakesTheSixthLineAfterTheMarker) {
    std::istringstream in(dialogue::hallOfFame({{1, "<One/>"}, {2, "<Two/>"}, {3, "<Three/>"}}));
    EXPECT_EQ(pomocni::findIndividual(in, 2), "<Two/>");
}

TEST(FindIndividual, TheFiveLinesBetweenMayHoldAnything) {
    std::istringstream in("-- Generacija: 1\n-- Generacija: 2\n\n\n\n\nsixth\n-- Generacija: 2\nx\nx\nx\nx\nx\nlater\n");
    EXPECT_EQ(pomocni::findIndividual(in, 1), "sixth");
    in.seekg(0);
    // Generation 2's own first marker is the second line; its sixth line is "-- Generacija: 2".
    EXPECT_EQ(pomocni::findIndividual(in, 2), "-- Generacija: 2");
}

TEST(FindIndividual, OnlyTheFirstMarkerWithTheNumberCounts) {
    std::istringstream in(dialogue::hallOfFame({{4, "<First/>"}, {4, "<Second/>"}}));
    EXPECT_EQ(pomocni::findIndividual(in, 4), "<First/>");
}

TEST(FindIndividual, OtherNumbersArePassedOver) {
    std::istringstream in(dialogue::hallOfFame({{12, "<Twelve/>"}, {21, "<TwentyOne/>"}, {1, "<One/>"}}));
    EXPECT_EQ(pomocni::findIndividual(in, 1), "<One/>");
}

TEST(FindIndividual, MissingGenerationGivesEmptyTextAndAClearStream) {
    std::istringstream in(dialogue::hallOfFame({{1, "<One/>"}}));
    EXPECT_EQ(pomocni::findIndividual(in, 5), "");
    EXPECT_TRUE(in.good());
}

TEST(FindIndividual, FileEndingBeforeTheSixthLineGivesEmptyText) {
    std::istringstream in("-- Generacija: 1\na\nb\nc\nd\ne");
    EXPECT_EQ(pomocni::findIndividual(in, 1), "");
}

TEST(FindIndividual, ReadsFromTheCurrentPosition) {
    std::istringstream in(dialogue::hallOfFame({{1, "<One/>"}, {2, "<Two/>"}}));
    ASSERT_EQ(pomocni::findIndividual(in, 2), "<Two/>");
    EXPECT_EQ(pomocni::findIndividual(in, 1), "");
}

TEST(FindIndividual, CarriageReturnIsNotPartOfTheIndividual) {
    std::istringstream in("-- Generacija: 3\r\n1\r\n2\r\n3\r\n4\r\n5\r\n<Ind/>\r\n");
    EXPECT_EQ(pomocni::findIndividual(in, 3), "<Ind/>");
}

TEST(WriteSeed, WritesTheBeagleSeedForm) {
    std::ostringstream out;
    pomocni::writeSeed(out, "<Tree><Node/></Tree>");
    EXPECT_EQ(out.str(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Beagle>\n<Seeds>\n<Individual>\n"
              "<Tree><Node/></Tree>\n</Individual>\n</Seeds>\n</Beagle>\n");
}

// ---- The dialogue, driven through streams with the launches recorded ----

class Dialogue : public ::testing::Test {
protected:
    Dialogue() : chdir_(dir_.path()) {
        dir_.write("hof.txt", dialogue::hallOfFame({{1, "<One/>"}, {2, "<Two/>"}, {3, "<Three/>"}}));
    }

    // Runs the whole dialogue on the given console lines, recording the launches.
    void run(const std::vector<std::string>& answers) {
        std::istringstream console(dialogue::lines(answers));
        pomocni::Launcher launcher(console, out_, [this](const std::string& commandLine) {
            launched_.push_back(commandLine);
            if (onLaunch_) onLaunch_();
            return 0;
        });
        launcher.run();
    }

    TempDir dir_;
    ScopedChdir chdir_;
    std::ostringstream out_;
    std::vector<std::string> launched_;
    std::function<void()> onLaunch_;
};

TEST_F(Dialogue, AnswerWithoutANumberIsAskedAgain) {
    run({"hof.txt", "", "", "", "", "druga", " ", "+-1", "1", "", "-1"});
    std::string fourPrompts = dialogue::generationPrompt + dialogue::generationPrompt + dialogue::generationPrompt +
                              dialogue::generationPrompt;
    EXPECT_EQ(out_.str(), dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) + fourPrompts +
                              dialogue::pass("seed.obm", "test.bat", "evaluacija.exe") + dialogue::generationPrompt);
    EXPECT_EQ(dir_.read("seed.obm"), dialogue::seedFile("<One/>"));
}

TEST_F(Dialogue, NumberIsReadFromTheStartOfTheAnswer) {
    run({"hof.txt", "", "", "", "", " 2. generacija", "", "-1"});
    EXPECT_EQ(dir_.read("seed.obm"), dialogue::seedFile("<Two/>"));
}

TEST_F(Dialogue, UnopenableFilesAreAskedAgainAfterOneLineSayingWhy) {
    std::filesystem::create_directory(dir_.file("folder"));
    run({"nema.txt", "folder", "hof.txt", "folder", "", "", "", "", "-1"});
    EXPECT_EQ(out_.str(), dialogue::banner + dialogue::inputPrompt +
                              "Ne mogu otvoriti nema.txt: No such file or directory\n" + dialogue::inputPrompt +
                              "Ne mogu otvoriti folder: Is a directory\n" + dialogue::inputPrompt +
                              dialogue::outputPrompt + "Ne mogu zapisati u folder!\nRazlog: Is a directory\n" +
                              dialogue::outputPrompt + dialogue::testPrompt("test.bat") +
                              dialogue::evaluationPrompt("evaluacija.exe") + dialogue::orPrompt +
                              "Broj generacija: 3\n" + dialogue::generationPrompt);
}

TEST_F(Dialogue, ChosenOutputFileIsUsedAndNamed) {
    run({"hof.txt", "moj.obm", "", "", "", "1", "", "-1"});
    EXPECT_EQ(dir_.read("moj.obm"), dialogue::seedFile("<One/>"));
    EXPECT_FALSE(dir_.exists("seed.obm"));
    EXPECT_NE(out_.str().find("Zapisao u moj.obm\n"), std::string::npos);
}

TEST_F(Dialogue, EvaluationAnswerRunsOnceWithoutReplacingTheSetting) {
    run({"hof.txt", "", "moj_test", "moja_eval", "", "1", "druga_eval -x", "2", "", "-1"});
    EXPECT_EQ(launched_, (std::vector<std::string>{"moj_test", "druga_eval -x", "moj_test", "moja_eval"}));
}

TEST_F(Dialogue, OrModeAsksForTheOrCheck) {
    run({"hof.txt", "", "", "", "da", "1", "", "", "2", "", "fitness_OR.exe sve", "-1"});
    std::string expected = dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) +
                           dialogue::generationPrompt + dialogue::pass("seed.obm", "test.bat", "evaluacija.exe") +
                           dialogue::orCheck("fitness_OR.exe") + dialogue::generationPrompt +
                           dialogue::pass("seed.obm", "test.bat", "evaluacija.exe") +
                           dialogue::orCheck("fitness_OR.exe") + dialogue::generationPrompt;
    EXPECT_EQ(out_.str(), expected);
    EXPECT_EQ(launched_, (std::vector<std::string>{"test.bat", "evaluacija.exe", "fitness_OR.exe", "test.bat",
                                                   "evaluacija.exe", "fitness_OR.exe sve"}));
}

TEST_F(Dialogue, EmptyAnswerWithoutMarkersRestarts) {
    dir_.write("prazan.txt", "nothing here\n");
    run({"prazan.txt", "", "", "", "", "", "hof.txt", "", "", "", "", "-1"});
    EXPECT_EQ(out_.str(), dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 0) +
                              dialogue::generationPrompt + dialogue::setUp("test.bat", "evaluacija.exe", 3) +
                              dialogue::generationPrompt);
}

TEST_F(Dialogue, SeedThatCannotBeWrittenIsReportedAndNothingLaunched) {
    std::filesystem::create_directory(dir_.file("out"));
    // The test program takes the output folder away, so the second pass cannot write.
    onLaunch_ = [this] { std::filesystem::remove_all(dir_.file("out")); };
    run({"hof.txt", "out/seed.obm", "", "", "", "1", "", "2", "-1"});
    EXPECT_EQ(out_.str(), dialogue::banner + dialogue::setUp("test.bat", "evaluacija.exe", 3) +
                              dialogue::generationPrompt + dialogue::pass("out/seed.obm", "test.bat", "evaluacija.exe") +
                              dialogue::generationPrompt +
                              "Ne mogu zapisati u out/seed.obm!\nRazlog: No such file or directory\n" +
                              dialogue::generationPrompt);
    EXPECT_EQ(launched_.size(), 2u);
}

}  // namespace
