#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "pomocni/dialogue_texts.h"
#include "pomocni/scripts.h"
#include "support/test_support.h"

// The program on a pseudo-terminal, answered only after each prompt has appeared: a prompt
// that stayed in a buffer would leave the test waiting for it.
namespace {

using Clock = std::chrono::steady_clock;
using testing_support::TempDir;

class Terminal {
public:
    explicit Terminal(const std::string& dir) {
        pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) startProgram(dir);
    }

    ~Terminal() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
    }

    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool started() const { return pid_ > 0; }

    // Reads until the screen, from where the last expectation matched, shows the text.
    bool expect(const std::string& text) {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (screen_.find(text, matched_) == std::string::npos) {
            if (Clock::now() > deadline || !readSome()) return false;
        }
        matched_ = screen_.find(text, matched_) + text.size();
        return true;
    }

    void answer(const std::string& line) {
        std::string typed = line + "\n";
        ASSERT_EQ(write(master_, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    }

    // The exit status, or -1 when the program did not end in time.
    int exitStatus() {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) return -1;
            readSome();
        }
        ended_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    const std::string& screen() const { return screen_; }

private:
    // Child side: no echo, so that the screen holds only what the program writes.
    [[noreturn]] static void startProgram(const std::string& dir) {
        termios mode{};
        tcgetattr(STDIN_FILENO, &mode);
        mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        mode.c_oflag &= ~static_cast<tcflag_t>(ONLCR);
        tcsetattr(STDIN_FILENO, TCSANOW, &mode);
        if (chdir(dir.c_str()) == 0) execl(POMOCNI_BIN, "pomocni", static_cast<char*>(nullptr));
        _exit(127);
    }

    // False once the program has closed the terminal.
    bool readSome() {
        pollfd ready{master_, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) return true;
        char buffer[512];
        ssize_t got = read(master_, buffer, sizeof buffer);
        if (got <= 0) return false;
        screen_.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    int master_ = -1;
    pid_t pid_ = -1;
    bool ended_ = false;
    std::string screen_;
    std::size_t matched_ = 0;
};

TEST(OnATerminal, EveryPromptShowsBeforeTheAnswerIsTyped) {
    TempDir dir;
    dir.write("hof.txt", dialogue::hallOfFame({{1, "<One/>"}, {2, "<Two/>"}}));
    std::string test = writeScript(dir, "test.sh", "echo beagle radi\n");
    Terminal terminal(dir.path().string());
    ASSERT_TRUE(terminal.started());

    ASSERT_TRUE(terminal.expect(dialogue::banner + dialogue::inputPrompt)) << terminal.screen();
    terminal.answer("hof.txt");
    ASSERT_TRUE(terminal.expect(dialogue::outputPrompt)) << terminal.screen();
    terminal.answer("");
    ASSERT_TRUE(terminal.expect(dialogue::testPrompt("test.bat"))) << terminal.screen();
    terminal.answer(test);
    ASSERT_TRUE(terminal.expect(dialogue::evaluationPrompt("evaluacija.exe"))) << terminal.screen();
    terminal.answer("true");
    ASSERT_TRUE(terminal.expect(dialogue::orPrompt)) << terminal.screen();
    terminal.answer("");
    ASSERT_TRUE(terminal.expect("Broj generacija: 2\n" + dialogue::generationPrompt)) << terminal.screen();
    terminal.answer("");
    ASSERT_TRUE(terminal.expect("Zapisao u seed.obm\nPokrecem " + test + "\nbeagle radi\n\nPokreni provjeru (true): "))
        << terminal.screen();
    terminal.answer("");
    ASSERT_TRUE(terminal.expect(dialogue::generationPrompt)) << terminal.screen();
    terminal.answer("-1");
    EXPECT_EQ(terminal.exitStatus(), 0);
    EXPECT_EQ(dir.read("seed.obm"), dialogue::seedFile("<Two/>"));
}

}  // namespace
