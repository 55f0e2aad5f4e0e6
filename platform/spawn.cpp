#include "platform/spawn.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform::detail {

namespace {

// Moves a descriptor onto a standard one; dup2 leaves the copy open across exec.
bool placeOn(int fd, int standard) { return fd < 0 || dup2(fd, standard) == standard; }

int applySetup(const ChildSetup& setup, pid_t parent) {
    if (!placeOn(setup.inputFd, STDIN_FILENO) || !placeOn(setup.outputFd, STDOUT_FILENO) ||
        !placeOn(setup.errorFd, STDERR_FILENO))
        return errno;
    if (setup.folder && chdir(setup.folder) != 0) return errno;
    if (setup.releaseHeldSignals) {
        sigset_t held;
        heldSignals(held);
        if (sigprocmask(SIG_UNBLOCK, &held, nullptr) != 0) return errno;
    }
    if (setup.endWithParent) {
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0) return errno;
        if (getppid() != parent) return ESRCH;  // the parent died before the request took hold
    }
    return 0;
}

// Runs in the child after fork and never returns: either the program replaces us, or the
// reason it could not is sent up the report pipe and the child ends at once, without
// touching anything the parent owns (no atexit handlers, no stream flushing).
[[noreturn]] void becomeProgram(std::vector<char*>& argv, bool searchPath, const ChildSetup& setup, pid_t parent,
                                int reportFd) {
    int error = applySetup(setup, parent);
    if (error == 0) {
        // Only standard input, output and error go to the program; every other file of ours,
        // the report pipe included, closes when the program starts.
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        if (searchPath)
            execvp(argv[0], argv.data());
        else
            execv(argv[0], argv.data());
        error = errno;
    }
    [[maybe_unused]] ssize_t sent = write(reportFd, &error, sizeof error);
    _exit(127);
}

// The report pipe closes empty when the program started, or carries the error number.
int startError(int reportFd) {
    int error = 0;
    ssize_t got = 0;
    do {
        got = read(reportFd, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

void heldSignals(sigset_t& set) {
    sigemptyset(&set);
    sigaddset(&set, SIGCHLD);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) sigaddset(&set, signal);
    }
}

int spawn(std::vector<char*>& argv, bool searchPath, const ChildSetup& setup) {
    // What we printed must come before anything the program prints, and must not be printed a
    // second time from a copy of our buffers.
    std::fflush(nullptr);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return -errno;
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return -error;
    }
    if (child == 0) becomeProgram(argv, searchPath, setup, parent, report[1]);
    close(report[1]);
    const int error = startError(report[0]);
    close(report[0]);
    if (error == 0) return child;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return -error;
}

}  // namespace platform::detail
