#pragma once

// The classical heuristics of each environment, in the order the evaluation runs them: how each
// one makes its schedules and how the fitness run reports it. The fitness run and the report go
// through the same tables, so both evaluate the same heuristics with the same schedules; the
// report only computes, the fitness run also prints, writes its files and compares.
#include <span>

#include "core/matrice.h"
#include "fitness/collection.h"
#include "fitness/results.h"
#include "fitness/workspace.h"

// A table the fitness run writes after a heuristic has been measured, and its file.
struct KeptFile {
    enum Table { None, Results, Schedule } table;
    const char* file;
};

struct Heuristic {
    const char* name;                                      // how a reader knows it ("R&M", "Min-min", ...)
    bool (*applies)(const Collection&);                    // whether the collection's features call for it
    void (*makeSchedules)(Workspace&, Matrix& schedule);   // one row per set
    const char* line;                                      // printf format of the headline total in the fitness run
    KeptFile kept[2];                                      // written in this order; None ends the list
    const char* label;                                     // its row of the comparison table; null: not compared
};

// The heuristics of an environment, in the order of its run.
std::span<const Heuristic> heuristicsOf(Environment environment);

// Every heuristic of the collection's environment that applies, in the run's order: its schedules
// are made and measured, then visit(heuristic, schedule, results, headline total). A fault ends the
// run where the heuristic meets it, after the earlier heuristics' visits.
template <class Visit>
void forEachHeuristic(Workspace& work, Visit&& visit) {
    Matrix schedule;
    Matrix results;
    for (const Heuristic& heuristic : heuristicsOf(work.collection.environment)) {
        if (!heuristic.applies(work.collection)) continue;
        heuristic.makeSchedules(work, schedule);
        const double total = measureSchedules(work, schedule, results);
        visit(heuristic, schedule, results, total);
    }
}

// The GP learner's schedules (raspored_GP.txt in the collection's folder), one row per set in the
// environment's encoding. On parallel machines and in the job shop an entry that names a job or
// machine outside its set ends the run with a message naming the file, the set and the position.
Matrix readGPSchedules(const Collection& collection);
