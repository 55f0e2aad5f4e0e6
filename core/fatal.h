#pragma once

#include <string>

// Fatal conditions end the process with exit status 1 after one message on standard error.
// Standard output is flushed first so that what was printed before the failure stays in order.

// "Assertion failed!\nfile: .\<unit>\nline: <line>\n": the assertion text that scripts and stored
// logs look for, with the unit and line number they know.
[[noreturn]] void assertionFailed(const char* unit, int line);

// The environment message of the drivers ("... Nije definirano okruzenje!").
[[noreturn]] void missingEnvironment(int line);

// One clear line (a line end is added) naming what is wrong and where.
[[noreturn]] void fatalError(const std::string& message);

// Ends the process with status 1 and no message (a matrix file that cannot be written).
[[noreturn]] void silentFailure();

// Where the message of a fatal condition goes: the default writes it to standard error, after
// which the process ends with status 1. A handler may throw instead, so that a fuzzing run goes
// on with its next input after a clean stop; it receives the whole text, line ends included
// (empty for a silent failure). Null restores the default.
using FatalHandler = void (*)(const std::string& message);
void setFatalHandler(FatalHandler handler);
// The handler in place, so that a temporary one can hand on to it and put it back.
FatalHandler fatalHandler();
