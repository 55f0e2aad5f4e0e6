#pragma once

#include <cstdint>
#include <optional>

// What the generator's command line asks for. Any first argument ends the run without the
// final pause; "--seed N" also fixes the random source, "--help" only prints the usage line.
struct CommandLine {
    bool showHelp = false;
    bool pauseAtEnd = true;
    std::optional<std::uint32_t> seed;
};

extern const char* const kUsageLine;

// A "--seed" without a whole number from 0 to 4294967295 after it stops the program.
CommandLine parseCommandLine(int argc, const char* const* argv);
