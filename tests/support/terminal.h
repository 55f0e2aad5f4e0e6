#pragma once

#include <sys/types.h>

#include <string>

namespace testing_support {

// A program on a pseudo-terminal, without echo, so that what it waits for from a real console
// (a prompt shown before the answer is typed, one key without Enter) can be tested.
class Terminal {
public:
    Terminal(const std::string& binary, const std::string& dir);
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool started() const { return pid_ > 0; }

    // Reads until the screen, from where the last expectation matched, shows the text.
    bool expect(const std::string& text);
    // Types the characters as they are; answer() adds the Enter.
    bool type(const std::string& keys);
    bool answer(const std::string& line) { return type(line + "\n"); }
    // The exit status, or -1 when the program did not end in time.
    int exitStatus();

    const std::string& screen() const { return screen_; }

private:
    bool readSome(bool keepWaiting = true);

    int master_ = -1;
    pid_t pid_ = -1;
    bool ended_ = false;
    std::string screen_;
    std::size_t matched_ = 0;
};

}  // namespace testing_support
