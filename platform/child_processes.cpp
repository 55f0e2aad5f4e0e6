#include "platform/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "platform/spawn.h"

namespace platform {

namespace {

// Closes a descriptor opened for a child once the child has its own copy.
class OwnedFd {
public:
    explicit OwnedFd(int fd) : fd_(fd) {}
    ~OwnedFd() {
        if (fd_ >= 0) close(fd_);
    }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int openForChild(const std::string& folder, const std::string& name, int flags) {
    const std::string path = name.empty() || name.front() == '/' ? name : folder + "/" + name;
    return open(path.c_str(), flags | O_CLOEXEC, 0666);
}

}  // namespace

int startChild(const ChildProgram& program) {
    const OwnedFd input(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const OwnedFd output(openForChild(program.folder, program.outputFile, O_WRONLY | O_CREAT | O_TRUNC));
    if (output.get() < 0) return -errno;
    const OwnedFd error(openForChild(program.folder, program.errorFile, O_WRONLY | O_CREAT | O_TRUNC));
    if (error.get() < 0 || input.get() < 0) return -errno;
    std::vector<std::string> words = program.argv;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    detail::ChildSetup setup;
    setup.inputFd = input.get();
    setup.outputFd = output.get();
    setup.errorFd = error.get();
    setup.folder = program.folder.c_str();
    setup.releaseHeldSignals = true;
    setup.endWithParent = true;
    return detail::spawn(argv, false, setup);
}

HeldStopSignals::HeldStopSignals() {
    sigset_t held;
    detail::heldSignals(held);
    sigprocmask(SIG_BLOCK, &held, nullptr);
}

HeldStopSignals::~HeldStopSignals() {
    sigset_t held;
    detail::heldSignals(held);
    sigprocmask(SIG_UNBLOCK, &held, nullptr);
}

ChildEvent waitForChildOrStop() {
    sigset_t held;
    detail::heldSignals(held);
    for (;;) {
        int status = 0;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid > 0) {
            if (WIFEXITED(status)) return {pid, WEXITSTATUS(status), 0};
            return {pid, -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
        }
        if (pid < 0 && errno != EINTR) return {-1, -1, 0};  // no child left to wait for
        // Several ended children may share one SIGCHLD; the timeout is a safety net only.
        const timespec timeout{1, 0};
        const int signal = sigtimedwait(&held, nullptr, &timeout);
        if (isStopSignal(signal)) return {0, -1, signal};
    }
}

void signalChild(int pid, int signal) { kill(pid, signal); }

bool isStopSignal(int signal) { return signal == SIGINT || signal == SIGTERM || signal == SIGHUP; }

void dropPendingStopSignals() {
    sigset_t held;
    detail::heldSignals(held);
    sigdelset(&held, SIGCHLD);
    const timespec now{0, 0};
    while (sigtimedwait(&held, nullptr, &now) > 0) {
    }
}

void endBySignal(int signal) {
    std::fflush(nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigaction(signal, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);  // a signal whose default is not to end the process
}

std::string executableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

}  // namespace platform
