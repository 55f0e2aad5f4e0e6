#pragma once

// OUT/summary.txt: the experiment summed up for a reader, from the same figures as the report's table.
#include <string>

#include "experiment/plan.h"
#include "report/experiment_files.h"
#include "report/experiment_summary.h"

namespace experiment {

inline constexpr const char* kSummaryFile = "summary.txt";

// Every number is printed from its double the same way on any machine (six significant digits,
// p with four, as the report prints them), so that the same runs give the same file.
std::string summaryText(const Plan& plan, const report::ExperimentData& data, const report::ExperimentSummary& summary);

}  // namespace experiment
