// The evaluator's loading and one whole run on a small instance folder cut from one input: the
// definition first, then each data file after a line "==> name". The run's result files stay
// in the private working folder, which is emptied before every input.
#include <string>
#include <string_view>

#include "fitness/scheduler.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::string_view kFileMark = "\n==> ";

// Names stay inside the working folder and clear of the definition's own name.
bool usableName(std::string_view name) {
    return !name.empty() && name.size() <= 64 && name != "." && name != ".." && name != "fitness.txt" &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Writes the definition and the data files; false when the input names a file it may not.
bool writeInstanceFolder(std::string_view input) {
    std::size_t mark = input.find(kFileMark);
    const std::string_view definition = input.substr(0, mark);
    if (definition.find('/') != std::string_view::npos) return false;  // data names outside the folder
    fuzzing::writeFile("fitness.txt", definition);
    while (mark != std::string_view::npos) {
        const std::size_t nameStart = mark + kFileMark.size();
        const std::size_t nameEnd = input.find('\n', nameStart);
        if (nameEnd == std::string_view::npos) return false;
        const std::string_view name = input.substr(nameStart, nameEnd - nameStart);
        if (!usableName(name)) return false;
        mark = input.find(kFileMark, nameEnd);
        const std::size_t end = mark == std::string_view::npos ? input.size() : mark;
        fuzzing::writeFile(std::string(name), input.substr(nameEnd + 1, end - nameEnd - 1));
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::startInput();
    if (!writeInstanceFolder(fuzzing::asText(data, size))) return 0;
    fuzzing::untilCleanStop([] { Scheduler().run("fitness.txt", "summary.txt"); });
    return 0;
}
