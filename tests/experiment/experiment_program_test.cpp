// The built `experiment` end to end on tiny collections: the same files whatever --jobs says and
// each run's files as a manual learner run writes them, a resumed experiment after a stop that
// equals an uninterrupted one, a failed run recorded while the others go on, the report's section,
// and bad input refused before anything runs.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "learner/learning_collections.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunResult;
using testing_support::runProgram;
using testing_support::TempDir;

constexpr const char* kShortRuns = "-- --population 20 --generations 3";

// runs.csv without its seconds column, which the summary does not use.
std::string withoutSeconds(const std::string& csv) {
    std::istringstream in(csv);
    std::string text;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
        if (cells.size() > 11) cells.erase(cells.begin() + 11);  // run ... 4 test totals, size, depth, seconds
        for (const std::string& cell : cells) text += cell + ",";
        text += "\n";
    }
    return text;
}

// Training (seed 1), test (2) and validation (3) collections of the single machine, and a uniform one.
class Experiment : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folders_ = new TempDir;
        const std::string& single = learning_testing::collections()[0].definition;
        for (const auto& [name, seed] : {std::pair{"train", 1}, std::pair{"test", 2}, std::pair{"val", 3}})
            generate(name, single, seed);
        generate("uniform", learning_testing::collections()[1].definition, 4);
        generate("broken", single, 5);
        folders_->write("broken/d.txt", "x\n");
    }
    static void TearDownTestSuite() { delete folders_; }

    static void generate(const std::string& name, const std::string& definition, int seed) {
        fs::create_directory(folders_->path() / name);
        folders_->write(name + "/fitness.txt", definition);
        ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed " + std::to_string(seed), folders_->path() / name).status, 0);
    }

    static std::string collections(bool validation = true) {
        const std::string root = folders_->path().string();
        return "--train '" + root + "/train' --test '" + root + "/test'" +
               (validation ? " --validation '" + root + "/val'" : "");
    }

    RunResult experiment(const std::string& out, const std::string& args) {
        return runProgram(EXPERIMENT_BIN, collections() + " --out '" + work_.file(out) + "' " + args, work_.path());
    }

    std::string read(const std::string& out, const std::string& file) const { return work_.read(out + "/" + file); }

    // The files that must not depend on how the runs were carried out.
    void expectSameResults(const std::string& a, const std::string& b) const {
        for (const char* file : {"sets.csv", "summary.txt"}) EXPECT_EQ(read(a, file), read(b, file)) << file;
        EXPECT_EQ(withoutSeconds(read(a, "runs.csv")), withoutSeconds(read(b, "runs.csv")));
    }

    static TempDir* folders_;
    TempDir work_;
};

TempDir* Experiment::folders_ = nullptr;

TEST_F(Experiment, GivesTheSameFilesWhateverJobsSays) {
    const RunResult one = experiment("one", "--runs 4 --jobs 1 " + std::string(kShortRuns));
    ASSERT_EQ(one.status, 0) << one.err;
    const RunResult three = experiment("three", "--runs 4 --jobs 3 " + std::string(kShortRuns));
    ASSERT_EQ(three.status, 0) << three.err;
    expectSameResults("one", "three");
    EXPECT_NE(read("one", "summary.txt").find("4 finished, 0 failed"), std::string::npos);

    // Run 2 is learner --seed 3 with one thread in its folder, as a user would run it by hand, its
    // final rule chosen on the validation collection.
    const std::string manual = "--collection '" + (folders_->path() / "train").string() + "' --validation '" +
                               (folders_->path() / "val").string() +
                               "' --seed 3 --threads 1 --population 20 --generations 3";
    ASSERT_EQ(runProgram(LEARNER_BIN, manual, work_.path()).status, 0);
    for (const char* file : {"learner_hof.txt", "learner_log.csv"})
        EXPECT_EQ(read("three/run-02", file), work_.read(file)) << file;
}

// Stopped while runs are in progress, by SIGTERM (passed on to the runs) or SIGKILL (the runs end
// with it), then resumed: the files equal those of an experiment never stopped.
class Stopped : public Experiment, public testing::WithParamInterface<int> {};

