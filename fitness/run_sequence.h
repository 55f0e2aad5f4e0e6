#pragma once

// The classical heuristics of each environment, in the order the evaluation runs them: how each
// one makes its schedules and how the fitness run reports it. The fitness run and the report go
// through the same tables, so both evaluate the same heuristics with the same schedules; the
// report only computes, the fitness run also prints, writes its files and compares.
#include <span>

#include "fitness/scheduler.h"

// A table the fitness run writes after a heuristic has been measured, and its file.
struct KeptTable {
    Matrix Scheduler::*table;
    const char* file;
};

struct Heuristic {
    const char* name;                   // how a reader knows it ("R&M", "Min-min", ...)
    bool (*applies)(const Scheduler&);  // whether the instance's flags call for it
    void (*makeSchedules)(Scheduler&);  // fills `schedule`, one row per set
    const char* line;                   // printf format of the criteria total in the fitness run
    KeptTable kept[2];                  // written in this order; an entry without a file ends the list
    const char* label;                  // its row of the comparison table; null: not compared
};

struct RunSequence {
    // Checks and loads what every heuristic of the environment needs; runs before the first one.
    void (*prepare)(Scheduler&);
    std::span<const Heuristic> heuristics;
};

// The loaded environment's sequence.
const RunSequence& runSequenceOf(int environment);

// Defined with the environments' schedulers.
extern const RunSequence kSingleMachineRun;
extern const RunSequence kUniformRun;
extern const RunSequence kUnrelatedRun;
extern const RunSequence kJobShopRun;

// Helpers for the tables.
inline bool always(const Scheduler&) { return true; }
inline void nothingToPrepare(Scheduler&) {}
constexpr KeptTable resultsTo(const char* file) { return {&Scheduler::results, file}; }
constexpr KeptTable scheduleTo(const char* file) { return {&Scheduler::schedule, file}; }

// The GP learner's schedules, one row per set in the environment's encoding.
inline constexpr const char* kGPScheduleFile = "raspored_GP.txt";
// Reads them into `schedule`; on parallel machines and in the job shop an entry that names a job or
// machine outside its set ends the run with a message naming the file, the set and the position.
void readGPSchedules(Scheduler& s);
