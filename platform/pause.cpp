#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "platform/platform.h"

namespace platform {

namespace {

// One key from a terminal without waiting for Enter and without echo.
void readOneKeyFromTerminal() {
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char key;
    [[maybe_unused]] ssize_t got = ::read(STDIN_FILENO, &key, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace

void pause() {
    std::fputs("Press any key to continue . . . ", stdout);
    std::fflush(stdout);
    if (isatty(STDIN_FILENO)) {
        readOneKeyFromTerminal();
    } else {
        // Redirected input: take one character if there is one; the end of input returns at once.
        char key;
        [[maybe_unused]] ssize_t got = ::read(STDIN_FILENO, &key, 1);
    }
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

}  // namespace platform
