#pragma once

// A run's result file, OUT/run-NN/result.txt: what the experiment measured of the run's final rule,
// or why the run failed. It is written last and whole (core/output_files.h), and ends with a line
// "end", so a run is complete exactly when its folder holds a result file that reads back whole.
#include <optional>
#include <string>

#include "experiment/engine.h"
#include "report/experiment_files.h"

namespace experiment {

inline constexpr const char* kResultFile = "result.txt";

// Writes the run's result into its folder; a file that cannot be written ends the program with a
// message naming it and the system's reason.
void writeRunResult(const std::string& folder, const report::RunRow& run, bool withValidation);

// The result in the folder, when there is one that reads back whole.
std::optional<report::RunRow> readRunResult(const std::string& folder);

}  // namespace experiment

namespace experiment {

// How a run's learner ended where the experiment did not see it end (a batch job's task), kept in
// a file of the same form for the experiment to record the run from; written whole and last.
void writeRunEnd(const std::string& file, const RunEnd& end);
std::optional<RunEnd> readRunEnd(const std::string& file);

}  // namespace experiment
