#include "support/terminal.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);

// Child side: no echo and no carriage returns, so that the screen holds only what the program
// writes, byte for byte.
[[noreturn]] void startProgram(const std::string& binary, const std::string& dir) {
    termios mode{};
    tcgetattr(STDIN_FILENO, &mode);
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    mode.c_oflag &= ~static_cast<tcflag_t>(ONLCR);
    tcsetattr(STDIN_FILENO, TCSANOW, &mode);
    if (chdir(dir.c_str()) == 0) execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

}  // namespace

Terminal::Terminal(const std::string& binary, const std::string& dir) {
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) startProgram(binary, dir);
}

Terminal::~Terminal() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
}

bool Terminal::expect(const std::string& text) {
    const auto deadline = Clock::now() + kPatience;
    while (screen_.find(text, matched_) == std::string::npos) {
        if (Clock::now() > deadline || !readSome()) return false;
    }
    matched_ = screen_.find(text, matched_) + text.size();
    return true;
}

bool Terminal::type(const std::string& keys) {
    return write(master_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
}

int Terminal::exitStatus() {
    const auto deadline = Clock::now() + kPatience;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) return -1;
        readSome();
    }
    ended_ = true;
    // What the program wrote just before it ended may still wait in the terminal.
    while (readSome(false)) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// False once the program has closed the terminal, or, unless waiting is asked for, when
// nothing more came within a moment.
bool Terminal::readSome(bool keepWaiting) {
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) return keepWaiting;
    char buffer[512];
    ssize_t got = read(master_, buffer, sizeof buffer);
    if (got <= 0) return false;
    screen_.append(buffer, static_cast<std::size_t>(got));
    return true;
}

}  // namespace testing_support
