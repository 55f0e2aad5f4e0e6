#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/definition_entries.h"
#include "core/fatal.h"

namespace {

std::filesystem::path workingFolder;

void throwCleanStop(const std::string&) { throw fuzzing::CleanStop{}; }

void removeWorkingFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(workingFolder, ignored);
}

void silenceStandardOutput() {
    std::fflush(stdout);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull < 0 || dup2(devNull, STDOUT_FILENO) < 0) std::abort();
    close(devNull);
}

void enterPrivateFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "gp-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) std::abort();
    workingFolder = pattern;
    std::atexit(removeWorkingFolder);
}

}  // namespace

// Once per process, for every target: fatal stops throw CleanStop, standard output goes to
// /dev/null, and the tables that one definition shapes may take 64 MiB at most, well within
// the fuzzer's own memory limit.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setFatalHandler(throwCleanStop);
    limitMemoryForTables(std::uint64_t{64} << 20);
    silenceStandardOutput();
    return 0;
}

namespace fuzzing {

void startInput() {
    if (workingFolder.empty()) enterPrivateFolder();
    for (const auto& entry : std::filesystem::directory_iterator(workingFolder))
        std::filesystem::remove_all(entry.path());
}

void writeFile(const std::string& name, std::string_view bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
}

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace fuzzing
