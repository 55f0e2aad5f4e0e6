#pragma once

// Programs that run several child processes side by side (experiment): each started in its own
// working folder with its output sent to files, the children waited for in the order they end,
// and the signals that stop a run (Ctrl-C, SIGTERM, SIGHUP) held meanwhile, so that the parent
// can pass them on to its children and finish what it was writing.
#include <string>
#include <vector>

namespace platform {

struct ChildProgram {
    std::vector<std::string> argv;  // argv[0] is the program's path; PATH is not searched
    std::string folder;             // its working folder
    std::string outputFile;         // its standard output, created or emptied (a name in the folder)
    std::string errorFile;          // its standard error, likewise
};

// Starts the program with standard input from /dev/null. It gets SIGTERM when this process dies,
// so that no child outlives a killed parent. Returns its process id, or minus the system error
// number when it could not be started.
int startChild(const ChildProgram& program);

// While an object lives, the stop signals do not end the process: they wait for
// waitForChildOrStop. Children started meanwhile receive them as usual.
class HeldStopSignals {
public:
    HeldStopSignals();
    ~HeldStopSignals();
    HeldStopSignals(const HeldStopSignals&) = delete;
    HeldStopSignals& operator=(const HeldStopSignals&) = delete;
};

struct ChildEvent {
    int pid = 0;        // the child that ended; 0 when a stop signal came instead, -1 without children
    int exitCode = -1;  // its exit status, or -1 when a signal ended it
    int signal = 0;     // the signal that ended it, or the stop signal that came
};

// With the stop signals held: the next child to end (those already ended come first), or the
// next stop signal.
ChildEvent waitForChildOrStop();

void signalChild(int pid, int signal);

// Ctrl-C, SIGTERM or SIGHUP: what ends a run from outside, not of itself.
bool isStopSignal(int signal);

// With the stop signals held: drops those that came meanwhile (Ctrl-C reaches the children and
// their parent alike), once a stop is under way.
void dropPendingStopSignals();

// Ends the process as an unhandled signal would, so that a caller sees how it ended.
[[noreturn]] void endBySignal(int signal);

// The folder that holds the running program's executable.
std::string executableFolder();

}  // namespace platform
