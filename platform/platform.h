#pragma once

#include <string>

// The few operating-system services the programs need, in one place.
namespace platform {

// Prints "Press any key to continue . . . ", waits for one key when standard input is a
// terminal (no Enter needed), returns at once at the end of input, then ends the line.
void pause();

// Starts a command line (split the way a Windows command line is: white space separates,
// double quotes group) as a child process found on PATH, with our environment and working
// directory, and waits for it. Returns 0 on success, else the system error number
// (2 for a program that does not exist).
int launch(const std::string& commandLine);

}  // namespace platform
