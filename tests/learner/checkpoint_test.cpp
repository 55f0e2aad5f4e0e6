// Checkpoints of a learning run: killed outright at random moments and resumed, stopped by
// SIGTERM and resumed, each time on another number of threads, the run ends with the files of a
// run never stopped; and the checkpoints that cannot be gone on from are refused.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "learner/checkpoint_format.h"
#include "learning_collections.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

using testing_support::RunResult;
using testing_support::runProgram;
using testing_support::TempDir;
using Clock = std::chrono::steady_clock;

// A single-machine run (lexicase selection) with the data in a folder of its own.
class Checkpoints : public testing::Test {
protected:
    void SetUp() override { learning_testing::generateCollection(data_, learning_testing::collections()[0].definition, 41); }

    std::vector<std::string> command(int threads, const std::string& more) const {
        std::vector<std::string> words = {LEARNER_BIN, "--collection", data_.path().string(), "--population", "30",
                                          "--generations", generations_, "--seed", "5", "--threads", std::to_string(threads)};
        std::istringstream extra(options_ + " " + more);
        for (std::string word; extra >> word;) words.push_back(word);
        return words;
    }
    std::string line(int threads, const std::string& more) const {
        std::string text;
        for (const std::string& word : command(threads, more)) text += "'" + word + "' ";
        return text.substr(text.find(' ') + 1);
    }
    int start(int threads, const std::string& more) const {
        return platform::startChild({command(threads, more), run_.path().string(), "/dev/null", "err.txt"});
    }
    // The files of the run never stopped, and how long it took.
    double uninterrupted() {
        const Clock::time_point begin = Clock::now();
        const RunResult run = runProgram(LEARNER_BIN, line(2, ""), whole_.path());
        EXPECT_EQ(run.status, 0) << run.err;
        return std::chrono::duration<double>(Clock::now() - begin).count();
    }
    void expectFilesOfTheUninterruptedRun() const {
        for (const char* file : {"learner_hof.txt", "learner_log.csv"}) EXPECT_EQ(run_.read(file), whole_.read(file)) << file;
    }

    TempDir data_, whole_, run_;
    std::string generations_ = "40";
    std::string options_;  // of every run of the test
};

TEST_F(Checkpoints, KilledAtTwentyRandomMomentsAndResumedTheRunEndsWithTheFilesOfOneNeverStopped) {
    generations_ = "120";
    const double seconds = uninterrupted();
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> moment(0, seconds / 6);
    int midRun = 0;  // kills that came after a generation and before the last
    for (int kill = 0; kill < 20; ++kill) {
        const std::string resume = run_.exists("ck.txt") ? " --resume ck.txt" : "";
        const int pid = start(1 + kill % 3, "--checkpoint ck.txt" + resume);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::duration<double>(moment(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) == 0) << run_.read("err.txt");
        // What a kill leaves of the growing files is the start of what they become.
        for (const char* file : {"learner_hof.txt", "learner_log.csv"}) {
            if (run_.exists(file)) {
                EXPECT_EQ(whole_.read(file).rfind(run_.read(file), 0), 0u) << file;
            }
        }
        const std::size_t logged = run_.exists("learner_log.csv") ? run_.read("learner_log.csv").size() : 0;
        midRun += logged > 0 && logged < whole_.read("learner_log.csv").size();
    }
    EXPECT_GE(midRun, 5);
    const std::string resume = run_.exists("ck.txt") ? " --resume ck.txt" : "";
    const RunResult last = runProgram(LEARNER_BIN, line(3, "--checkpoint ck.txt" + resume), run_.path());
    ASSERT_EQ(last.status, 0) << last.err;
    expectFilesOfTheUninterruptedRun();
}

// With preselection, whose sets the resumed run takes again.
TEST_F(Checkpoints, SigtermEndsTheRunAfterItsGenerationWithACheckpointToGoOnFrom) {
    generations_ = "150";  // time enough to come during the run
    options_ = "--preselect 2";
    uninterrupted();
    const int pid = start(2, "--checkpoint ck.txt --checkpoint-every 100");
    ASSERT_GT(pid, 0);
    for (int wait = 0; wait < 4000 && !(run_.exists("learner_log.csv") && run_.read("learner_log.csv").size() > 150); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_NE(run_.read("err.txt").find("learner: stopped by signal 15 (Terminated) after generation "),
              std::string::npos)
        << run_.read("err.txt");
    const RunResult resumed = runProgram(LEARNER_BIN, line(1, "--resume ck.txt"), run_.path());
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("Going on after generation "), std::string::npos);
    expectFilesOfTheUninterruptedRun();
}

// The hash on the last line made good again after a change, so that the reading itself is tried.
void rehash(TempDir& dir) {
    std::string text = dir.read("ck.txt");
    text.erase(text.rfind("end "));
    dir.write("ck.txt", text + "end " + std::to_string(gp::checkpoint::hashOf(text)) + "\n");
}

