#include "experiment/slurm_script.h"

#include <regex>
#include <sstream>

namespace experiment {

namespace {

// The options that tie a task to its run and its output to the file read back when it fails.
constexpr const char* kSetByExperiment[] = {"--array", "-a", "--output", "-o", "--error", "-e"};

bool isOurs(const std::string& option) {
    for (const std::string ours : kSetByExperiment) {
        const bool longOption = ours.size() > 2;
        if (option == ours || option.rfind(ours + (longOption ? "=" : ""), 0) == 0) return true;
    }
    return false;
}

// A task may be requeued (a preempted task, a lost node) and goes on from its run's checkpoint
// then; before the time limit's SIGKILL the task (this program, which the batch shell becomes)
// gets SIGTERM, passes it on to the learner, which ends after its generation with a checkpoint.
// A site's own --signal or --no-requeue in --sbatch-args, which come later, win.
constexpr const char* kRequeueSafe = "#SBATCH --requeue\n#SBATCH --signal=B:TERM@120\n";

std::string slurmFile(const std::string& out, const std::string& name) {
    return out + "/" + kSlurmFolder + "/" + name;
}

std::string requestedLines(const SlurmRequest& request) {
    std::string lines;
    const auto line = [&](const char* option, const std::string& value) {
        if (!value.empty()) lines += std::string("#SBATCH ") + option + "=" + value + "\n";
    };
    line("--partition", request.partition);
    line("--time", request.time);
    line("--mem", request.memory);
    line("--cpus-per-task", request.cpusPerTask > 0 ? std::to_string(request.cpusPerTask) : "");
    std::string ignored;
    for (const std::string& option : sbatchOptions(request.sbatchArgs, ignored)) lines += "#SBATCH " + option + "\n";
    return lines;
}

}  // namespace

std::string taskOutputFile(const std::string& out, int run) {
    return slurmFile(out, "task-" + std::to_string(run) + ".txt");
}

std::string taskEndFile(const std::string& out, int run) {
    return slurmFile(out, "task-" + std::to_string(run) + ".end");
}

std::string arrayIndices(const std::vector<int>& runs, int jobs) {
    std::string indices;
    for (std::size_t first = 0; first < runs.size();) {
        std::size_t last = first;
        while (last + 1 < runs.size() && runs[last + 1] == runs[last] + 1) ++last;
        if (!indices.empty()) indices += ',';
        indices += std::to_string(runs[first]);
        if (last > first) (indices += '-') += std::to_string(runs[last]);
        first = last + 1;
    }
    return jobs > 0 ? indices + "%" + std::to_string(jobs) : indices;
}

std::string arrayScript(const ArrayJob& job) {
    // #SBATCH lines end at the first command, so the comments come first and the command last;
    // sbatch reads quotes in them as the shell does.
    return "#!/bin/sh\n"
           "# The Slurm job of the experiment in " + job.out + ".\n"
           "# Task r carries out run r (its learner in the run's folder, as on a single machine) and records\n"
           "# how it ended in slurm/task-r.end; experiment --collect follows the job and sums up the runs.\n"
           "#SBATCH --job-name=experiment\n"
           "#SBATCH --array=" + arrayIndices(job.runs, job.request.jobs) + "\n" +
           "#SBATCH --output=" + shellWord(slurmFile(job.out, "task-%a.txt")) + "\n" + kRequeueSafe +
           requestedLines(job.request) +
           "exec " + shellWord(job.experiment) + " --task " + shellWord(job.out) + " \"$SLURM_ARRAY_TASK_ID\"\n";
}

std::vector<std::string> sbatchOptions(const std::vector<std::string>& texts, std::string& problem) {
    std::vector<std::string> options;
    for (const std::string& text : texts) {
        std::istringstream words(text);
        for (std::string word; words >> word;) {
            if (word == "#SBATCH") continue;
            if (word.front() == '-') {
                if (isOurs(word)) {
                    problem = word + " is the experiment's to set: its tasks are its runs, their output its own";
                    return {};
                }
                options.push_back(word);
            } else if (options.empty()) {
                problem = "\"" + word + "\" is no sbatch option (they begin with -)";
                return {};
            } else {
                options.back() += " " + word;
            }
        }
    }
    return options;
}

std::string timeProblem(const std::string& time) {
    static const std::regex forms(R"((\d+-\d+(:\d+(:\d+)?)?)|(\d+(:\d+(:\d+)?)?)|UNLIMITED|INFINITE)",
                                  std::regex::icase);
    if (std::regex_match(time, forms)) return "";
    return "\"" + time + "\" is no Slurm time: minutes, minutes:seconds, hours:minutes:seconds, days-hours, "
           "days-hours:minutes or days-hours:minutes:seconds";
}

std::string memoryProblem(const std::string& memory) {
    static const std::regex form(R"(\d+[KMGT]?)", std::regex::icase);
    if (std::regex_match(memory, form)) return "";
    return "\"" + memory + "\" is no Slurm memory size: a whole number of megabytes, or one with K, M, G or T";
}

std::string partitionProblem(const std::string& partition) {
    static const std::regex names(R"([A-Za-z0-9_.-]+(,[A-Za-z0-9_.-]+)*)");
    if (std::regex_match(partition, names)) return "";
    return "\"" + partition + "\" is no partition name (or comma-separated list of them)";
}

std::string sbatchArgsProblem(const std::string& text) {
    std::string problem;
    sbatchOptions({text}, problem);
    return problem;
}

std::string shellWord(const std::string& word) {
    static const std::regex plain(R"([A-Za-z0-9_./@%+=:,-]+)");
    if (std::regex_match(word, plain)) return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace experiment
