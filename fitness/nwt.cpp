// The Nwt heuristic for the weighted number of tardy jobs on one machine: the earliest-due-date
// order, repaired by moving, whenever a job would finish late, the job of least weight per unit
// of processing time among those up to it behind all the others.
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

}  // namespace

void nwt(Workspace& work, Matrix& schedule) {
    const Collection& c = work.collection;
    listScheduleSingle(work, RuleOf<priorityEDD>{}, schedule);
    for (int set = 0; set < schedule.rows; ++set) {
        const int n = c.jobsIn(set);
        if (n == 0) continue;
        c.requireInstanceRow(set, n, n);
        repairSequence(schedule.rowData(set), c.processingTimes.rowData(set), c.dueDates.rowData(set),
                       c.weights.rowData(set), n);
    }
}
