#pragma once

// The evaluator's run, as `fitness` makes it: loads the collection of the definition file, runs the
// classical heuristics of its environment, measures the GP learner's schedules with the same
// criteria, prints each total, writes one result file per heuristic and prints how often each was
// best. It composes the loaded collection (fitness/collection.h), one workspace
// (fitness/workspace.h), the heuristic tables (fitness/run_sequence.h) and the comparison of their
// results (fitness/results.h).
#include <string>

class Scheduler {
public:
    // summaryFile may be null; when given, the GP totals and shares are appended to it. False when
    // the definition file cannot be opened.
    bool run(const std::string& definitionFileName, const char* summaryFile);
};
