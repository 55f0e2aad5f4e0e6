#pragma once

// How an experiment's runs are carried out: each run is one learner command in its own folder,
// and an engine runs a list of them and reports each one as it ends. The local engine runs them
// as child processes of this machine; the Slurm engine (slurm_engine.h) takes the same tasks to a
// cluster, where each runs through the local engine, and reports the same ends.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace experiment {

struct RunTask {
    int run = 0;
    std::string folder;                // made beforehand; the command runs there
    std::vector<std::string> command;  // the learner's path, then its arguments
    std::string outputFile;            // its standard output, in the folder
    std::string errorFile;             // its standard error, in the folder
};

struct RunEnd {
    int startError = 0;   // the system error number when the command could not be started
    int exitCode = -1;    // its exit status, or -1 when a signal ended it
    int signal = 0;       // the signal that ended it
    double seconds = 0;   // wall time from start to end
    std::string failure;  // why the engine lost the run, when it cannot say more (e.g. a cancelled batch job)
};

using RunFinished = std::function<void(const RunTask&, const RunEnd&)>;

class Engine {
public:
    virtual ~Engine() = default;
    // Runs the tasks and calls `finished` for each as it ends, in the order they end. A stop
    // signal (Ctrl-C, SIGTERM, SIGHUP) is passed on to the runs in progress, which are then waited
    // for; those it ended are not reported (on Slurm the runs go on, and only the following stops).
    // Returns that signal, or 0 when every task was run.
    virtual int run(const std::vector<RunTask>& tasks, const RunFinished& finished) = 0;
};

// Runs up to `jobs` tasks at once on this machine.
std::unique_ptr<Engine> localEngine(int jobs);

}  // namespace experiment
