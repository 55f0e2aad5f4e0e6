#pragma once

// The learner's per-generation log, a CSV file that the report draws: the first line names the
// columns, then one row per generation. Only figures that a seed and the settings fix are kept, so
// that a run repeated with any number of threads writes the same file. The learner writes its rows
// and the report reads them here, in one place.
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace learning_log {

inline constexpr const char* kDefaultFile = "learner_log.csv";
inline constexpr const char* kHeader = "generation,best_fitness,mean_fitness,best_size,best_depth,rules_measured";
inline constexpr int kColumns = 6;
// A run with a validation collection adds a column: the total there of the rule the run stands by.
inline constexpr const char* kValidationColumn = "validation_best";

// The first line: the header, and the validation column when there is one.
std::string header(bool validated);

// One generation's row as the learner writes it, without its line end.
std::string row(int generation, double bestFitness, double meanFitness, int bestSize, int bestDepth,
                std::size_t rulesMeasured, std::optional<double> validationBest = std::nullopt);

// One row as read back: any number the columns hold.
struct Generation {
    double generation = 0;
    double bestFitness = 0;
    double meanFitness = 0;
    double bestSize = 0;
    double bestDepth = 0;
    double rulesMeasured = 0;  // distinct rules measured up to this generation
    double validationBest = std::numeric_limits<double>::quiet_NaN();  // without validation: not a number
};

struct LearnerLog {
    std::string file;
    bool validated = false;  // the rows hold the validation column
    std::vector<Generation> generations;
};

// Parses the text of a log. A last line without its line end may still be being written: it is
// taken when it holds a whole row and left out otherwise. Anything else that is not a row of six
// numbers (seven with the validation column) ends the run with a message naming the file and the
// line; empty lines are skipped.
LearnerLog parseLearnerLog(const std::string& file, const std::string& text);
// Reads and parses the file; a file that cannot be read ends the run with a message.
LearnerLog readLearnerLog(const std::string& file);

}  // namespace learning_log
