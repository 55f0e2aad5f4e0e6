// Justifying a job-shop schedule: every operation moved as late as the makespan allows, then as
// early as it can go, each pass in the order of the operations' times, so that an operation may
// drop into an idle gap its machine left. Neither pass delays the schedule, and the two together
// often close gaps that neither direction of dispatching left open.
#include <algorithm>

#include "fitness/job_shop.h"
#include "fitness/timeline.h"

namespace {

enum class Pass { Left, Right };

// Replays the machine sequences, keeping every operation's start; returns the makespan, or -1 when
// some operation was left unplayed (the sequences block each other, or a release time is not a number).
double replayedStarts(Workspace& work, int set, const double* sequences) {
    std::vector<double>& start = work.justification.start;
    const int m = work.collection.machinesIn(set);
    timeline::jobShopSequences(work, set, [&](int position) { return sequences[position]; },
                               [&](const timeline::Occupation& o) { start[o.job * m + o.operation] = o.start; });
    return job_shop::everyOperationPlayed(work) ? job_shop::latestCompletion(work) : -1;
}

// One pass in its own clock: the set's time for the left pass, the time back from `span` for the
// right one. Operations are placed in the order of their current times (an operation of a job
// before the job's later ones on a tie), each at the earliest time after its predecessor on the
// route, in the pass's direction, where its machine is idle long enough. An operation never lands
// later than it was: whatever went before it on its machine went no later either.
void justifyPass(Workspace& work, Pass pass, double span) {
    ShopJustification& J = work.justification;
    const int n = work.rows.n;
    const int m = work.rows.m;
    const int operations = n * m;
    const double* p = work.rows.durations;
    const bool left = pass == Pass::Left;
    double* clock = J.passStart.data();
    for (int q = 0; q < operations; ++q) {
        clock[q] = left ? J.start[q] : span - (J.start[q] + p[q]);
        // On a tie an operation goes before its job's later ones, in the pass's direction.
        J.order[q] = {clock[q], left ? q % m : m - 1 - q % m, q};
    }
    // The keys sort in place: a comparison reads no other array.
    std::sort(J.order.begin(), J.order.begin() + operations, [](const PassPlace& a, const PassPlace& b) {
        if (a.time != b.time) return a.time < b.time;
        return a.rank != b.rank ? a.rank < b.rank : a.operation < b.operation;
    });
    std::fill(J.placedCount.begin(), J.placedCount.begin() + m, 0);
    for (int i = 0; i < operations; ++i) {
        const int q = J.order[i].operation;
        const int o = q % m;
        const int predecessor = left ? (o > 0 ? q - 1 : -1) : (o < m - 1 ? q + 1 : -1);
        double t = predecessor >= 0 ? clock[predecessor] + p[predecessor] : (left ? work.rows.r[q / m] : 0.0);
        const int machine = static_cast<int>(work.rows.machines[q]);
        int* placed = J.placed.data() + machine * n;
        int& count = J.placedCount[machine];
        int at = 0;
        for (; at < count; ++at) {
            if (t + p[q] <= clock[placed[at]]) break;
            t = std::max(t, clock[placed[at]] + p[placed[at]]);
        }
        std::copy_backward(placed + at, placed + count, placed + count + 1);
        placed[at] = q;
        ++count;
        clock[q] = t;
    }
    for (int q = 0; q < operations; ++q) J.start[q] = left ? clock[q] : span - (clock[q] + p[q]);
}

// The machine sequences of the last left pass: each machine's operations by start.
void sequencesOfLeftPass(Workspace& work) {
    ShopJustification& J = work.justification;
    const int n = work.rows.n;
    const int m = work.rows.m;
    for (int k = 0; k < m; ++k)
        for (int i = 0; i < n; ++i) J.sequences[k * n + i] = J.placed[k * n + i] / m;
}

}  // namespace

double job_shop::justified(Workspace& work, int set, double* sequences) {
    const int n = work.collection.jobsIn(set);
    const int operations = n * work.collection.machinesIn(set);
    ShopJustification& J = work.justification;
    J.start.resize(operations);
    J.passStart.resize(operations);
    J.order.resize(operations);
    J.placed.resize(operations);
    J.sequences.resize(operations);
    J.placedCount.resize(work.collection.machinesIn(set));
    // Gaps measured without setups would not fit the setups a move brings; such sets stay as dispatched.
    if (work.collection.hasSetups) return makespanOf(work, set, sequences);
    const double dispatched = replayedStarts(work, set, sequences);
    if (dispatched < 0) return latestCompletion(work);
    // One round: a second one seldom shortened the schedules of good rules, at the cost of the first.
    justifyPass(work, Pass::Right, dispatched);
    justifyPass(work, Pass::Left, dispatched);
    sequencesOfLeftPass(work);
    const double span = replayedStarts(work, set, J.sequences.data());
    if (!(span >= 0 && span < dispatched)) return dispatched;
    std::copy(J.sequences.begin(), J.sequences.end(), sequences);
    return span;
}

double job_shop::makespanBound(Workspace& work) {
    const int n = work.rows.n;
    const int m = work.rows.m;
    std::vector<double>& load = work.justification.machineLoad;
    load.assign(static_cast<std::size_t>(m), 0.0);
    double bound = 0;
    for (int j = 0; j < n; ++j) {
        // Operations start at 0 at the earliest, whatever the release time.
        double job = work.rows.r[j] > 0 ? work.rows.r[j] : 0.0;
        for (int o = 0; o < m; ++o) {
            const int q = j * m + o;
            job += work.rows.durations[q];
            load[static_cast<std::size_t>(work.rows.machines[q])] += work.rows.durations[q];
        }
        bound = std::max(bound, job);
    }
    return std::max(bound, *std::max_element(load.begin(), load.end()));
}
