#pragma once

// What the report shows, computed in memory with the evaluator's own code: every heuristic of the
// environment's run table and the GP learner's schedules are measured by the environment's
// criteria, and the chosen sets' schedules are replayed through the evaluator's timeline, so every
// bar of a chart has the times the criteria measured. No result file is read or written.
#include <array>
#include <string>
#include <vector>

#include "core/matrice.h"
#include "core/names.h"
#include "fitness/collection.h"
#include "fitness/timeline.h"

namespace report {

// A heuristic, or the GP schedules, measured on every set.
struct Contender {
    std::string name;
    bool isGP = false;
    Matrix results;                // one row per set and a row of totals, the environment's criteria
    std::array<double, 4> shares;  // percent of sets on which it reached the best value, per criterion
    std::vector<double> makespans;  // on Taillard's instances: each measured set's makespan, unnormalised
};

// One contender's schedule of one set.
struct Chart {
    bool measured = true;  // false when the contender's schedules have no row for the set
    std::vector<timeline::Occupation> placed;
};

// A set whose schedules are drawn.
struct SetView {
    int set = 0;
    int jobs = 0;
    int machines = 1;
    int operationsPerJob = 1;  // the job shop's jobs visit every machine once
    bool hasReleaseTimes = false;
    std::vector<double> release;
    std::vector<double> due;  // as the criteria compare it with a completion time
    std::vector<Chart> charts;  // one per contender, in the order of the contenders
};

struct Evaluation {
    Environment environment = Environment::Single;
    int sets = 0;  // the collection of the definition file
    std::vector<int> jobs;      // per set
    std::vector<int> machines;  // per set (1 on a single machine)
    bool hasGP = false;
    bool hasReleaseTimes = false;
    bool hasWeights = false;
    bool hasSetups = false;
    bool hasConstraints = false;
    bool taillard = false;  // Taillard's instances, whose makespans are compared with the best known
    std::vector<Contender> contenders;  // the heuristics in the order the evaluation runs them, GP last
    std::vector<SetView> views;         // the chosen sets, in the order asked for
};

// The set numbers of a list such as "0,3,7", repeats dropped; anything else ends the run with a
// message naming the faulty entry.
std::vector<int> parseSetList(const std::string& text);
// Ends the run with one message naming the first chosen set outside the definition's collection.
void requireSetsInCollection(const std::vector<int>& chosen, int sets);

// Measures the loaded collection in the working folder: the environment's heuristics, then the GP
// schedules when raspored_GP.txt is there. Bad schedule files end the run with the evaluator's
// messages.
Evaluation evaluate(const Collection& collection, const std::vector<int>& chosen);

}  // namespace report
