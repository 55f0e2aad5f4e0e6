#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What every fuzz target shares: a private working folder, fatal stops that end one input
// instead of the process, and the programs' standard output kept out of the fuzzer's own.
namespace fuzzing {

// Thrown by the fatal handler of a fuzz build: the input was refused with a clear message.
struct CleanStop {};

// Once per process, from LLVMFuzzerInitialize: fatal stops throw CleanStop, standard output goes
// to /dev/null, and the tables shaped by one definition may take tableBytes at most.
void prepare(std::uint64_t tableBytes = 64u << 20);

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
