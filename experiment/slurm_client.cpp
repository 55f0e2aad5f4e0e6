#include "experiment/slurm_client.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/fatal.h"
#include "experiment/engine.h"
#include "experiment/plan.h"
#include "experiment/runner.h"
#include "experiment/slurm_script.h"

namespace experiment {

namespace fs = std::filesystem;

namespace {

// The last command's output, kept until the next one: what sbatch or squeue said is there to see.
constexpr const char* kClientOutput = "client.out";
constexpr const char* kClientError = "client.err";

std::string onPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
        std::error_code error;
        const fs::file_status status = fs::status(candidate, error);
        const fs::perms executable = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
        if (!error && fs::is_regular_file(status) && (status.permissions() & executable) != fs::perms::none)
            return candidate.string();
    }
    fatalError("experiment: " + name + " is not on PATH; --engine slurm submits with sbatch and follows with squeue "
               "and scontrol, from a machine of the cluster.");
}

std::string wholeFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string fieldOf(const std::string& record, const std::string& key) {
    std::istringstream words(record);
    for (std::string word; words >> word;)
        if (word.rfind(key + "=", 0) == 0) return word.substr(key.size() + 1);
    return "";
}

}  // namespace

SlurmClient::SlurmClient(const std::string& out, bool submits)
    : folder_(out + "/" + kSlurmFolder),
      sbatch_(submits ? onPath("sbatch") : ""),
      squeue_(onPath("squeue")),
      scontrol_(onPath("scontrol")),
      sleep_(onPath("sleep")) {}

CommandRun SlurmClient::sbatch(const std::string& script) const { return run({sbatch_, "--parsable", script}); }

CommandRun SlurmClient::squeue(const std::string& job) const {
    return run({squeue_, "--noheader", "--array", "--jobs", job, "--format", "%K"});
}

CommandRun SlurmClient::scontrol(const std::string& job, int run) const {
    return this->run({scontrol_, "--oneliner", "show", "job", job + "_" + std::to_string(run)});
}

CommandRun SlurmClient::pause(double seconds) const { return run({sleep_, std::to_string(seconds)}); }

CommandRun SlurmClient::run(std::vector<std::string> command) const {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) fatalError(fileProblem(kOutputFolderKind, folder_, "created", error.value()));
    CommandRun result;
    int startError = 0;
    const std::vector<RunTask> task = {{0, folder_, std::move(command), kClientOutput, kClientError}};
    result.stop = localEngine(1)->run(task, [&](const RunTask&, const RunEnd& end) {
        startError = end.startError;
        result.succeeded = end.startError == 0 && end.exitCode == 0;
    });
    result.output = wholeFile(folder_ + "/" + kClientOutput);
    result.message = startError != 0 ? task[0].command[0] + " could not be started: " + std::strerror(startError)
                                     : messageIn(folder_ + "/" + kClientError);
    return result;
}

std::string jobOf(const std::string& sbatchOutput) {
    std::istringstream in(sbatchOutput);
    std::string line;
    std::getline(in, line);
    const std::string job = line.substr(0, line.find(';'));
    const bool number = !job.empty() && job.find_first_not_of("0123456789") == std::string::npos;
    return number ? job : "";
}

std::set<int> queuedRuns(const std::string& squeueOutput) {
    std::set<int> runs;
    std::istringstream words(squeueOutput);
    for (std::string word; words >> word;)
        if (word.find_first_not_of("0123456789") == std::string::npos && word.size() < 9) runs.insert(std::stoi(word));
    return runs;
}

std::string taskEnding(const std::string& scontrolOutput) {
    const std::string state = fieldOf(scontrolOutput, "JobState");
    if (state.empty()) return "";
    const std::string exitCode = fieldOf(scontrolOutput, "ExitCode");
    return exitCode.empty() ? state : state + " (exit code " + exitCode + ")";
}

bool unknownJob(const std::string& message) { return message.find("Invalid job id") != std::string::npos; }

}  // namespace experiment
