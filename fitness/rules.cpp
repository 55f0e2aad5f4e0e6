// The nine priority rules of the single-machine and uniform-machine dispatchers. Each rule is
// written once, with its single-machine and uniform-machine formula side by side; the greater
// the value, the sooner the job is dispatched. The rules read the tables of the set in hand
// unchecked: the dispatcher has validated them before its first call.
//
// A setup term is evaluated only while setup times are in force: without them the setup
// table is not built, and the remaining mean could turn the term into a not-a-number.
#include <algorithm>
#include <cmath>

#include "fitness/scheduler.h"

namespace {

// What the formulas read of one candidate job at one moment.
struct Candidate {
    double p;          // processing time
    double d;          // due date
    double w;          // weight
    double wait;       // idle time of the machine before the job is released
    double effective;  // processing time with that wait: p + wait
};

Candidate candidate(const Scheduler& s, int set, int job, double time) {
    const double p = s.processingTimes.at(set, job);
    const double wait = positivePart(s.releaseTimes.at(set, job) - time);
    return {p, s.dueDates.at(set, job), s.weights.at(set, job), wait, p + wait};
}

double setupAfter(const Scheduler& s, int previous, int job) { return s.setupTimes.at(previous, job); }

double speedOf(const Scheduler& s, int set, int machine) { return s.speeds.at(set, machine); }

}  // namespace

double Scheduler::priorityWSPT(int set, int job, int previous, double time, int machine) const {
    const Candidate c = candidate(*this, set, job, time);
    const double K = meanRemainingDuration;
    if (environment == Uniform) {
        const double L = inverseSpeedSum;
        const double priority = c.w * L / c.effective;
        if (!hasSetups) return priority;
        return priority - setupAfter(*this, previous, job) * L / (K * speedOf(*this, set, machine) * c.effective);
    }
    const double priority = c.w / c.effective;
    if (!hasSetups) return priority;
    return priority - setupAfter(*this, previous, job) / (K * c.effective);
}

double Scheduler::priorityRM(int set, int job, int previous, double time, int machine) const {
    const Candidate c = candidate(*this, set, job, time);
    const double K = meanRemainingDuration;
    if (environment == Uniform) {
        const double L = inverseSpeedSum;
        const double v = speedOf(*this, set, machine);
        const double priority = (c.w * L / c.effective) * std::exp(-positivePart(c.d - c.effective * v - time) * L / K);
        if (!hasSetups) return priority;
        return priority - setupAfter(*this, previous, job) * L / (K * c.p * v);
    }
    const double priority = (c.w / c.effective) * std::exp(-positivePart(c.d - c.effective - time) / (2 * K));
    if (!hasSetups) return priority;
    return priority - setupAfter(*this, previous, job) / (K * c.p);
}

// Measures the slack with the plain processing time and charges the release wait through its
// own factor, which is not clipped: a long wait makes the priority negative.
double Scheduler::priorityXDRM(int set, int job, int previous, double time, int machine) const {
    const Candidate c = candidate(*this, set, job, time);
    const double K = meanRemainingDuration;
    if (environment == Uniform) {
        const double L = inverseSpeedSum;
        const double v = speedOf(*this, set, machine);
        const double priority = (c.w * L / c.p) * std::exp(-positivePart(c.d - c.p * v - time) * L / K) *
                                (1 - 31.3 * c.wait * L / K);
        if (!hasSetups) return priority;
        return priority - setupAfter(*this, previous, job) * L / (K * c.p * v);
    }
    const double priority =
        (c.w / c.p) * std::exp(-positivePart(c.d - c.p - time) / (2 * K)) * (1 - 2.3 * c.wait / K);
    if (!hasSetups) return priority;
    return priority - setupAfter(*this, previous, job) / (K * c.p);
}

// One formula in both environments; it weighs the due date against the set's whole work.
double Scheduler::priorityMON(int set, int job, int previous, double time, int) const {
    const Candidate c = candidate(*this, set, job, time);
    const double priority = c.w * (1 - c.d / processingSum.at(set, 0)) / c.effective;
    if (!hasSetups) return priority;
    return priority - setupAfter(*this, previous, job) / (meanRemainingDuration * c.p);
}

// One formula in both environments.
double Scheduler::priorityATCS(int set, int job, int previous, double time, int) const {
    const Candidate c = candidate(*this, set, job, time);
    const double urgency = -positivePart(c.d - c.effective - time) / (atcsK1 * meanDuration);
    if (!hasSetups) return (c.w / c.effective) * std::exp(urgency);
    const double S = setupAfter(*this, previous, job) / (atcsK2 * meanSetup);
    return (c.w / c.effective) * std::exp(urgency - S);
}

// On one machine only the setup counts (without setups every job ties); on uniform machines
// the longest job goes first.
double Scheduler::prioritySetupMakespan(int set, int job, int previous, double, int machine) const {
    const double p = processingTimes.at(set, job);
    const double K = meanRemainingDuration;
    if (environment == Uniform) {
        const double L = inverseSpeedSum;
        const double priority = p / L;
        if (!hasSetups) return priority;
        return priority - setupAfter(*this, previous, job) * L / (K * speedOf(*this, set, machine) * p);
    }
    if (!hasSetups) return 1;
    return -setupAfter(*this, previous, job) / (K * p);
}

// The negated due date, so that the earliest due date has the greatest priority.
double Scheduler::priorityEDD(int set, int job, int previous, double, int) const {
    const double d = dueDates.at(set, job);
    if (!hasSetups) return -d;
    return -d - setupAfter(*this, previous, job) / (meanRemainingDuration * processingTimes.at(set, job));
}

// The number of successors of the job in the precedence table of the set in hand.
double Scheduler::priorityLNS(int, int job, int, double, int) const { return precedenceLists.at(job, 1); }

// The level of the job in the level table of the set in hand.
double Scheduler::priorityHLF(int, int job, int, double, int) const { return levels.at(job, 0); }
