#pragma once

// The candidates of one dispatching decision, rated together and then compared. A dispatcher
// lists the jobs it would have asked the rule about, in the order it would have asked, then one
// call rates them all: a classical rule is asked job by job, while a rule that can rate a whole
// decision at once (a compiled expression) pays its interpretation once per decision instead of
// once per candidate. The comparison is the dispatchers' own tie rule.
#include <vector>

class Scheduler;

class CandidateBatch {
public:
    // Room for `capacity` candidates; the dispatchers reserve once per run, never per decision.
    void reserve(int capacity) {
        if (static_cast<int>(jobs_.size()) >= capacity) return;
        jobs_.resize(static_cast<std::size_t>(capacity));
        priorities_.resize(static_cast<std::size_t>(capacity));
    }
    void clear() { size_ = 0; }
    void add(int job) { jobs_[static_cast<std::size_t>(size_++)] = job; }

    int size() const { return size_; }
    const int* jobs() const { return jobs_.data(); }
    double* priorities() { return priorities_.data(); }

    // The job of greatest priority: a later candidate replaces the incumbent only when its
    // priority is strictly greater, so ties keep the earlier one, a not-a-number never wins and a
    // not-a-number incumbent is never displaced. The batch holds at least one candidate.
    int chosen() const {
        int c = 0;
        double best = priorities_[0];
        for (int i = 1; i < size_; ++i) {
            if (priorities_[static_cast<std::size_t>(i)] > best) {
                best = priorities_[static_cast<std::size_t>(i)];
                c = i;
            }
        }
        return jobs_[static_cast<std::size_t>(c)];
    }

private:
    std::vector<int> jobs_;
    std::vector<double> priorities_;
    int size_ = 0;
};

// Rates the candidates of a list-scheduling decision on `machine` at `time` after `previous`.
template <class Rule>
void rateListCandidates(Rule& rule, const Scheduler& s, int set, CandidateBatch& batch, int previous, double time,
                        int machine) {
    if constexpr (requires { rule.rateList(s, set, batch, previous, time, machine); }) {
        rule.rateList(s, set, batch, previous, time, machine);
    } else {
        const int* jobs = batch.jobs();
        double* priorities = batch.priorities();
        for (int i = 0; i < batch.size(); ++i) priorities[i] = rule(s, set, jobs[i], previous, time, machine);
    }
}

// Rates the candidates of a job-shop decision: each job's next operation (nextOperation[job]),
// ready at jobReady[job], on a machine that can start at `time` after `lastJob`.
template <class Rule>
void rateShopCandidates(Rule& rule, const Scheduler& s, int set, CandidateBatch& batch, const int* nextOperation,
                        const double* jobReady, double time, int lastJob) {
    if constexpr (requires { rule.rateShop(s, set, batch, nextOperation, jobReady, time, lastJob); }) {
        rule.rateShop(s, set, batch, nextOperation, jobReady, time, lastJob);
    } else {
        const int* jobs = batch.jobs();
        double* priorities = batch.priorities();
        for (int i = 0; i < batch.size(); ++i) {
            const int j = jobs[i];
            priorities[i] = rule(s, set, j, nextOperation[j], time, jobReady[j], lastJob);
        }
    }
}

// A list-scheduling decision: the incumbent, then every job below n that `competes`, in index
// order (the incumbent again if it competes), rated and compared.
template <class Rule, class Competes>
int highestPriority(Rule& rule, const Scheduler& s, int set, CandidateBatch& batch, int incumbent, int n,
                    Competes competes, int previous, double time, int machine) {
    batch.clear();
    batch.add(incumbent);
    for (int j = 0; j < n; ++j)
        if (competes(j)) batch.add(j);
    rateListCandidates(rule, s, set, batch, previous, time, machine);
    return batch.chosen();
}
