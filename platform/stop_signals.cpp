#include <signal.h>

#include "platform/platform.h"

namespace platform {

namespace {

volatile sig_atomic_t caught = 0;

void noteStop(int signal) { caught = signal; }

}  // namespace

// A signal the program was started to ignore (nohup, a background job of a script) stays
// ignored. SA_RESTART keeps the system calls under way from failing with EINTR.
void catchStopSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction noting {};
        noting.sa_handler = noteStop;
        noting.sa_flags = SA_RESTART;
        sigemptyset(&noting.sa_mask);
        sigaction(signal, &noting, nullptr);
    }
}

int caughtStopSignal() { return caught; }

}  // namespace platform
