#pragma once

// The Slurm job of an experiment as text: OUT/slurm/array.sh, an array with one task per run whose
// #SBATCH lines come from the experiment's options, and the checks of those options.
#include <string>
#include <vector>

namespace experiment {

// What --engine slurm asks of the cluster.
struct SlurmRequest {
    std::string partition, time, memory;  // empty: the site's defaults
    int cpusPerTask = 0;                  // 0: the site's default
    std::vector<std::string> sbatchArgs;  // free text, each one or more sbatch options
    int jobs = 0;                         // tasks at once, 0: as many as Slurm allows
    bool submitOnly = false;
};

struct ArrayJob {
    std::string experiment;  // the program each task runs, by its full path
    std::string out;         // the output folder, by its full path
    std::vector<int> runs;   // the runs to carry out, ascending: task r is run r
    SlurmRequest request;
};

// The script's file, its tasks' output files (%a the task's number) and the record of how a run's
// task ended, in the output folder.
inline constexpr const char* kSlurmFolder = "slurm";
inline constexpr const char* kArrayScript = "array.sh";
std::string taskOutputFile(const std::string& out, int run);
std::string taskEndFile(const std::string& out, int run);

std::string arrayScript(const ArrayJob& job);

// The runs as Slurm's --array value: ranges of successive runs, and the limit after "%".
std::string arrayIndices(const std::vector<int>& runs, int jobs);

// The sbatch options in --sbatch-args texts: white space separates words, a word that begins with
// "-" begins an option and the words after it are its value; "#SBATCH" words (pasted lines) are
// dropped. Empty when the text is refused, with the reason in `problem`.
std::vector<std::string> sbatchOptions(const std::vector<std::string>& texts, std::string& problem);

// Each "" when the value suits Slurm, else the reason.
std::string timeProblem(const std::string& time);
std::string memoryProblem(const std::string& memory);
std::string partitionProblem(const std::string& partition);
std::string sbatchArgsProblem(const std::string& text);

// A word the shell takes as it is: in single quotes unless it needs none.
std::string shellWord(const std::string& word);

}  // namespace experiment
