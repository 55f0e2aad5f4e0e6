// The seven dispatching rules of the job shop. Each rates the candidate job's next operation
// when its machine can start at the decision's time and the job is ready when the decision says;
// the greatest value is dispatched. The last job of the machine is not used.
#include <algorithm>

#include "core/exponential.h"
#include "fitness/rules.h"

namespace {

// What the formulas read of one candidate at one decision.
struct Operation {
    int position;     // in the job's route
    double duration;
    double wait;      // how long the job would keep the machine idle before it is ready
    double weight;    // 1 for every job without a weight file
};

Operation operationOf(const ShopDecision& at, int job) {
    const SetInHand& set = at.work.rows;
    const int o = at.nextOperation[job];
    const double weight = at.work.collection.hasWeights ? set.w[job] : 1.0;
    return {o, set.durations[job * set.m + o], std::max(at.jobReady[job] - at.time, 0.0), weight};
}

}  // namespace

double remainingWork(const SetInHand& set, int job, int first) {
    return first < set.m ? set.workFrom[job * set.m + first] : 0.0;
}

double jobShopWSPT(const ShopDecision& at, int job) {
    const Operation o = operationOf(at, job);
    return o.weight / (o.duration + o.wait);
}

double jobShopWSPTTWKR(const ShopDecision& at, int job) {
    const Operation o = operationOf(at, job);
    const double remaining = remainingWork(at.work.rows, job, o.position);
    return o.weight * (o.wait + remaining) / (o.wait + o.duration);
}

double jobShopCOVERT(const ShopDecision& at, int job) {
    const Operation o = operationOf(at, job);
    const double after = remainingWork(at.work.rows, job, o.position + 1);
    const double slack = positivePart(at.work.rows.d[job] - 4 * after - at.time);
    // On a last operation `after` is 0 and the quotient infinite (or 0/0): the factor is 0 then,
    // as it is whenever the slack exceeds half the remaining work.
    const double factor = 1 - slack / (0.5 * after);
    const double clipped = factor > 0 ? factor : 0.0;
    return o.weight * clipped / (o.duration + o.wait);
}

double jobShopSlackTWKR(const ShopDecision& at, int job) {
    const Operation o = operationOf(at, job);
    const double work = o.wait + remainingWork(at.work.rows, job, o.position);
    return o.weight * work / (at.work.rows.d[job] - work);
}

double jobShopRM(const ShopDecision& at, int job) {
    const SetInHand& set = at.work.rows;
    const Operation o = operationOf(at, job);
    const double after = remainingWork(set, job, o.position + 1);
    const double slack = positivePart(set.d[job] - 3 * after - at.time);
    const int machine = static_cast<int>(set.machines[job * set.m + o.position]);
    const double lookAhead = 10 * set.machineMeans[machine];
    return o.weight * exponential(-slack / lookAhead) / (o.duration + o.wait);
}

double jobShopEDD(const ShopDecision& at, int job) { return -at.work.rows.d[job]; }

double jobShopWTWKR(const ShopDecision& at, int job) {
    const Operation o = operationOf(at, job);
    return o.weight / (o.wait + remainingWork(at.work.rows, job, o.position));
}
