#include "generator/command_line.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "core/fatal.h"

const char* const kUsageLine =
    "Usage: generator [--seed N | --seed=N | --help | ARG]  writes the instances that fitness.txt in the "
    "working directory defines; --seed N seeds the random source with N (0 to 4294967295) instead of the "
    "clock, so the same N gives the same files; with any argument the program ends without waiting for a key.";

namespace {

[[noreturn]] void badSeed(const std::string& text) {
    fatalError("generator: --seed needs a whole number from 0 to 4294967295, not \"" + text + "\".");
}

std::uint32_t parseSeed(const char* text) {
    if (!text) badSeed("");
    const char* end = text + std::strlen(text);
    std::uint32_t seed = 0;
    const auto [stop, error] = std::from_chars(text, end, seed);
    if (error != std::errc{} || stop != end || stop == text) badSeed(text);
    return seed;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    if (argc < 2) return result;
    result.pauseAtEnd = false;
    const std::string_view first = argv[1];
    if (first == "--help") result.showHelp = true;
    if (first == "--seed")
        result.seed = parseSeed(argc > 2 ? argv[2] : nullptr);
    else if (first.starts_with("--seed="))
        result.seed = parseSeed(argv[1] + std::strlen("--seed="));
    else if (first.starts_with("--seed"))
        badSeed(argv[1]);  // "--seed42", "--seeds": a seed meant, but not given in a form we read
    return result;
}
