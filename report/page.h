#pragma once

// The report page: one self-contained HTML file (inline CSS and SVG, no scripts, nothing fetched),
// written as XHTML so that it also parses as XML.
#include <string>

#include "report/evaluation.h"
#include "report/charts.h"
#include "report/experiment_section.h"

namespace report {

struct PageSource {
    std::string folder;                   // shown in the title
    const LearnerLog* log = nullptr;      // null: no learning chart
    const ExperimentView* experiment = nullptr;  // null: no experiment section
};

std::string renderPage(const Evaluation& evaluation, const PageSource& source);

// Writes the page as a whole file; a file that cannot be written ends the run with a message.
void writePage(const std::string& fileName, const std::string& page);

}  // namespace report
