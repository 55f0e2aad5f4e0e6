#pragma once

// What an experiment's summary says, computed from its results in one place for the summary file
// that `experiment` writes and for the report's table: the runs' test totals of the headline
// criterion, the classical heuristics' totals, how many runs beat the best of them, and the
// Wilcoxon signed-rank tests against each heuristic.
#include <string>
#include <vector>

#include "report/experiment_files.h"
#include "report/statistics.h"

namespace report {

struct BaselineComparison {
    std::string name;
    double total = 0;
    statistics::SignedRankTest runs;       // the finished runs' test totals against the heuristic's total
    statistics::SignedRankTest medianRun;  // the median run against the heuristic, set by set
};

struct ExperimentSummary {
    int runs = 0, finished = 0, failed = 0;
    statistics::Descriptive gp;       // the finished runs' test totals
    std::vector<BaselineComparison> baselines;
    int best = -1;                    // the baseline with the lowest total (the first of equals); -1: none
    int runsBetter = 0;               // finished runs whose total is lower than the best baseline's
    int medianRun = -1;               // the index in data.runs of the median run; -1: no finished run
};

// The median run is the finished run with the middle test total; of an even number, the lower of
// the two middle ones; among equal totals, the earlier run. A run is better than a baseline when
// its total is lower by statistics::kEqualWithin or more.
ExperimentSummary summarize(const ExperimentData& data);

// A p-value as the summary file and the report both print it: four significant digits.
std::string probabilityText(double p);

inline constexpr const char* kMedianRunRule =
    "The median run is the run with the middle test total (of an even number of runs, the lower of the two middle "
    "ones; of equal totals, the earlier run). A run beats a heuristic when its test total is lower by 1e-10 or more.";

}  // namespace report
