#pragma once

// One dispatching decision as a rule sees it: the set in hand (its rows, working tables and values,
// in the workspace) and the moment. A rule returns the priority of one candidate job; the greatest
// is dispatched. A classical rule is asked job by job, while a rule that can rate a whole decision at
// once (a compiled expression) pays its interpretation once per decision instead of once per
// candidate.
#include <concepts>

#include "fitness/candidate_batch.h"
#include "fitness/workspace.h"

// A list-scheduling decision (single, uniform and unrelated machines): a job for `machine`. The
// pair scheme of parallel machines asks one such decision of every machine at the same time.
struct ListDecision {
    const Workspace& work;
    int previous;  // the job processed last on the machine, n before its first
    double time;   // the dispatcher's current time
    int machine;   // 0 on a single machine
    // When the machine can take the job: in list scheduling the current time (the machine starts
    // its next job then), in the pair scheme the moment the machine finishes its last job.
    double machineFree = time;
};

// A job-shop decision: the next operation of a job for the machine that can start first.
struct ShopDecision {
    const Workspace& work;
    double time;               // when the machine can start
    int lastJob;               // the job processed last on the machine, n before its first
    const int* nextOperation;  // per job: the position of its next operation in its route
    const double* jobReady;    // per job: when its previous operation ends (its release before the first)
};

// Rates every candidate of the batch: all at once when the rule can, else one by one.
template <class Rule, class Decision>
void rateCandidates(Rule& rule, const Decision& at, CandidateBatch& batch) {
    if constexpr (requires { rule.rate(at, batch); }) {
        rule.rate(at, batch);
    } else {
        const int* jobs = batch.jobs();
        double* priorities = batch.priorities();
        for (int i = 0; i < batch.size(); ++i) priorities[i] = rule(at, jobs[i]);
    }
}

// A list-scheduling decision: the incumbent, then every job below n that `competes`, in index
// order (the incumbent again if it competes), rated and compared.
template <class Rule, class Competes>
int highestPriority(Rule& rule, const ListDecision& at, CandidateBatch& batch, int incumbent, Competes competes) {
    batch.clear();
    batch.add(incumbent);
    const int n = at.work.rows.n;  // read once: the batch's stores could otherwise alias it
    for (int j = 0; j < n; ++j)
        if (competes(j)) batch.add(j);
    rateCandidates(rule, at, batch);
    return batch.chosen();
}

// Adapts a rule function to the callable form the dispatchers take, so that it is inlined into the
// dispatch loop instead of being called through a pointer.
template <auto Rule>
struct RuleOf {
    template <class Decision>
        requires std::invocable<decltype(Rule), const Decision&, int>
    double operator()(const Decision& at, int job) const {
        return Rule(at, job);
    }
};
