#pragma once

// Carrying out an experiment's plan: the runs through an engine, each measured and recorded as it
// ends, then the files that sum the experiment up.
#include <string>
#include <vector>

#include "experiment/engine.h"
#include "experiment/measurement.h"
#include "experiment/plan.h"

namespace experiment {

// The learner's standard output and error in each run's folder.
inline constexpr const char* kOutputFile = "learner_out.txt";
inline constexpr const char* kErrorFile = "learner_err.txt";

// The run's task: the learner's command in the run's folder, made here if need be.
RunTask taskOf(const Plan& plan, int run);

// A program's message: the text of its standard error file on one line.
std::string messageIn(const std::string& file);

// Runs the pending runs through the engine. As each ends, its final rule is measured, its result
// file written and a progress line printed. Returns the stop signal that cut the runs short, or 0.
int runPending(const Plan& plan, const std::vector<int>& pending, const Measurement& measurement, Engine& engine);

// Reads every run's result and writes runs.csv, sets.csv and summary.txt together, beside the
// classical heuristics' figures (and prints the summary). Returns whether every run finished.
bool aggregate(const Plan& plan, const Measurement& measurement);

}  // namespace experiment
