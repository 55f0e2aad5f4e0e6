#pragma once

// The report's section on an experiment (report --experiment OUT): the runs' test totals as a box
// with each run a point and each classical heuristic a line, the summary table, and the learning
// curves of all runs.
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "report/experiment_files.h"
#include "report/experiment_summary.h"
#include "core/learning_log.h"

namespace report {

struct ExperimentView {
    std::string folder;
    ExperimentData data;
    ExperimentSummary summary;
    std::vector<learning_log::LearnerLog> logs;  // of the finished runs, in run order
};

// Reads the experiment's files and each finished run's learner log; a file that is missing or is
// not what `experiment` writes ends the run with a message naming it.
ExperimentView readExperimentView(const std::string& folder);

void experimentSection(pugi::xml_node body, const ExperimentView& view);

}  // namespace report
