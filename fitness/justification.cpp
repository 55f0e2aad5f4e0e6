// Justifying a job-shop schedule: every operation moved as late as the makespan allows, then as
// early as it can go, each pass in the order of the operations' times, so that an operation may
// drop into an idle gap its machine left. Neither pass delays the schedule, and the two together
// often close gaps that neither direction of dispatching left open.
#include <algorithm>
#include <cmath>

#include "fitness/job_shop.h"
#include "fitness/timeline.h"

namespace {

enum class Pass { Left, Right };

// Replays the machine sequences, keeping every operation's start and each machine's operations in
// the order played; returns the makespan, or -1 when some operation was left unplayed (the
// sequences block each other, or a release time is not a number).
double replayedStarts(Workspace& work, int set, const double* sequences) {
    ShopJustification& J = work.justification;
    const int n = work.collection.jobsIn(set);
    const int m = work.collection.machinesIn(set);
    std::fill(J.placedCount.begin(), J.placedCount.end(), 0);
    timeline::jobShopSequences(work, set, [&](int position) { return sequences[position]; },
                               [&](const timeline::Occupation& o) {
                                   const int q = o.job * m + o.operation;
                                   J.start[q] = o.start;
                                   J.timeOrder[o.machine * n + J.placedCount[o.machine]++] = q;
                               });
    return job_shop::everyOperationPlayed(work) ? job_shop::latestCompletion(work) : -1;
}

// Where a pass takes an operation: by its time in the pass's clock, then by its rank along its
// job's route in the pass's direction (a job's earlier operations first), then by its index.
struct PassOrder {
    const double* clock;
    int m;
    bool left;
    int rank(int q) const { return left ? q % m : m - 1 - q % m; }
    bool operator()(int a, int b) const {
        if (clock[a] != clock[b]) return clock[a] < clock[b];
        return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
    }
};

// Each machine's operations in the order the pass takes them. They come in the order of their times
// in the other direction, which are the pass's times backwards; only equal times may need
// reordering, so the insertion sort runs in one sweep.
void orderMachinesForPass(ShopJustification& J, int n, int m, const PassOrder& before) {
    for (int k = 0; k < m; ++k) {
        int* first = J.timeOrder.data() + k * n;
        std::reverse(first, first + n);
        for (int i = 1; i < n; ++i)
            for (int at = i; at > 0 && before(first[at], first[at - 1]); --at) std::swap(first[at], first[at - 1]);
    }
}

// The operation `step` places along the route from q (operation o of its job), or -1 past its ends.
int alongRoute(int q, int o, int m, int step) { return o + step >= 0 && o + step < m ? q + step : -1; }

// Puts q among the `count` operations its machine has placed (by time) at the earliest time from
// t where the machine is idle long enough; returns that time.
double placeInFirstGap(const double* clock, const double* p, int* placed, int count, int q, double t) {
    int at = 0;
    for (; at < count; ++at) {
        if (t + p[q] <= clock[placed[at]]) break;
        t = std::max(t, clock[placed[at]] + p[placed[at]]);
    }
    std::copy_backward(placed + at, placed + count, placed + count + 1);
    placed[at] = q;
    return t;
}

// One pass in its own clock: the set's time for the left pass, the time back from `span` for the
// right one. Operations are placed in the order of their current times (an operation of a job
// before the job's later ones on a tie), each at the earliest time after its predecessor on the
// route, in the pass's direction, where its machine is idle long enough. An operation never lands
// later than it was: whatever went before it on its machine went no later either.
//
// Where an operation lands depends only on its predecessor's new time and on the operations its
// machine placed before it, so the machines take their operations in turn, each machine going on
// until its next operation waits for its predecessor: the same placements as taking every
// operation in the order of times, without sorting them all.
void justifyPass(Workspace& work, Pass pass, double span) {
    ShopJustification& J = work.justification;
    const int n = work.rows.n;
    const int m = work.rows.m;
    const int operations = n * m;
    const double* p = work.rows.durations;
    const bool left = pass == Pass::Left;
    double* clock = J.passStart.data();
    for (int q = 0; q < operations; ++q) clock[q] = left ? J.start[q] : span - (J.start[q] + p[q]);
    orderMachinesForPass(J, n, m, PassOrder{clock, m, left});
    std::fill(J.placedCount.begin(), J.placedCount.begin() + m, 0);
    std::fill(J.done.begin(), J.done.begin() + operations, 0);
    int* toResume = J.machinesToResume.data();
    int waiting = 0;
    for (int k = m - 1; k >= 0; --k) toResume[waiting++] = k;
    while (waiting > 0) {
        const int machine = toResume[--waiting];
        const int* order = J.timeOrder.data() + machine * n;
        int* placed = J.placed.data() + machine * n;
        int& count = J.placedCount[machine];
        while (count < n) {
            const int q = order[count];
            const int o = q % m;
            const int predecessor = alongRoute(q, o, m, left ? -1 : 1);
            if (predecessor >= 0 && !J.done[predecessor]) break;
            const double t = predecessor >= 0 ? clock[predecessor] + p[predecessor] : (left ? work.rows.r[q / m] : 0.0);
            clock[q] = placeInFirstGap(clock, p, placed, count++, q, t);
            J.done[q] = 1;
            // The job's next operation may be what its machine waits for.
            const int successor = alongRoute(q, o, m, left ? 1 : -1);
            if (successor < 0) continue;
            const int next = static_cast<int>(work.rows.machines[successor]);
            const int nextCount = J.placedCount[next];
            if (nextCount < n && J.timeOrder[next * n + nextCount] == successor) toResume[waiting++] = next;
        }
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

// The left pass starts every operation as early as its job's operation before it and its machine's
// operation before it allow, as a replay of its machine sequences does, unless a job's release
// time is below 0 (or -0), before which the replay starts nothing, or an operation takes no time:
// operations of no time placed at one moment may sequence the machines so that they wait for
// one another, which only the replay finds.
bool leftPassIsReplayed(const Workspace& work) {
    const double* p = work.rows.durations;
    return std::none_of(work.rows.r, work.rows.r + work.rows.n, [](double r) { return std::signbit(r); }) &&
           std::all_of(p, p + work.rows.n * work.rows.m, [](double d) { return d > 0; });
}

// The makespan of the last left pass: its jobs' latest completion, as the replay would find it.
double leftPassMakespan(const Workspace& work) {
    const int m = work.rows.m;
    const auto completion = [&](int job) {
        const int last = job * m + m - 1;
        return work.justification.start[last] + work.rows.durations[last];
    };
    double latest = completion(0);
    for (int j = 1; j < work.rows.n; ++j) latest = std::max(latest, completion(j));
    return latest;
}

}  // namespace

double job_shop::justified(Workspace& work, int set, double* sequences) {
    const int n = work.collection.jobsIn(set);
    const int operations = n * work.collection.machinesIn(set);
    ShopJustification& J = work.justification;
    J.start.resize(operations);
    J.passStart.resize(operations);
    J.timeOrder.resize(operations);
    J.placed.resize(operations);
    J.done.resize(operations);
    J.machinesToResume.resize(operations + work.collection.machinesIn(set));
    J.sequences.resize(operations);
    J.placedCount.resize(work.collection.machinesIn(set));
    // Gaps measured without setups would not fit the setups a move brings; such sets stay as dispatched.
    if (work.collection.hasSetups) return makespanOf(work, set, sequences);
    const double dispatched = replayedStarts(work, set, sequences);
    if (dispatched < 0) return latestCompletion(work);
    // One round: a second one seldom shortened the schedules of good rules, at the cost of the first.
    justifyPass(work, Pass::Right, dispatched);
    // The left pass takes each machine's operations in the reverse of where the right pass placed them.
    std::swap(J.timeOrder, J.placed);
    justifyPass(work, Pass::Left, dispatched);
    sequencesOfLeftPass(work);
    const double span = leftPassIsReplayed(work) ? leftPassMakespan(work) : replayedStarts(work, set, J.sequences.data());
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
