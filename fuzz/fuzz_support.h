#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What every fuzz target shares: a private working folder, fatal stops that end one input
// instead of the process, and the programs' standard output kept out of the fuzzer's own.
// fuzz_support.cpp defines LLVMFuzzerInitialize for all of them; a target defines only
// LLVMFuzzerTestOneInput.
namespace fuzzing {

// Thrown by the fatal handler of a fuzz build: the input was refused with a clear message.
struct CleanStop {};

// Runs step; an input refused with a clear message is a clean end of that step.
template <class Step>
void untilCleanStop(Step step) {
    try {
        step();
    } catch (const CleanStop&) {
    }
}

// First thing for every input. The first call moves into a fresh private folder under the
// temporary directory (removed at exit), after the fuzzer has read its corpus by relative
// names; every call empties it, so that no input sees another's files.
void startInput();

// Replaces the file name in the working folder with bytes.
void writeFile(const std::string& name, std::string_view bytes);
std::string readFile(const std::string& name);

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzzing
