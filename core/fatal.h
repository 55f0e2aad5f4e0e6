#pragma once

#include <string>

// Fatal conditions end the process with exit status 1 after one message on standard error.
// Standard output is flushed first so that what was printed before the failure stays in order.

// "Assertion failed!\nfile: .\<unit>\nline: <line>\n", the old programs' assertion text.
[[noreturn]] void assertionFailed(const char* unit, int line);

// The environment message of the drivers ("... Nije definirano okruzenje!").
[[noreturn]] void missingEnvironment(int line);

// One clear line (a line end is added) for faults the old programs never reported.
[[noreturn]] void fatalError(const std::string& message);

// Ends the process with status 1 and no message, as the old matrix reader did on a short file.
[[noreturn]] void silentFailure();
