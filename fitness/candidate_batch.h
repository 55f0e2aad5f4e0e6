#pragma once

// The candidates of one dispatching decision, rated together and then compared. A dispatcher
// lists the jobs it would have asked the rule about, the incumbent first, then one call rates them
// all (fitness/decision.h). The comparison is the dispatchers' own tie rule.
#include <vector>

// The dispatchers' tie rule. The first candidate offered is the incumbent; the greatest priority
// wins, ties keep the incumbent and then go to the lower job index, a not-a-number never wins and a
// not-a-number incumbent is never displaced. That is what a scan keeps that goes through the others
// in index order and lets only a strictly greater priority replace the best so far; stated this
// way, the others may be offered in any order.
struct BestCandidate {
    int job = -1;  // none offered yet
    double priority = 0;
    bool incumbent = false;

    void offer(int candidate, double value) {
        if (job < 0 || value > priority || (value == priority && !incumbent && candidate < job)) {
            incumbent = job < 0;
            job = candidate;
            priority = value;
        }
    }
};

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

    // The job of greatest priority (BestCandidate's rule). The batch holds at least one candidate.
    int chosen() const {
        BestCandidate best;
        for (int i = 0; i < size_; ++i)
            best.offer(jobs_[static_cast<std::size_t>(i)], priorities_[static_cast<std::size_t>(i)]);
        return best.job;
    }

private:
    std::vector<int> jobs_;
    std::vector<double> priorities_;
    int size_ = 0;
};
