#pragma once

#include <cstdint>
#include <optional>

// What the generator's command line asks for. Any first argument ends the run without the
// final pause; "--seed N" (or "--seed=N") also fixes the random source, "--help" only prints
// the usage line.
struct CommandLine {
    bool showHelp = false;
    bool pauseAtEnd = true;
    std::optional<std::uint32_t> seed;
};

extern const char* const kUsageLine;

// "--seed N" and "--seed=N"; any other first argument that begins with "--seed", and a seed that
// is not a whole number from 0 to 4294967295, stops the program.
CommandLine parseCommandLine(int argc, const char* const* argv);
