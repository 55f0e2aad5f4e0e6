#pragma once

// The learner's per-generation log, a CSV file that the report draws: the first line names the
// columns, then one row per generation. Only figures that a seed and the settings fix are kept,
// so that a run repeated with any number of threads writes the same file.
namespace learning_log {

inline constexpr const char* kDefaultFile = "learner_log.csv";
inline constexpr const char* kHeader = "generation,best_fitness,mean_fitness,best_size,best_depth,rules_measured";
inline constexpr int kColumns = 6;

}  // namespace learning_log
