#pragma once

// The learner's per-generation log (learner/learning_log.h): a CSV file whose first line names the
// columns and whose rows hold one generation each.
#include <string>
#include <vector>

#include "learner/learning_log.h"

namespace report {

// The learner writes its log under this name in the evaluation folder unless told otherwise.
inline constexpr const char* kDefaultLearnerLog = learning_log::kDefaultFile;
inline constexpr const char* kLearnerLogHeader = learning_log::kHeader;

struct Generation {
    double generation = 0;
    double bestFitness = 0;
    double meanFitness = 0;
    double bestSize = 0;
    double bestDepth = 0;
    double rulesMeasured = 0;  // distinct rules measured up to this generation
};

struct LearnerLog {
    std::string file;
    std::vector<Generation> generations;
};

// Parses the text of a log. A last line without its line end may still be being written: it is
// taken when it holds a whole row and left out otherwise. Anything else that is not a row of six
// numbers ends the run with a message naming the file and the line; empty lines are skipped.
LearnerLog parseLearnerLog(const std::string& file, const std::string& text);
// Reads and parses the file; a file that cannot be read ends the run with a message.
LearnerLog readLearnerLog(const std::string& file);

}  // namespace report
