#pragma once

// What an experiment is: its collections, runs, seeds and learner options, checked before anything
// runs, and the learner command and folder of each run. Each check that fails ends the program
// with one message beginning "experiment: " and exit status 1.
#include <cstdint>
#include <string>
#include <vector>

#include "experiment/measurement.h"

namespace experiment {

// How messages name the output folder and the runs' folders in it.
inline constexpr const char* kOutputFolderKind = "Output folder";

struct Plan {
    Folders folders;                          // as given on the command line
    int runs = 30;
    std::uint64_t firstSeed = 1;
    int jobs = 1;
    std::string out = "experiment-out";
    bool resume = false;
    std::vector<std::string> learnerOptions;  // given after "--"
    std::string learner;                      // the learner program, beside ours
};

// The learner program beside this one; ends the program when it is not there.
std::string learnerBesideUs();

// Checks the learner options with the learner's own parsing and range checks, refuses those the
// experiment sets itself, and gives the files they name (a seed file) by their full paths, as the
// runs start in their own folders; returns the settings they make.
gp::Settings checkLearnerOptions(Plan& plan);

// The output folder, made for a new experiment; with --resume, the experiment there must be this
// one (the same collections, runs, seeds and learner options). Returns whether it is a new one.
bool prepareOutputFolder(const Plan& plan);

std::uint64_t seedOf(const Plan& plan, int run);
std::string runFolder(const Plan& plan, int run);
// The run's hall of fame, whose last generation holds its final rule.
std::string hallOfFameOf(const Plan& plan, int run);

// Each run's checkpoint, in its folder.
inline constexpr const char* kCheckpointFile = "learner_checkpoint.txt";

// The learner's command for the run: the same on any engine, run in the run's folder. It keeps a
// checkpoint there, and a run that has one goes on from it.
std::vector<std::string> learnerCommand(const Plan& plan, int run);

// The runs without a complete result (failed runs count as such; they run again on --resume).
std::vector<int> pendingRuns(const Plan& plan);

}  // namespace experiment
