#pragma once

// When each job or operation of a schedule starts and ends, computed in one place per environment.
// A walk replays one set of a schedule the way the criteria measure it and hands every job (single
// and parallel machines) or operation (job shop) it places to a visitor. The criteria add up their
// sums in the visitor; the report draws its Gantt bars from the same calls, so a chart shows
// exactly the times that were measured. The visitor is a template argument, so in the criteria it
// is inlined into the loop.
#include <algorithm>
#include <cmath>

#include "core/matrice.h"
#include "core/names.h"
#include "fitness/parallel_machines.h"
#include "fitness/workspace.h"

namespace timeline {

// A machine busy with one job, or one operation of it, from `start` to `completion`; the setup
// comes first, the processing follows it.
struct Occupation {
    int job;
    int machine;
    int operation;  // the operation's place in the job's route; 0 outside the job shop
    int position;   // the column of the set's schedule row that placed it
    double start;
    double setup;
    double completion;
};

// Ends the run as an out-of-range table access would unless every entry of a single-machine
// sequence of n jobs is a job index whose release and processing times, setups and due date the
// set's tables hold (a schedule file may name any job), and the tables hold the n positions whose
// weights and processing times the criteria sum; then the walk and the criteria read them unchecked.
void requireSequenceInTables(const Workspace& work, const Matrix& schedule, int set, int n);

// One set of a single-machine schedule. The times are whole numbers: the release time that moves
// the machine, the processing time and the setup are truncated before they are added.
template <class Visit>
void singleMachineSet(Workspace& work, const Matrix& schedule, int set, Visit&& visit) {
    const Collection& c = work.collection;
    const int n = c.jobsIn(set);
    if (c.hasSetups) work.buildSetupTimes(set);
    requireSequenceInTables(work, schedule, set, n);
    const double* sequence = n > 0 ? schedule.rowData(set) : nullptr;
    const double* p = c.processingTimes.rowData(set);
    const double* r = c.releaseTimes.rowData(set);
    double C = 0;
    int previous = n;
    for (int k = 0; k < n; ++k) {
        const int j = static_cast<int>(sequence[k]);
        if (c.hasReleaseTimes && r[j] > C) C = std::trunc(r[j]);
        const double start = C;
        C = C + std::trunc(p[j]);
        double setup = 0;
        if (c.hasSetups) {
            setup = std::trunc(work.setupTimes.at(previous, j));
            C = C + setup;
        }
        previous = j;
        visit(Occupation{j, 0, 0, k, start, setup, C});
    }
}

// One set of a uniform or unrelated schedule (entries job + 1000 x machine), each machine's jobs
// replayed in the order of the row. Times are taken as stored. Afterwards work.clocks.completion
// holds when every machine of the set finishes (0 for a machine without jobs).
template <class Visit>
void parallelMachineSet(Workspace& work, const Matrix& schedule, int set, Visit&& visit) {
    const Collection& c = work.collection;
    const int n = c.jobsIn(set);
    const int m = c.machinesIn(set);
    c.requireSchedulableSet(set);
    c.requireParallelRow(set, n, m);
    MachineClocks& machines = work.clocks;
    machines.completion.assign(static_cast<std::size_t>(m), 0.0);
    if (c.hasSetups) {
        work.buildSetupTimes(set);
        machines.last.assign(static_cast<std::size_t>(m), n);
    }
    const bool uniform = c.environment == Environment::Uniform;
    const double* p = c.processingTimes.rowData(set);
    const double* r = c.releaseTimes.rowData(set);
    const double* v = uniform ? c.speeds.rowData(set) : nullptr;
    for (int q = 0; q < n; ++q) {
        const auto [j, k] = parallel_machines::decode(schedule.get(set, q));
        double& C = machines.completion[static_cast<std::size_t>(k)];
        if (c.hasReleaseTimes && r[j] > C) C = r[j];
        const double start = C;
        C += uniform ? v[k] * p[j] : p[j * m + k];
        double setup = 0;
        if (c.hasSetups) {
            int& last = machines.last[static_cast<std::size_t>(k)];
            setup = work.setupTimes.at(last, j);
            C += setup;
            last = j;
        }
        visit(Occupation{j, k, 0, q, start, setup, C});
    }
}

// One set of a job-shop schedule, each machine's job sequence in turn, read as jobAt(position).
// Each pass lets every machine play its next listed operation if that is the job's next one. A pass
// that plays nothing leaves the state as it was, so no later pass could play anything either: the
// sequences block each other (or are done), and the operations left have no times. A job listed
// again after its last operation keeps its machine waiting in the same way. Afterwards
// work.floor.jobReady holds each job's completion (its release time if nothing of it was played).
// Returns the set's total processing time.
template <class JobAt, class Visit>
double jobShopSequences(Workspace& work, int set, JobAt&& jobAt, Visit&& visit) {
    const Collection& c = work.collection;
    const int n = c.jobsIn(set);
    const int m = c.machinesIn(set);
    c.requireOperationRow(set, n, m);
    if (n <= 0) return 0;
    work.takeShopSet(set, n, m);
    ShopFloor& floor = work.floor;
    floor.reset(n, m, work.rows.r, work.rows.machines, work.rows.durations, ShopFloor::Queues::None);
    if (c.hasSetups) work.buildSetupTimes(set);
    for (int pass = 0; pass < n * m; ++pass) {
        bool played = false;
        for (int k = 0; k < m; ++k) {
            if (floor.sequenced[k] >= n) continue;
            const int position = k * n + floor.sequenced[k];
            const int j = static_cast<int>(jobAt(position));
            if (floor.nextMachine(j) != k) continue;
            const int operation = floor.nextOperation[j];
            // Where perform places the operation: the setup follows the machine's last job.
            const double start = std::max(floor.machineFree[k], floor.jobReady[j]);
            const double setup = c.hasSetups ? work.setupTimes.at(floor.lastJob[k], j) : 0.0;
            floor.perform(j, k, floor.machineFree[k], floor.nextDuration(j), setup);
            visit(Occupation{j, k, operation, position, start, setup, floor.machineFree[k]});
            played = true;
        }
        if (!played) break;
    }
    return c.operationTotal.at(set, 0);
}

// The same for a set of a schedule table (a file's, whose rows may be short).
template <class Visit>
double jobShopSet(Workspace& work, const Matrix& schedule, int set, Visit&& visit) {
    return jobShopSequences(work, set, [&](int position) { return schedule.get(set, position); }, visit);
}

// Walks one set of a schedule, whatever the environment, for callers that look at a few sets
// rather than measure them all.
template <class Visit>
void walkSet(Workspace& work, const Matrix& schedule, int set, Visit&& visit) {
    switch (work.collection.environment) {
        case Environment::Single:
            singleMachineSet(work, schedule, set, visit);
            return;
        case Environment::JobShop:
            jobShopSet(work, schedule, set, visit);
            return;
        default:
            parallelMachineSet(work, schedule, set, visit);
            return;
    }
}

}  // namespace timeline
