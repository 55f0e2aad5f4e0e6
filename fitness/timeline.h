#pragma once

// When each job or operation of a schedule starts and ends, computed in one place per environment.
// A walk replays one set of `schedule` the way the criteria measure it and hands every job (single
// and parallel machines) or operation (job shop) it places to a visitor. The criteria add up their
// sums in the visitor; the report draws its Gantt bars from the same calls, so a chart shows
// exactly the times that were measured. The visitor is a template argument, so in the criteria it
// is inlined into the loop.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/fatal.h"
#include "fitness/job_shop.h"
#include "fitness/parallel_machines.h"
#include "fitness/scheduler.h"

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

// Per-machine state of the parallel-machine walk, kept from set to set so that it is allocated once.
struct MachineClocks {
    std::vector<double> completion;  // when each machine finishes its last job so far
    std::vector<int> last;           // the job each machine processed last, n before the first
};

// The job at position k of a single-machine sequence, read checked. An entry that cannot be a job
// index (negative, not a number, beyond any table) ends the run as the table access would.
inline int sequencedJob(const Matrix& schedule, int set, int k) {
    constexpr int kLineGet = 188;  // the matrix's checked two-index access
    const double entry = schedule.get(set, k);
    if (!(entry > -1.0 && entry < 2147483648.0)) assertionFailed("matrice", kLineGet);
    return static_cast<int>(entry);
}

// One set of a single-machine schedule. The times are whole numbers: the release time that moves
// the machine, the processing time and the setup are truncated before they are added. The
// instance tables are read checked, since a schedule file may name any job.
template <class Visit>
void singleMachineSet(Scheduler& s, int set, Visit&& visit) {
    const int n = s.jobsIn(set);
    if (s.hasSetups) s.buildSetupTimes(set);
    double C = 0;
    int previous = n;
    for (int k = 0; k < n; ++k) {
        const int j = sequencedJob(s.schedule, set, k);
        if (s.hasReleaseTimes && s.releaseTimes.get(set, j) > C) C = std::trunc(s.releaseTimes.get(set, j));
        const double start = C;
        C = C + std::trunc(s.processingTimes.get(set, j));
        double setup = 0;
        if (s.hasSetups) {
            setup = std::trunc(s.setupTimes.get(previous, j));
            C = C + setup;
        }
        previous = j;
        visit(Occupation{j, 0, 0, k, start, setup, C});
    }
}

// One set of a uniform or unrelated schedule (entries job + 1000 x machine), each machine's jobs
// replayed in the order of the row. Times are taken as stored. Afterwards machines.completion
// holds when every machine of the set finishes (0 for a machine without jobs).
template <class Visit>
void parallelMachineSet(Scheduler& s, int set, MachineClocks& machines, Visit&& visit) {
    const int n = s.jobsIn(set);
    const int m = s.machinesIn(set);
    parallel_machines::requireSchedulableSet(s, set);
    parallel_machines::requireParallelRow(s, set, n, m);
    machines.completion.assign(static_cast<std::size_t>(m), 0.0);
    if (s.hasSetups) {
        s.buildSetupTimes(set);
        machines.last.assign(static_cast<std::size_t>(m), n);
    }
    const bool uniform = s.environment == Uniform;
    const double* p = s.processingTimes.rowData(set);
    const double* r = s.releaseTimes.rowData(set);
    const double* v = uniform ? s.speeds.rowData(set) : nullptr;
    for (int q = 0; q < n; ++q) {
        const auto [j, k] = parallel_machines::decode(s.schedule.get(set, q));
        double& C = machines.completion[static_cast<std::size_t>(k)];
        if (s.hasReleaseTimes && r[j] > C) C = r[j];
        const double start = C;
        C += uniform ? v[k] * p[j] : p[j * m + k];
        double setup = 0;
        if (s.hasSetups) {
            int& last = machines.last[static_cast<std::size_t>(k)];
            setup = s.setupTimes.at(last, j);
            C += setup;
            last = j;
        }
        visit(Occupation{j, k, 0, q, start, setup, C});
    }
}

// One set of a job-shop schedule (each machine's job sequence in turn). Each pass lets every
// machine play its next listed operation if that is the job's next one. A pass that plays nothing
// leaves the state as it was, so no later pass could play anything either: the sequences block
// each other (or are done), and the operations left have no times. A job listed again after its
// last operation keeps its machine waiting in the same way. Needs the operation tables shaped
// (initOperationTables); afterwards floor.jobReady holds each job's completion (its release time
// if nothing of it was played). Returns the set's total processing time.
template <class Visit>
double jobShopSet(Scheduler& s, int set, ShopFloor& floor, Visit&& visit) {
    const int n = s.jobsIn(set);
    const int m = s.machinesIn(set);
    const double total = s.decodeOperations(set, n, m);
    floor.reset(n, m, s.releaseTimes.rowData(set));
    if (s.hasSetups) s.buildSetupTimes(set);
    const Matrix* setups = s.hasSetups ? &s.setupTimes : nullptr;
    for (int pass = 0; pass < n * m; ++pass) {
        bool played = false;
        for (int k = 0; k < m; ++k) {
            if (floor.sequenced[k] >= n) continue;
            const int position = k * n + floor.sequenced[k];
            const int j = static_cast<int>(s.schedule.get(set, position));
            if (floor.nextMachine(j, s.operationMachines) != k) continue;
            const int operation = floor.nextOperation[j];
            // Where perform places the operation: the setup follows the machine's last job.
            const double start = std::max(floor.machineFree[k], floor.jobReady[j]);
            const double setup = setups ? setups->at(floor.lastJob[k], j) : 0.0;
            floor.perform(j, k, floor.machineFree[k], s.operationDurations.at(j, operation), setups);
            visit(Occupation{j, k, operation, position, start, setup, floor.machineFree[k]});
            played = true;
        }
        if (!played) break;
    }
    return total;
}

// Walks one set of the schedule in hand, whatever the environment, for callers that look at a
// few sets rather than measure them all.
template <class Visit>
void walkSet(Scheduler& s, int set, Visit&& visit) {
    switch (s.environment) {
        case Single:
            singleMachineSet(s, set, visit);
            return;
        case JobShop: {
            s.initOperationTables();
            ShopFloor floor;
            jobShopSet(s, set, floor, visit);
            return;
        }
        default: {
            MachineClocks machines;
            parallelMachineSet(s, set, machines, visit);
            return;
        }
    }
}

}  // namespace timeline
