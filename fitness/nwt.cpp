// The Nwt heuristic for the weighted number of tardy jobs on one machine: the earliest-due-date
// order, repaired by moving, whenever a job would finish late, the job of least weight per unit
// of processing time among those up to it behind all the others.
#include <algorithm>
#include <cmath>

#include "fitness/rules.h"
#include "fitness/single_machine.h"

namespace {

// Repairs one set's sequence r in place; p, d and w are the set's processing times, due dates
// and weights. Positions before `length` are the kept jobs, those after it the jobs taken out.
void repairSequence(double* r, const double* p, const double* d, const double* w, int n) {
    int length = n;
    int pos = 0;
    double C = 0;
    while (pos < length) {
        const int j = static_cast<int>(r[pos]);
        C = C + p[j];
        if (C <= d[j]) {
            ++pos;
            continue;
        }
        // Strictly smaller ratios only, so the earliest of equal ratios is taken out.
        int taken = 0;
        double lowest = w[static_cast<int>(r[0])] / p[static_cast<int>(r[0])];
        for (int k = 1; k <= pos; ++k) {
            const int job = static_cast<int>(r[k]);
            const double ratio = w[job] / p[job];
            if (ratio < lowest) {
                lowest = ratio;
                taken = k;
            }
        }
        const double f = r[taken];
        for (int k = taken; k < length - 1; ++k) r[k] = r[k + 1];
        r[length - 1] = f;
        // Back to the completion time before pos in the new order: the tardy job moved one
        // place forward and is examined again, or it was itself taken out.
        if (taken < pos) {
            C = C - p[static_cast<int>(f)] - p[j];
            --pos;
        } else {
            C = C - p[j];
        }
        --length;
    }
}

// The order in which the list scheduling with EDD dispatches the set in hand: the earliest due date
// first, the lower index first among equal ones. Sorted by those two keys when every due date is a
// number; otherwise the comparisons are no order, and the list scheduling itself makes it.
void earliestDueDateOrder(Workspace& work, double* sequence) {
    const int n = work.rows.n;
    const double* d = work.rows.d;
    if (std::any_of(d, d + n, [](double due) { return std::isnan(due); })) {
        RuleOf<priorityEDD> edd;
        single_machine::SetDispatcher<RuleOf<priorityEDD>>(work, edd, sequence).run();
        return;
    }
    for (int j = 0; j < n; ++j) sequence[j] = j;
    std::sort(sequence, sequence + n, [d](double a, double b) {
        const int i = static_cast<int>(a), j = static_cast<int>(b);
        return d[i] < d[j] || (d[i] == d[j] && i < j);
    });
}

}  // namespace

void nwt(Workspace& work, Matrix& schedule) {
    forEachSingleMachineSet(work, schedule, ScheduleWidth::File, [&](int, double* sequence) {
        const SetInHand& set = work.rows;
        earliestDueDateOrder(work, sequence);
        repairSequence(sequence, set.p, set.d, set.w, set.n);
    });
}
