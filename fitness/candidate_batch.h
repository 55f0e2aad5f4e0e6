#pragma once

// The candidates of one dispatching decision, rated together and then compared. A dispatcher
// lists the jobs it would have asked the rule about, then one call rates them all
// (fitness/decision.h). The comparison is the dispatchers' own tie rule.
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
        if (job >= 0) {
            challenge(candidate, value);
            return;
        }
        job = candidate;
        priority = value;
        incumbent = true;
    }

    // A candidate offered after the incumbent.
    void challenge(int candidate, double value) {
        if (value > priority || (value == priority && !incumbent && candidate < job)) {
            job = candidate;
            priority = value;
            incumbent = false;
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
    // The decision's candidates in place of the batch's: listCandidates(add) calls add(job) for each.
    template <class ListCandidates>
    void collect(ListCandidates listCandidates) {
        int* const out = jobs_.data();
        int count = 0;
        listCandidates([out, &count](int job) { out[count++] = job; });
        size_ = count;
    }

    int size() const { return size_; }
    const int* jobs() const { return jobs_.data(); }
    // For a dispatcher that writes the candidates in place, then sets their count.
    int* jobs() { return jobs_.data(); }
    void setSize(int count) { size_ = count; }
    double* priorities() { return priorities_.data(); }

    // The job of greatest priority: a later candidate replaces the best so far only when its
    // priority is strictly greater, so ties keep the earlier one, a not-a-number never wins and a
    // not-a-number incumbent is never displaced. The batch holds at least one candidate.
    int chosen() const { return jobs_[static_cast<std::size_t>(firstGreatest())]; }

    // The job of greatest priority by BestCandidate's rule, for a batch that lists the incumbent
    // first and the others in any order: the first greatest, unless it is the incumbent, gives way
    // to a later one of equal priority and lower index. The batch holds at least one candidate.
    int chosenAfterIncumbent() const {
        const int first = firstGreatest();
        if (first == 0) return jobs_[0];
        const double greatest = priorities_[static_cast<std::size_t>(first)];
        int job = jobs_[static_cast<std::size_t>(first)];
        for (int i = first + 1; i < size_; ++i)
            if (priorities_[static_cast<std::size_t>(i)] == greatest && jobs_[static_cast<std::size_t>(i)] < job)
                job = jobs_[static_cast<std::size_t>(i)];
        return job;
    }

private:
    std::vector<int> jobs_;
    std::vector<double> priorities_;
    int size_ = 0;

    // The position of the first candidate of greatest priority (not-a-numbers never count, unless
    // the first candidate is one). That is the first position holding the greatest value, which is
    // found in four running maxima, so that the comparisons do not wait for one another.
    int firstGreatest() const {
        const double* priorities = priorities_.data();
        const double first = priorities[0];
        if (first != first) return 0;  // a not-a-number incumbent is never displaced
        const auto greater = [](double value, double best) { return value > best ? value : best; };
        double best[4] = {first, first, first, first};
        int i = 1;
        for (; i + 4 <= size_; i += 4)
            for (int lane = 0; lane < 4; ++lane) best[lane] = greater(priorities[i + lane], best[lane]);
        for (; i < size_; ++i) best[0] = greater(priorities[i], best[0]);
        const double greatest = greater(greater(best[1], best[0]), greater(best[3], best[2]));
        int c = 0;
        while (!(priorities[c] == greatest)) ++c;
        return c;
    }
};
