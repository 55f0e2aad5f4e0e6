// The seven dispatching rules of the job shop. Each rates the candidate job's next operation
// (position `operation` of its route) when its machine can start at `time` and the job is ready
// at `jobReady`; the greatest value is dispatched. The last job of the machine is not used.
#include <algorithm>
#include <cmath>

#include "fitness/scheduler.h"

namespace {

// Read only when the instance has weights: without them every job counts as 1.
double weightOf(const Scheduler& s, int set, int job) { return s.hasWeights ? s.weights.at(set, job) : 1.0; }

// How long the job would keep the machine idle before it is ready.
double waitFor(double time, double jobReady) { return std::max(jobReady - time, 0.0); }

double durationOf(const Scheduler& s, int job, int operation) { return s.operationDurations.at(job, operation); }

}  // namespace

double Scheduler::remainingWork(int set, int job, int first) const {
    const int m = static_cast<int>(machineCount.at(set, 0));
    double work = 0;
    for (int l = first; l < m; ++l) work += operationDurations.at(job, l);
    return work;
}

double Scheduler::jobShopWSPT(int set, int job, int operation, double time, double jobReady, int) const {
    return weightOf(*this, set, job) / (durationOf(*this, job, operation) + waitFor(time, jobReady));
}

double Scheduler::jobShopWSPTTWKR(int set, int job, int operation, double time, double jobReady, int) const {
    const double wait = waitFor(time, jobReady);
    const double remaining = remainingWork(set, job, operation);
    return weightOf(*this, set, job) * (wait + remaining) / (wait + durationOf(*this, job, operation));
}

double Scheduler::jobShopCOVERT(int set, int job, int operation, double time, double jobReady, int) const {
    const double after = remainingWork(set, job, operation + 1);
    const double slack = positivePart(dueDates.at(set, job) - 4 * after - time);
    // On a last operation `after` is 0 and the quotient infinite (or 0/0): the factor is 0 then,
    // as it is whenever the slack exceeds half the remaining work.
    const double factor = 1 - slack / (0.5 * after);
    const double clipped = factor > 0 ? factor : 0.0;
    return weightOf(*this, set, job) * clipped / (durationOf(*this, job, operation) + waitFor(time, jobReady));
}

double Scheduler::jobShopSlackTWKR(int set, int job, int operation, double time, double jobReady, int) const {
    const double work = waitFor(time, jobReady) + remainingWork(set, job, operation);
    return weightOf(*this, set, job) * work / (dueDates.at(set, job) - work);
}

double Scheduler::jobShopRM(int set, int job, int operation, double time, double jobReady, int) const {
    const double after = remainingWork(set, job, operation + 1);
    const double slack = positivePart(dueDates.at(set, job) - 3 * after - time);
    const int machine = static_cast<int>(operationMachines.at(job, operation));
    const double lookAhead = 10 * machineMeanDuration.at(machine, 0);
    return weightOf(*this, set, job) * std::exp(-slack / lookAhead) /
           (durationOf(*this, job, operation) + waitFor(time, jobReady));
}

double Scheduler::jobShopEDD(int set, int job, int, double, double, int) const { return -dueDates.at(set, job); }

double Scheduler::jobShopWTWKR(int set, int job, int operation, double time, double jobReady, int) const {
    return weightOf(*this, set, job) / (waitFor(time, jobReady) + remainingWork(set, job, operation));
}