TEST_P(Stopped, ResumesToTheFilesOfAnUninterruptedExperiment) {
    const std::string slow = "--runs 3 --jobs 2 -- --population 200 --generations 40";
    ASSERT_EQ(experiment("whole", slow).status, 0);
    const std::string out = work_.file("stopped");
    std::vector<std::string> argv = {EXPERIMENT_BIN, "--train", (folders_->path() / "train").string(), "--test",
                                     (folders_->path() / "test").string(), "--validation",
                                     (folders_->path() / "val").string(), "--out", out, "--runs", "3", "--jobs", "2",
                                     "--", "--population", "200", "--generations", "40"};
    const int pid = platform::startChild({argv, work_.path().string(), "stopped.out", "stopped.err"});
    ASSERT_GT(pid, 0);
    // Mid-way: the first run has written a generation, and no run has a result yet.
    const fs::path log = fs::path(out) / "run-00" / "learner_log.csv";
    for (int wait = 0; wait < 2000 && !(fs::exists(log) && fs::file_size(log) > 80); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(fs::exists(fs::path(out) / "run-00" / "result.txt")) << "the runs were over too soon";
    kill(pid, GetParam());
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the runs end with their parent
    EXPECT_FALSE(fs::exists(fs::path(out) / "summary.txt"));
    // No file half-written: a temporary of a whole file (".<name>...tmp") is never left behind.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(out))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();

    const RunResult resumed = experiment("stopped", "--resume " + slow);
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    expectSameResults("whole", "stopped");
    // The half-finished run went on from its checkpoint (written as it stopped, or before).
    EXPECT_NE(read("stopped", "run-00/learner_out.txt").find("Going on after generation "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Experiment, Stopped, testing::Values(SIGTERM, SIGKILL),
                         [](const auto& info) { return info.param == SIGTERM ? "SIGTERM" : "SIGKILL"; });

TEST_F(Experiment, RecordsAFailedRunAndGoesOnAndTheReportShowsTheRest) {
    const std::string args = "--runs 3 " + std::string(kShortRuns);
    ASSERT_EQ(experiment("out", args).status, 0);
    // Run 1 again from its start, where its hall of fame cannot be written.
    fs::remove(work_.path() / "out/run-01/result.txt");
    fs::remove(work_.path() / "out/run-01/learner_checkpoint.txt");
    fs::remove(work_.path() / "out/run-01/learner_hof.txt");
    fs::create_directory(work_.path() / "out/run-01/learner_hof.txt");
    const RunResult resumed = experiment("out", "--resume " + args);
    EXPECT_EQ(resumed.status, 1);
    EXPECT_NE(resumed.out.find("Run 1 (seed 2) failed: the learner ended with exit status 1: Hall-of-fame file "
                               "\"learner_hof.txt\" cannot be written: Is a directory"),
              std::string::npos)
        << resumed.out;
    const std::string runs = read("out", "runs.csv");
    EXPECT_NE(runs.find("\n0,1,ok,"), std::string::npos);
    EXPECT_NE(runs.find("\n1,2,failed,"), std::string::npos);
    EXPECT_NE(runs.find("\n2,3,ok,"), std::string::npos);
    EXPECT_NE(read("out", "summary.txt").find("2 finished, 1 failed"), std::string::npos);

    const RunResult report = runProgram(REPORT_BIN, "--experiment '" + work_.file("out") + "' --out '" +
                                                        work_.file("report.html") + "'",
                                        folders_->path() / "test");
    ASSERT_EQ(report.status, 0) << report.err;
    EXPECT_NE(work_.read("report.html").find("3 learner runs in"), std::string::npos);
}

// A seed file named relative to where the experiment starts reaches the runs in their own folders.
TEST_F(Experiment, HandsOnASeedFileByItsFullPath) {
    work_.write("seeds.obm", "<Beagle><Seeds><Individual><Genotype type=\"gptree\" size=\"2\" depth=\"2\">"
                             "<Primit name=\"neg\"><Primit name=\"d\"/></Primit></Genotype></Individual>"
                             "</Seeds></Beagle>");
    const RunResult run = experiment("out", "--runs 1 " + std::string(kShortRuns) + " --seeds=seeds.obm");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(read("out", "experiment.txt").find("--seeds=" + work_.file("seeds.obm")), std::string::npos);
}

struct BadInput {
    const char* name;
    std::string args;
    std::string message;  // the start of the one line on standard error
    friend void PrintTo(const BadInput& input, std::ostream* out) { *out << input.name; }
};

class Refused : public Experiment, public testing::WithParamInterface<BadInput> {};

TEST_P(Refused, BeforeAnythingRuns) {
    const auto placed = [](std::string text) {
        for (std::size_t at; (at = text.find("ROOT")) != std::string::npos;)
            text.replace(at, 4, folders_->path().string());
        return text;
    };
    const RunResult run =
        runProgram(EXPERIMENT_BIN, "--out '" + work_.file("out") + "' " + placed(GetParam().args), work_.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind(placed(GetParam().message), 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(work_.path() / "out"));
}

INSTANTIATE_TEST_SUITE_P(
    Experiment, Refused,
    testing::Values(
        BadInput{"MissingCollection", "--train ROOT/none --test ROOT/test",
                 "Definition file \"ROOT/none/fitness.txt\" cannot be read."},
        BadInput{"BrokenDataFile", "--train ROOT/train --test ROOT/broken",
                 "Matrix file \"ROOT/broken/d.txt\": the header must hold two integers"},
        BadInput{"OtherEnvironment", "--train ROOT/train --test ROOT/test --validation ROOT/uniform",
                 "experiment: the collections are of different environments"},
        BadInput{"UnknownLearnerOption", "--train ROOT/train --test ROOT/test -- --populaton 9",
                 "experiment: learner options: "},
        BadInput{"LearnerOptionOutOfRange", "--train ROOT/train --test ROOT/test -- --population 1",
                 "experiment: learner options: --population must be from 2"},
        BadInput{"LearnerOptionOfTheExperiment", "--train ROOT/train --test ROOT/test -- --seed 4",
                 "experiment: the learner option --seed is the experiment's to set"},
        BadInput{"SchemeOfAnotherEnvironment", "--train ROOT/train --test ROOT/test -- --scheme pair",
                 "experiment: learner options: --scheme pair is not a scheme of the single-machine environment"},
        BadInput{"MissingSeedFile", "--train ROOT/train --test ROOT/test -- --seeds ROOT/none.obm",
                 "Seed file \"ROOT/none.obm\": cannot be read."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
