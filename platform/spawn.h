#pragma once

// Starting a program in a child process, shared by the launcher (pomocni) and the runner of
// side-by-side child processes (experiment). Internal to the platform layer.
#include <signal.h>

#include <vector>

namespace platform::detail {

// What the child does between fork and exec: only system calls that are safe in a child of a
// threaded parent. Null members or -1 descriptors leave that part as the parent has it.
struct ChildSetup {
    int outputFd = -1;             // becomes standard output
    int errorFd = -1;              // becomes standard error
    int inputFd = -1;              // becomes standard input
    const char* folder = nullptr;  // the working folder
    bool releaseHeldSignals = false;  // the stop signals and SIGCHLD that the parent holds
    bool endWithParent = false;       // SIGTERM when the parent dies, so no run outlives it
};

// Forks and runs argv (null-terminated; argv[0] searched on PATH when searchPath) in the child
// after `setup`. Returns the child's id, or minus the system error number when the program could
// not be started (the child has then ended and been waited for).
int spawn(std::vector<char*>& argv, bool searchPath, const ChildSetup& setup);

// The signals that a program running children holds, to take them itself: Ctrl-C, SIGTERM and
// SIGHUP end a run, unless the program was started to ignore them (nohup, a background job of a
// script), as its children then do too; SIGCHLD says a child ended.
void heldSignals(sigset_t& set);

}  // namespace platform::detail
