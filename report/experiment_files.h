#pragma once

// The files in which `experiment` leaves its results, written by it and read back by the report:
// OUT/runs.csv (a row per run) and OUT/sets.csv (the headline criterion per test set, for every
// classical heuristic and every run, then the totals), beside a folder per run. Numbers are
// written in the shortest form that reads back to the same double, so both programs work with the
// same values.
#include <cstdint>
#include <string>
#include <vector>

namespace report {

inline constexpr const char* kRunsFile = "runs.csv";
// How messages name the experiment's files.
inline constexpr const char* kExperimentFileKind = "Experiment file";
inline constexpr const char* kSetsFile = "sets.csv";

struct RunRow {
    int run = 0;
    std::uint64_t seed = 0;
    bool finished = false;          // false: the run failed and `message` says why
    double training = 0;            // the final rule's headline total on the training collection
    double validation = 0;          // ... on the validation collection, when there is one
    std::vector<double> test;       // ... every criterion's total on the test collection
    std::vector<double> testSets;   // the headline criterion per test set
    int size = 0, depth = 0;
    double seconds = 0;             // the learner's wall time
    std::string rule;               // in infix
    std::string message;
};

struct Baseline {
    std::string name;               // a classical heuristic of the environment
    double total = 0;               // its headline total on the test collection
    std::vector<double> testSets;   // its headline per test set
};

struct ExperimentData {
    std::string headline;               // the learner's criterion, e.g. "Twt"
    std::vector<std::string> criteria;  // the test totals' columns, in the evaluator's order
    int headlineColumn = 0;             // of the headline among them
    bool hasValidation = false;
    int sets = 0;                       // of the test collection
    std::vector<Baseline> baselines;
    std::vector<RunRow> runs;           // in run order
};

// The folder of run r among `runs`: "run-07", with at least two digits.
std::string runFolderName(int run, int runs);

std::string runsCsv(const ExperimentData& data);
std::string setsCsv(const ExperimentData& data);

// Reads an experiment's two files back; a file that cannot be read (named with the system's reason)
// or is not what `experiment` writes (named with the line) ends the run with a message.
ExperimentData readExperiment(const std::string& folder);

}  // namespace report
