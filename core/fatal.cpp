#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace {

void writeToStandardError(const std::string& message) {
    std::fputs(message.c_str(), stderr);
    std::fflush(stderr);
}

FatalHandler handler = writeToStandardError;

[[noreturn]] void endWithMessage(const std::string& text) {
    std::fflush(stdout);
    handler(text);
    std::exit(1);
}

}  // namespace

void setFatalHandler(FatalHandler replacement) { handler = replacement ? replacement : writeToStandardError; }

FatalHandler fatalHandler() { return handler; }

void assertionFailed(const char* unit, int line) {
    endWithMessage(std::string("Assertion failed!\nfile: .\\") + unit + "\nline: " + std::to_string(line) + "\n");
}

void missingEnvironment(int line) {
    endWithMessage("file: .\\driver\nline: " + std::to_string(line) + "\nmsg:  Nije definirano okruzenje!\n");
}

void fatalError(const std::string& message) { endWithMessage(message + "\n"); }

void silentFailure() { endWithMessage(""); }
