#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void endWithMessage(const std::string& text) {
    std::fflush(stdout);
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    std::exit(1);
}

}  // namespace

void assertionFailed(const char* unit, int line) {
    endWithMessage(std::string("Assertion failed!\nfile: .\\") + unit + "\nline: " + std::to_string(line) + "\n");
}

void missingEnvironment(int line) {
    endWithMessage("file: .\\driver\nline: " + std::to_string(line) + "\nmsg:  Nije definirano okruzenje!\n");
}

void fatalError(const std::string& message) { endWithMessage(message + "\n"); }

void silentFailure() {
    std::fflush(stdout);
    std::exit(1);
}
