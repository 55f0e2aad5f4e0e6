#pragma once

// One dispatching decision as a rule sees it: the set in hand (its rows, working tables and values,
// in the workspace) and the moment. A rule returns the priority of one candidate job; the greatest
// is dispatched. A classical rule is asked job by job, while a rule that can rate a whole decision at
// once (a compiled expression) pays its interpretation once per decision instead of once per
// candidate.
#include <algorithm>
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

// Whether the rule rates a whole decision's candidates at once (a compiled expression).
template <class Rule, class Decision>
concept RatesBatches = requires(Rule& rule, const Decision& at, CandidateBatch& batch) { rule.rate(at, batch); };

// Rates every candidate of the batch: all at once when the rule can, else one by one.
template <class Rule, class Decision>
void rateCandidates(Rule& rule, const Decision& at, CandidateBatch& batch) {
    if constexpr (RatesBatches<Rule, Decision>) {
        rule.rate(at, batch);
    } else {
        const int* jobs = batch.jobs();
        double* priorities = batch.priorities();
        for (int i = 0; i < batch.size(); ++i) priorities[i] = rule(at, jobs[i]);
    }
}

// The candidate of greatest priority among those the dispatcher listed in the batch, the incumbent
// first, with the dispatchers' tie rule (BestCandidate).
template <class Rule, class Decision>
int chooseListed(Rule& rule, const Decision& at, CandidateBatch& batch) {
    if constexpr (RatesBatches<Rule, Decision>) {
        rule.rate(at, batch);
        return batch.chosenAfterIncumbent();
    } else {
        const int* jobs = batch.jobs();
        BestCandidate best;
        for (int i = 0; i < batch.size(); ++i) best.offer(jobs[i], rule(at, jobs[i]));
        return best.job;
    }
}

// The choice between the incumbent and the `others` listed after the batch's first place, among
// which the incumbent is listed again. A classical rule is asked for each entry, the incumbent
// twice. For a rule that rates whole batches the incumbent competes once, in first place, since a
// second rating of it could not change the choice, and alone it is chosen without a rating: a
// tenth fewer candidates rated in a single-machine learning run.
template <class Rule, class Decision>
int chooseAfterIncumbent(Rule& rule, const Decision& at, CandidateBatch& batch, int incumbent, int others) {
    int count = others;
    if constexpr (RatesBatches<Rule, Decision>) {
        int* const listed = batch.jobs() + 1;
        count = static_cast<int>(std::remove(listed, listed + others, incumbent) - listed);
        if (count == 0) return incumbent;
    }
    batch.jobs()[0] = incumbent;
    batch.setSize(count + 1);
    return chooseListed(rule, at, batch);
}

// The candidate of greatest priority among those `listCandidates` names (it calls its argument once
// per candidate, in the dispatcher's order), with the dispatchers' tie rule (BestCandidate); -1 when
// it names none. A rule that rates whole decisions gets them as one batch; a classical rule is asked
// candidate by candidate as they are named, with no list in between.
template <class Rule, class Decision, class ListCandidates>
int highestPriority(Rule& rule, const Decision& at, CandidateBatch& batch, ListCandidates listCandidates) {
    if constexpr (RatesBatches<Rule, Decision>) {
        batch.collect(listCandidates);
        if (batch.size() == 0) return -1;
        return chooseListed(rule, at, batch);
    } else {
        BestCandidate best;
        listCandidates([&](int job) { best.offer(job, rule(at, job)); });
        return best.job;
    }
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
