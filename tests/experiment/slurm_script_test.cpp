// The Slurm array script's #SBATCH lines from the options, and what --engine slurm refuses
// before anything runs: bad option values, Slurm's commands missing, sbatch refusing the job.
// (A real cluster runs the whole experiment in slurm_test.sh.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "experiment/slurm_script.h"
#include "learner/learning_collections.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunResult;
using testing_support::runProgram;
using testing_support::TempDir;

struct Script {
    const char* name;
    std::vector<int> runs;
    experiment::SlurmRequest request;
    std::vector<std::string> lines;  // after the job's name
};

class ArrayScript : public testing::TestWithParam<Script> {};

TEST_P(ArrayScript, HoldsTheRequestedSbatchLines) {
    const experiment::ArrayJob job{"/opt/gp/experiment", "/data/it's mine", GetParam().runs, GetParam().request};
    std::istringstream script(experiment::arrayScript(job));
    std::vector<std::string> lines;
    std::string command;
    for (std::string line; std::getline(script, line);) {
        if (line.rfind("#SBATCH ", 0) == 0 && line != "#SBATCH --job-name=experiment") lines.push_back(line);
        if (line.rfind("#", 0) != 0) command += line + "\n";
    }
    EXPECT_EQ(lines, GetParam().lines);
    // Task r runs run r of this experiment; the quotes keep the folder one word.
    EXPECT_EQ(command, "exec /opt/gp/experiment --task '/data/it'\\''s mine' \"$SLURM_ARRAY_TASK_ID\"\n");
}

const std::string kOutput = "#SBATCH --output='/data/it'\\''s mine/slurm/task-%a.txt'";
// A requeued task goes on from its run's checkpoint; SIGTERM comes before the time limit's SIGKILL.
const std::string kRequeue = "#SBATCH --requeue", kSignal = "#SBATCH --signal=B:TERM@120";

INSTANTIATE_TEST_SUITE_P(
    Experiment, ArrayScript,
    testing::Values(
        Script{"TheSitesDefaults", {0, 1, 2, 3, 4, 5}, {}, {"#SBATCH --array=0-5", kOutput, kRequeue, kSignal}},
        Script{"JobsLimitTheTasksAtOnce", {0, 1, 2}, {"", "", "", 0, {}, 2, false}, {"#SBATCH --array=0-2%2", kOutput, kRequeue, kSignal}},
        Script{"ResumedRunsOnly", {1, 3, 4, 5, 9}, {"", "", "", 0, {}, 4, false}, {"#SBATCH --array=1,3-5,9%4", kOutput, kRequeue, kSignal}},
        Script{"EveryOption",
               {7},
               {"gpu", "1-12:00:00", "2G", 4, {}, 0, false},
               {"#SBATCH --array=7", kOutput, kRequeue, kSignal, "#SBATCH --partition=gpu", "#SBATCH --time=1-12:00:00",
                "#SBATCH --mem=2G", "#SBATCH --cpus-per-task=4"}},
        Script{"SbatchArgsAnOptionALine",
               {0},
               {"", "", "", 0, {"--account=proj42 --qos normal", "#SBATCH -A x\n#SBATCH --mail-type=END"}, 0, false},
               {"#SBATCH --array=0", kOutput, kRequeue, kSignal, "#SBATCH --account=proj42", "#SBATCH --qos normal", "#SBATCH -A x",
                "#SBATCH --mail-type=END"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct Refusal {
    const char* name;
    std::string args;     // after the collections and --out
    const char* sbatch;   // "missing": no Slurm on PATH; "refusing": an sbatch that refuses; "": the machine's
    std::string message;  // the start of standard error
    friend void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }
};

class SlurmRefused : public testing::TestWithParam<Refusal> {
protected:
    static void SetUpTestSuite() {
        folders_ = new TempDir;
        fs::create_directory(folders_->path() / "train");
        folders_->write("train/fitness.txt", learning_testing::collections()[0].definition);
        ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed 1", folders_->path() / "train").status, 0);
        // Stand-ins on PATH: none of Slurm's commands, or an sbatch that refuses every job.
        fs::create_directories(folders_->path() / "bin/none");
        fs::create_directories(folders_->path() / "bin/refusing");
        for (const char* command : {"sbatch", "squeue", "scontrol"})
            folders_->write(std::string("bin/refusing/") + command,
                            "#!/bin/sh\necho 'sbatch: error: Batch job submission failed: Invalid partition name specified' >&2\n"
                            "exit 1\n");
        for (const auto& entry : fs::directory_iterator(folders_->path() / "bin/refusing"))
            fs::permissions(entry.path(), fs::perms::owner_all);
    }
    static void TearDownTestSuite() { delete folders_; }

    static TempDir* folders_;
    TempDir work_;
};

TempDir* SlurmRefused::folders_ = nullptr;

TEST_P(SlurmRefused, BeforeAnythingRuns) {
    const std::string path = std::getenv("PATH");
    const std::string bin = (folders_->path() / "bin").string();
    if (std::string(GetParam().sbatch) == "missing") setenv("PATH", (bin + "/none").c_str(), 1);
    if (std::string(GetParam().sbatch) == "refusing") setenv("PATH", (bin + "/refusing:" + path).c_str(), 1);
    const std::string train = (folders_->path() / "train").string();
    const RunResult run =
        runProgram(EXPERIMENT_BIN,
                   "--train '" + train + "' --test '" + train + "' --out '" + work_.file("out") + "' " + GetParam().args,
                   work_.path());
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind(GetParam().message, 0), 0u) << run.err;
    // A refused job leaves the output folder as it found it: here, none there.
    EXPECT_TRUE(!fs::exists(work_.path() / "out") || fs::is_empty(work_.path() / "out"));
}

const std::string kSlurm = "--runs 2 --engine slurm ";

INSTANTIATE_TEST_SUITE_P(
    Experiment, SlurmRefused,
    testing::Values(
        Refusal{"UnknownEngine", "--engine cloud", "", "experiment: --engine: cloud not in {local,slurm}"},
        Refusal{"SlurmOptionOfTheLocalEngine", "--partition gpu", "",
                "experiment: --partition is an option of --engine slurm"},
        Refusal{"Time", kSlurm + "--time 1:2:3:4", "", "experiment: --time: \"1:2:3:4\" is no Slurm time"},
        Refusal{"Memory", kSlurm + "--mem lots", "", "experiment: --mem: \"lots\" is no Slurm memory size"},
        Refusal{"Cores", kSlurm + "--cpus-per-task 0", "", "experiment: --cpus-per-task: Value 0 not in range"},
        Refusal{"Partition", kSlurm + "--partition 'a b'", "", "experiment: --partition: \"a b\" is no partition"},
        Refusal{"SbatchArgsNoOption", kSlurm + "--sbatch-args account=x", "",
                "experiment: --sbatch-args: \"account=x\" is no sbatch option"},
        Refusal{"SbatchArgsOfTheExperiment", kSlurm + "--sbatch-args '--qos=a -o x'", "",
                "experiment: --sbatch-args: -o is the experiment's to set"},
        Refusal{"LineBreak", kSlurm + "--sbatch-args '--qos=a\n--comment=b'", "",
                "experiment: an argument holds a line break"},
        Refusal{"CollectWithOptions", "--collect x", "", "experiment: --collect takes no other option"},
        Refusal{"NoSlurmOnPath", kSlurm, "missing", "experiment: sbatch is not on PATH"},
        Refusal{"SbatchRefuses", kSlurm + "--partition nope", "refusing",
                "experiment: sbatch refused the job: sbatch: error: Batch job submission failed: Invalid partition "
                "name specified\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
