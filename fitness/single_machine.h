#pragma once

// Single-machine list scheduling: one job sequence per set, built by asking a priority rule for
// every eligible job at every dispatch and taking the greatest priority. The rule is a template
// argument so that it is inlined (or at least called directly) in the n-squared candidate scan.
#include <utility>
#include <vector>

#include "fitness/candidate_batch.h"
#include "fitness/scheduler.h"

namespace single_machine {

// Dispatches the jobs of one set. The set's tables were validated by the caller, so they are
// read through raw row pointers.
template <class Rule>
class SetDispatcher {
public:
    SetDispatcher(Scheduler& scheduler, Rule& rule, std::vector<char>& dispatched, CandidateBatch& batch, int set,
                  int n)
        : s_(scheduler), rule_(rule), dispatched_(dispatched), batch_(batch), set_(set), n_(n), previous_(n),
          p_(scheduler.processingTimes.rowData(set)), r_(scheduler.releaseTimes.rowData(set)) {}

    void run() {
        for (int j = 0; j < n_; ++j) dispatched_[j] = 0;
        int remaining = n_;
        for (int k = 0; k < n_; ++k) {
            const int c = s_.hasReleaseTimes ? chooseWithReleaseTimes() : chooseWithoutReleaseTimes();
            releaseSuccessors(c);
            s_.meanRemainingDuration = (remaining * s_.meanRemainingDuration - p_[c]) / (remaining - 1);
            --remaining;
            dispatched_[c] = 1;
            s_.schedule.at(set_, k) = c;
            advanceTime(c);
        }
    }

private:
    Scheduler& s_;
    Rule& rule_;
    std::vector<char>& dispatched_;
    CandidateBatch& batch_;
    const int set_;
    const int n_;
    int previous_;
    double time_ = 0;
    const double* p_;
    const double* r_;

    // Not dispatched and no predecessor still waiting.
    bool eligible(int j) const { return !dispatched_[j] && !(s_.precedenceLists.at(j, 0) > 0); }

    // Candidate c and every eligible job that passes `considered` compete.
    template <class Considered>
    int highestPriority(int c, Considered considered) {
        return ::highestPriority(
            rule_, std::as_const(s_), set_, batch_, c, n_, [&](int j) { return eligible(j) && considered(j); },
            previous_, time_, 0);
    }

    // An eligible job always exists while jobs remain: predecessors have lower indices, so the
    // lowest-index job not yet dispatched has none waiting.
    int firstEligible() const {
        int c = 0;
        while (!eligible(c)) ++c;
        return c;
    }

    int chooseWithoutReleaseTimes() {
        return highestPriority(firstEligible(), [](int) { return true; });
    }

    // The machine idles until the earliest release if nothing is released yet; the shortest
    // released job is the incumbent, and only jobs released before it could finish compete.
    int chooseWithReleaseTimes() {
        int c = firstEligible();
        for (int j = c + 1; j < n_; ++j)
            if (eligible(j) && r_[j] < r_[c]) c = j;
        double shortest = p_[c];
        if (r_[c] > time_) time_ = r_[c];
        for (int j = 0; j < n_; ++j) {
            if (eligible(j) && r_[j] <= time_ && p_[j] < shortest) {
                c = j;
                shortest = p_[j];
            }
        }
        const double horizon = time_ + shortest;
        return highestPriority(c, [this, horizon](int j) { return r_[j] < horizon; });
    }

    // Successors of c wait for one predecessor fewer.
    void releaseSuccessors(int c) {
        if (!s_.hasConstraints) return;
        const int successors = static_cast<int>(s_.precedenceLists.at(c, 1));
        for (int q = 0; q < successors; ++q) {
            const int successor = static_cast<int>(s_.precedenceLists.at(c, 2 + q));
            s_.precedenceLists.at(successor, 0) -= 1;
        }
    }

    void advanceTime(int c) {
        double start = time_;
        if (s_.hasSetups) start += s_.setupTimes.at(previous_, c);
        if (s_.hasReleaseTimes && r_[c] > start) start = r_[c];
        time_ = start + p_[c];
        previous_ = c;
    }
};

}  // namespace single_machine

template <class Rule>
void Scheduler::listScheduleSingle(Rule rule) {
    const int sets = processingTimes.rows;
    const int maxJobs = processingTimes.cols;
    schedule.init(sets, maxJobs);  // asserts unless both are positive
    std::vector<char> dispatched(static_cast<std::size_t>(maxJobs));
    CandidateBatch batch;
    batch.reserve(maxJobs + 1);
    // Sized like the table the precedence construction builds, so that LNS may read its
    // successor counts (all zero) without constraints.
    precedenceLists.initZero(maxJobs, maxJobs + 1);
    levels.initZero(maxJobs, 1);
    for (int set = 0; set < sets; ++set) {
        const int n = jobsIn(set);
        if (n == 0) continue;  // nothing to sequence, and nothing to construct for it
        requireInstanceRow(set, n, n);
        processingSum.get(set);  // a checked read of the SP that MON reads unchecked
        prepareListScheduling(set, n, processingTimes.rowData(set));
        single_machine::SetDispatcher<Rule>(*this, rule, dispatched, batch, set, n).run();
    }
}
