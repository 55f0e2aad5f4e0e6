#pragma once

#include <string>

// Fatal conditions end the process with exit status 1 after one message on standard error.
// Standard output is flushed first so that what was printed before the failure stays in order.

// "Assertion failed!\nfile: .\<unit>\nline: <line>\n": the assertion text that scripts and stored
// logs look for, with the unit and line number they know.
[[noreturn]] void assertionFailed(const char* unit, int line);
// The same three lines, then one that says more (a line end is added).
[[noreturn]] void assertionFailed(const char* unit, int line, const std::string& detail);

// The environment message of the drivers ("... Nije definirano okruzenje!").
[[noreturn]] void missingEnvironment(int line);

// One clear line (a line end is added) naming what is wrong and where.
[[noreturn]] void fatalError(const std::string& message);

// `<kind> "<name>" cannot be <action>: <the system's reason for error>`, e.g.
// Matrix file "d.txt" cannot be read: No such file or directory
std::string fileProblem(const std::string& kind, const std::string& fileName, const char* action, int error);

// Where the message of a fatal condition goes: the default writes it to standard error, after
// which the process ends with status 1. A handler may throw instead, so that a fuzzing run goes
// on with its next input after a clean stop; it receives the whole text, line ends included.
// Null restores the default.
using FatalHandler = void (*)(const std::string& message);
void setFatalHandler(FatalHandler handler);
