#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

std::string assertionText(const char* unit, int line) {
    return std::string("Assertion failed!\nfile: .\\") + unit + "\nline: " + std::to_string(line) + "\n";
}

}  // namespace

void setFatalHandler(FatalHandler replacement) { handler = replacement ? replacement : writeToStandardError; }

void assertionFailed(const char* unit, int line) { endWithMessage(assertionText(unit, line)); }

void assertionFailed(const char* unit, int line, const std::string& detail) {
    endWithMessage(assertionText(unit, line) + detail + "\n");
}

void missingEnvironment(int line) {
    endWithMessage("file: .\\driver\nline: " + std::to_string(line) + "\nmsg:  Nije definirano okruzenje!\n");
}

void fatalError(const std::string& message) { endWithMessage(message + "\n"); }

std::string fileProblem(const std::string& kind, const std::string& fileName, const char* action, int error) {
    return kind + " \"" + fileName + "\" cannot be " + action + ": " + std::strerror(error);
}
