// The single-machine criteria Twt, Uwt, Fwt and Cmax.
#include <cmath>

#include "fitness/single_machine.h"
#include "fitness/timeline.h"

namespace {

struct SetCriteria {
    double values[4];  // Twt, Uwt, Fwt, Cmax
};

// Measures the sequence of one set. Completion times are whole numbers (the timeline truncates
// the times that move C), and so is the due date they are compared with; the weight and
// processing-time sums and the release time subtracted for the flowtime are taken as stored.
SetCriteria measureSet(Workspace& work, const Matrix& schedule, int set) {
    const Collection& c = work.collection;
    const int n = c.jobsIn(set);
    double C = 0, weightedTardiness = 0, tardyWeight = 0, flowtime = 0, W = 0, P = 0;
    // The walk has checked that the tables hold every job and position it places, but for the
    // weight of a tardy job, which only a tardy job needs.
    timeline::singleMachineSet(work, schedule, set, [&](const timeline::Occupation& placed) {
        const int j = placed.job;
        C = placed.completion;
        const double due = std::trunc(c.dueDates.at(set, j));
        if (C > due) {
            const double T = C - due;
            weightedTardiness += c.weights.get(set, j) * T;
            tardyWeight += c.weights.get(set, j);
        }
        flowtime += c.hasReleaseTimes ? C - c.releaseTimes.at(set, j) : C;
        W += c.weights.at(set, placed.position);
        P += c.processingTimes.at(set, placed.position);
    });
    return {{weightedTardiness * n / (W * P), tardyWeight / W, flowtime * n / (W * P), C / P}};
}

}  // namespace

double weightedTardinessOf(Workspace& work, const Matrix& schedule, int set) {
    return measureSet(work, schedule, set).values[0];
}

void timeline::requireSequenceInTables(const Workspace& work, const Matrix& schedule, int set, int n) {
    if (n <= 0) return;
    const Collection& c = work.collection;
    const auto holds = [set](const Matrix& table, int column) {
        return set >= 0 && set < table.rows && column < table.cols;
    };
    if (!holds(schedule, n - 1) || !holds(c.weights, n - 1) || !holds(c.processingTimes, n - 1)) tableAccessFailed();
    const double* sequence = schedule.rowData(set);
    for (int k = 0; k < n; ++k) {
        const double entry = sequence[k];
        if (!(entry > -1.0 && entry < 2147483648.0)) tableAccessFailed();  // not a job index at all
        const int j = static_cast<int>(entry);
        if ((c.hasReleaseTimes && !holds(c.releaseTimes, j)) || !holds(c.processingTimes, j) ||
            (c.hasSetups && j >= n) || !holds(c.dueDates, j))
            tableAccessFailed();
    }
}

double singleMachineCriteria(Workspace& work, const Matrix& schedule, Matrix& results) {
    const int sets = schedule.rows;
    results.initZero(sets + 1, 4);
    double totals[4] = {0, 0, 0, 0};
    for (int set = 0; set < sets; ++set) {
        const SetCriteria criteria = measureSet(work, schedule, set);
        for (int col = 0; col < 4; ++col) {
            results.at(set, col) = criteria.values[col];
            totals[col] += criteria.values[col];
        }
    }
    for (int col = 0; col < 4; ++col) results.at(sets, col) = totals[col];
    return totals[0];
}
