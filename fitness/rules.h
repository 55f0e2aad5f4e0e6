#pragma once

// The classical priority rules of the evaluator's heuristics, as free functions over one decision:
// each returns the priority of one candidate job, the greatest is dispatched. They read the set in
// hand unchecked: the dispatcher has checked its tables before the first decision.
#include <algorithm>

#include "core/exponential.h"
#include "fitness/decision.h"

// max(x, 0) as every rule takes it (a not-a-number stays one), the classical rules and the
// learner's compiled expressions alike, so that a rule written both ways gives the same doubles.
inline double positivePart(double x) { return std::max(x, 0.0); }

// --- job shop: each rates the job's next operation
double jobShopWSPT(const ShopDecision& at, int job);
double jobShopWSPTTWKR(const ShopDecision& at, int job);
double jobShopCOVERT(const ShopDecision& at, int job);
double jobShopSlackTWKR(const ShopDecision& at, int job);
double jobShopRM(const ShopDecision& at, int job);
double jobShopEDD(const ShopDecision& at, int job);
double jobShopWTWKR(const ShopDecision& at, int job);

// The durations of the job's operations from position `first` to the end of its route (0 past it).
double remainingWork(const SetInHand& set, int job, int first);

// --- single and uniform machines. Each of the nine rules is written once, with its single-machine
// and uniform-machine formula side by side. They are defined here, so that the dispatchers inline
// them into their candidate loops.
//
// A setup term is evaluated only while setup times are in force: without them the setup
// table is not built, and the remaining mean could turn the term into a not-a-number.
namespace list_rules {

// What the formulas read of one candidate job at one decision.
struct Candidate {
    double p;          // processing time
    double d;          // due date
    double w;          // weight
    double wait;       // idle time of the machine before the job is released
    double effective;  // processing time with that wait: p + wait
};

inline Candidate candidate(const ListDecision& at, int job) {
    const SetInHand& set = at.work.rows;
    const double p = set.p[job];
    const double wait = positivePart(set.r[job] - at.time);
    return {p, set.d[job], set.w[job], wait, p + wait};
}

inline bool uniform(const ListDecision& at) { return at.work.collection.environment == Environment::Uniform; }
inline bool withSetups(const ListDecision& at) { return at.work.collection.hasSetups; }
inline double setupOf(const ListDecision& at, int job) { return at.work.setupTimes.at(at.previous, job); }
inline double speedOf(const ListDecision& at) { return at.work.rows.v[at.machine]; }

// The priority less the job's setup after the machine's last job, charged as setup x scale / per,
// while setups are in force (a scale of 1 leaves the setup as it is).
inline double lessSetup(const ListDecision& at, int job, double priority, double scale, double per) {
    if (!withSetups(at)) return priority;
    return priority - setupOf(at, job) * scale / per;
}

inline double priorityWSPT(const ListDecision& at, int job) {
    const Candidate c = candidate(at, job);
    const double K = at.work.meanRemainingDuration;
    if (uniform(at)) {
        const double L = at.work.inverseSpeedSum;
        const double priority = c.w * L / c.effective;
        return lessSetup(at, job, priority, L, K * speedOf(at) * c.effective);
    }
    const double priority = c.w / c.effective;
    return lessSetup(at, job, priority, 1, K * c.effective);
}

inline double priorityRM(const ListDecision& at, int job) {
    const Candidate c = candidate(at, job);
    const double K = at.work.meanRemainingDuration;
    if (uniform(at)) {
        const double L = at.work.inverseSpeedSum;
        const double v = speedOf(at);
        const double priority =
            (c.w * L / c.effective) * exponential(-positivePart(c.d - c.effective * v - at.time) * L / K);
        return lessSetup(at, job, priority, L, K * c.p * v);
    }
    const double priority = (c.w / c.effective) * exponential(-positivePart(c.d - c.effective - at.time) / (2 * K));
    return lessSetup(at, job, priority, 1, K * c.p);
}

// Measures the slack with the plain processing time and charges the release wait through its
// own factor, which is not clipped: a long wait makes the priority negative.
inline double priorityXDRM(const ListDecision& at, int job) {
    const Candidate c = candidate(at, job);
    const double K = at.work.meanRemainingDuration;
    if (uniform(at)) {
        const double L = at.work.inverseSpeedSum;
        const double v = speedOf(at);
        const double priority = (c.w * L / c.p) * exponential(-positivePart(c.d - c.p * v - at.time) * L / K) *
                                (1 - 31.3 * c.wait * L / K);
        return lessSetup(at, job, priority, L, K * c.p * v);
    }
    const double priority =
        (c.w / c.p) * exponential(-positivePart(c.d - c.p - at.time) / (2 * K)) * (1 - 2.3 * c.wait / K);
    return lessSetup(at, job, priority, 1, K * c.p);
}

// One formula in both environments; it weighs the due date against the set's whole work.
inline double priorityMON(const ListDecision& at, int job) {
    const Candidate c = candidate(at, job);
    const double priority = c.w * (1 - c.d / at.work.rows.SP) / c.effective;
    return lessSetup(at, job, priority, 1, at.work.meanRemainingDuration * c.p);
}

// One formula in both environments.
inline double priorityATCS(const ListDecision& at, int job) {
    const Candidate c = candidate(at, job);
    const double urgency = -positivePart(c.d - c.effective - at.time) / (at.work.atcsK1 * at.work.meanDuration);
    if (!withSetups(at)) return (c.w / c.effective) * exponential(urgency);
    const double S = setupOf(at, job) / (at.work.atcsK2 * at.work.meanSetup);
    return (c.w / c.effective) * exponential(urgency - S);
}

// On one machine only the setup counts (without setups every job ties); on uniform machines
// the longest job goes first.
inline double prioritySetupMakespan(const ListDecision& at, int job) {
    const double p = at.work.rows.p[job];
    const double K = at.work.meanRemainingDuration;
    if (uniform(at)) {
        const double L = at.work.inverseSpeedSum;
        const double priority = p / L;
        return lessSetup(at, job, priority, L, K * speedOf(at) * p);
    }
    if (!withSetups(at)) return 1;
    return -setupOf(at, job) / (K * p);
}

// The negated due date, so that the earliest due date has the greatest priority.
inline double priorityEDD(const ListDecision& at, int job) {
    const double d = at.work.rows.d[job];
    return lessSetup(at, job, -d, 1, at.work.meanRemainingDuration * at.work.rows.p[job]);
}

// The number of successors of the job in the precedence table of the set in hand.
inline double priorityLNS(const ListDecision& at, int job) { return at.work.precedenceLists.at(job, 1); }

// The level of the job in the level table of the set in hand.
inline double priorityHLF(const ListDecision& at, int job) { return at.work.levels.at(job, 0); }

}  // namespace list_rules

using list_rules::priorityATCS;
using list_rules::priorityEDD;
using list_rules::priorityHLF;
using list_rules::priorityLNS;
using list_rules::priorityMON;
using list_rules::priorityRM;
using list_rules::prioritySetupMakespan;
using list_rules::priorityWSPT;
using list_rules::priorityXDRM;