void replace(TempDir& dir, const std::string& file, const std::string& from, const std::string& to) {
    std::string text = dir.read(file);
    text.replace(text.find(from), from.size(), to);
    dir.write(file, text);
}

// The last word of the first individual's line left out: its tree lacks a node.
void cutTree(TempDir& dir) {
    std::string text = dir.read("ck.txt");
    const std::size_t end = text.find('\n', text.find("\nindividual ") + 1);
    const std::size_t lastWord = text.rfind(' ', end);
    dir.write("ck.txt", text.erase(lastWord, end - lastWord));
    rehash(dir);
}

// A checkpoint of a learner that did not have these options yet: their lines left out.
std::function<void(TempDir&)> writtenBefore(std::vector<std::string> options) {
    return [options](TempDir& dir) {
        const int written = 26 - static_cast<int>(options.size());
        replace(dir, "ck.txt", "options 26\n", "options " + std::to_string(written) + "\n");
        for (const std::string& option : options) replace(dir, "ck.txt", "option " + option + "\n", "");
        rehash(dir);
    };
}

struct Refusal {
    const char* name;
    std::function<void(TempDir&)> spoil;
    const char* options;  // of the resumed run
    const char* message;  // after "Checkpoint \"ck.txt\" "
};

const char kDamaged[] = "is damaged: it is cut short, or its contents do not match the hash on its last line.";

const Refusal kRefusals[] = {
    {"Missing", [](TempDir& d) { std::filesystem::remove(d.file("ck.txt")); }, "",
     "cannot be read: No such file or directory"},
    {"NotACheckpoint", [](TempDir& d) { d.write("ck.txt", "generation 3\n"); }, "", "is not a learner checkpoint."},
    {"OtherVersion", [](TempDir& d) { replace(d, "ck.txt", "checkpoint 1\n", "checkpoint 7\n"); }, "",
     "is of format version 7; this learner reads version 1."},
    {"Damaged", [](TempDir& d) { replace(d, "ck.txt", "\ngeneration 40", "\ngeneration 39"); }, "", kDamaged},
    {"CutShort", [](TempDir& d) { d.write("ck.txt", d.read("ck.txt").substr(0, 2000)); }, "", kDamaged},
    {"TreeCutShort", cutTree, "", "the line ends before its last word."},
    {"OtherOptions", [](TempDir&) {}, "--tournament 3", "is of a run with --tournament 7; this run has --tournament 3."},
    {"WrittenBeforeResampling", writtenBefore({"--resample yes", "--choice-draws 5"}), "",
     "is of a run with --resample no; this run has --resample yes."},
    {"WrittenBeforeChoiceDraws", writtenBefore({"--choice-draws 5"}), "",
     "is of a run with --choice-draws 0; this run has --choice-draws 5."},
    {"WrittenBeforePreselection", writtenBefore({"--preselect 3"}), "",
     "is of a run with --preselect 1; this run has --preselect 3."},
    {"ShorterHallOfFame", [](TempDir& d) { d.write("learner_hof.txt", "# learner\n"); }, "",
     "of the hall-of-fame file \"learner_hof.txt\", which is shorter."},
    {"MissingLog", [](TempDir& d) { std::filesystem::remove(d.file("learner_log.csv")); }, "",
     "goes on from the log file \"learner_log.csv\", which cannot be read: No such file or directory."},
    {"OtherRulesMeasured", [](TempDir& d) { replace(d, "ck.txt.rules", "\nrule 1 ", "\nrule 2 "); }, "",
     "does not go on from the rule file \"ck.txt.rules\": its first "},
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class RefusedCheckpoint : public Checkpoints, public testing::WithParamInterface<Refusal> {};

// One line naming the checkpoint and what does not match, status 1, and no file changed.
TEST_P(RefusedCheckpoint, EndsTheRunWithOneMessageAndChangesNothing) {
    const RunResult made = runProgram(LEARNER_BIN, line(2, "--checkpoint ck.txt"), run_.path());
    ASSERT_EQ(made.status, 0) << made.err;
    GetParam().spoil(run_);
    const auto before = run_.contents();
    const RunResult resumed =
        runProgram(LEARNER_BIN, line(2, "--resume ck.txt " + std::string(GetParam().options)), run_.path());
    EXPECT_EQ(resumed.status, 1);
    EXPECT_EQ(resumed.err.rfind("Checkpoint \"ck.txt\" ", 0), 0u) << resumed.err;
    EXPECT_NE(resumed.err.find(GetParam().message), std::string::npos) << resumed.err;
    EXPECT_EQ(resumed.err.find('\n'), resumed.err.size() - 1) << resumed.err;
    EXPECT_EQ(run_.contents(), before);
}

INSTANTIATE_TEST_SUITE_P(Checkpoints, RefusedCheckpoint, testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
