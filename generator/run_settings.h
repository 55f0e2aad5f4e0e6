#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/definition_entries.h"
#include "core/definition_file.h"
#include "generator/distributions.h"

enum Environment { Single = 0, Uniform = 1, Unrelated = 2, JobShop = 3 };

// Unrelated machines and the job shop keep one value per job and machine in a row,
// max_jobs * max_machines long.
inline bool packsJobsByMachine(int environment) { return environment == Unrelated || environment == JobShop; }

// What one run takes from the definition file besides the per-set lists: sizes, switches
// and the names of the data files.
struct RunSettings {
    int environment = Single;
    bool taillardMode = false;
    int sets = 0;
    int maxJobs = 0;
    int maxMachines = 1;
    int maxLength = 0;
    std::string durationFile;
    std::string deadlineFile;
    std::string sumFile;
    std::string machineFile;
    std::string weightFile;
    std::string readyFile;
    bool hasWeights = false;
    bool hasReleaseTimes = false;
    DistributionBounds distributionBounds;
};

// One value per set from the keys "R.", "T.", "jobs" and "machines".
struct SetParameters {
    std::vector<double> dueDateRange;
    std::vector<double> tardinessFactor;
    std::vector<double> jobs;
    std::vector<double> machines;  // all zero for a single machine without the key
};

// The generator's lookups in the definition file, in the order that fixes its messages: the
// environment, the sizes and names, then the per-set lists. A required entry that is missing or
// short, or a count beyond an int, stops the run with one message naming it, before any table is
// allocated or any data file written.
class DefinitionReader {
public:
    DefinitionReader(DefinitionFile& file, std::string fileName) : entries_(file, std::move(fileName)) {}

    // The first of "single", "uniform", "unrelated", "jobshop" present, in this order.
    int environment();
    // Everything from "taillard" to "distribution", for the environment already found.
    RunSettings settings(int environment);
    SetParameters setParameters(const RunSettings& settings);
    // Stops when the tables that settings shape would not fit in memory.
    void requireMemoryFor(const std::vector<ShapedTable>& tables, const RunSettings& settings) const;

private:
    DefinitionEntries entries_;

    DistributionBounds distribution();
};

// The limits that keep every set inside its rows and every job with its data; stops the run
// with a message naming the set. Runs before the first draw, so nothing is written on failure.
void validateSetParameters(const RunSettings& settings, const SetParameters& parameters,
                           const std::string& fileName);
