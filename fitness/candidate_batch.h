#pragma once

// The candidates of one dispatching decision, rated together and then compared. A dispatcher
// lists the jobs it would have asked the rule about, in the order it would have asked, then one
// call rates them all (fitness/decision.h). The comparison is the dispatchers' own tie rule.
#include <vector>

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
