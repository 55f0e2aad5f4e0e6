// Any bytes as a definition file, then every lookup form the programs use on every key they
// ask for, the checked entries that size the tables, and a whole generator run, which reads
// the definition in its own order and writes what it defines.
#include <string>
#include <vector>

#include "core/definition_entries.h"
#include "core/definition_file.h"
#include "fuzz/fuzz_support.h"
#include "generator/instance_generator.h"

namespace {

const char* const kKeys[] = {"single", "uniform", "unrelated", "jobshop", "taillard", "sets", "max_jobs",
                             "max_machines", "max_length", "duration", "deadline", "SP", "machine_file",
                             "weight_T", "ready", "constraints", "setup", "distribution", "R.", "T.",
                             "jobs", "machines"};

// The raw lookups, with counts and occurrences around the ones the programs pass.
void lookUpEveryForm(DefinitionFile& file) {
    for (const char* key : kKeys)
        for (int count = 0; count <= 3; ++count)
            for (int occurrence = 1; occurrence <= 2; ++occurrence) {
                int integers[3] = {};
                long long wide[3] = {};
                double reals[3] = {};
                std::vector<double> list;
                std::string text;
                file.lookup(key, integers, count, occurrence);
                file.lookup(key, wide, count, occurrence);
                file.lookup(key, reals, count, occurrence);
                file.lookup(key, list, count, occurrence);
                file.lookup(key, text, count, occurrence);
            }
}

// The checked lookups, each on its own: one refusal must not hide the others.
void lookUpCheckedEntries(DefinitionFile& file) {
    DefinitionEntries entries(file, "fitness.txt");
    int sets = 0;
    fuzzing::untilCleanStop([&] { sets = entries.requiredCount("sets"); });
    for (const char* key : kKeys) {
        fuzzing::untilCleanStop([&] { entries.requiredText(key); });
        fuzzing::untilCleanStop([&] {
            int value = 0;
            entries.count(key, value);
        });
        fuzzing::untilCleanStop([&] { entries.perSetList(key, sets, true); });
        fuzzing::untilCleanStop([&] { entries.perSetCounts(key, sets, true); });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::startInput();
    const std::string_view text = fuzzing::asText(data, size);
    // The generator writes where the definition says: keep it inside the working folder.
    if (text.find('/') != std::string_view::npos) return 0;
    fuzzing::writeFile("fitness.txt", text);
    DefinitionFile file;
    if (!file.open("fitness.txt")) return 0;
    lookUpEveryForm(file);
    lookUpCheckedEntries(file);
    fuzzing::untilCleanStop([] { InstanceGenerator().generate("fitness.txt", 1); });
    return 0;
}
