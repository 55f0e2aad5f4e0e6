#pragma once

// Single-machine list scheduling: one job sequence per set, built by asking a priority rule for
// every eligible job at every dispatch and taking the greatest priority. The rule is a template
// argument so that it is inlined (or at least called directly) in the n-squared candidate scan.
#include "fitness/decision.h"
#include "fitness/workspace.h"

namespace single_machine {

// Dispatches the jobs of the set in hand into its schedule row. The set's tables were checked by
// the caller, so they are read through raw row pointers.
template <class Rule>
class SetDispatcher {
public:
    SetDispatcher(Workspace& work, Rule& rule, double* sequence)
        : work_(work), rule_(rule), sequence_(sequence), n_(work.rows.n), previous_(work.rows.n), p_(work.rows.p),
          r_(work.rows.r), withReleaseTimes_(work.collection.hasReleaseTimes) {}

    void run() {
        for (int j = 0; j < n_; ++j) work_.dispatched[j] = 0;
        int remaining = n_;
        for (int k = 0; k < n_; ++k) {
            const int c = withReleaseTimes_ ? chooseWithReleaseTimes() : chooseWithoutReleaseTimes();
            releaseSuccessors(c);
            work_.meanRemainingDuration = (remaining * work_.meanRemainingDuration - p_[c]) / (remaining - 1);
            --remaining;
            work_.dispatched[c] = 1;
            sequence_[k] = c;
            advanceTime(c);
        }
    }

private:
    Workspace& work_;
    Rule& rule_;
    double* sequence_;
    const int n_;
    int previous_;
    double time_ = 0;
    const double* p_;
    const double* r_;
    const bool withReleaseTimes_;

    // Not dispatched and no predecessor still waiting.
    bool eligible(int j) const { return !work_.dispatched[j] && !(work_.precedenceLists.at(j, 0) > 0); }

    // Candidate c and every eligible job that passes `considered` compete.
    template <class Considered>
    int highestPriority(int c, Considered considered) {
        const ListDecision at{work_, previous_, time_, 0};
        return ::highestPriority(rule_, at, work_.candidates, c, [&](int j) { return eligible(j) && considered(j); });
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
        if (!work_.collection.hasConstraints) return;
        Matrix& lists = work_.precedenceLists;
        const int successors = static_cast<int>(lists.at(c, 1));
        for (int q = 0; q < successors; ++q) lists.at(static_cast<int>(lists.at(c, 2 + q)), 0) -= 1;
    }

    void advanceTime(int c) {
        double start = time_;
        if (work_.collection.hasSetups) start += work_.setupTimes.at(previous_, c);
        if (withReleaseTimes_ && r_[c] > start) start = r_[c];
        time_ = start + p_[c];
        previous_ = c;
    }
};

}  // namespace single_machine

// Fills `schedule` (one row per set) with the rule's sequences.
template <class Rule>
void listScheduleSingle(Workspace& work, Rule rule, Matrix& schedule, ScheduleWidth width = ScheduleWidth::File) {
    const Collection& c = work.collection;
    const int sets = c.processingTimes.rows;
    schedule.init(sets, c.scheduleColumns(width));  // asserts unless both are positive
    for (int set = 0; set < sets; ++set) {
        const int n = c.jobsIn(set);
        if (n == 0) continue;  // nothing to sequence, and nothing to construct for it
        c.requireInstanceRow(set, n, n);
        work.takeListSet(set, n, 1);
        work.prepareListScheduling();
        single_machine::SetDispatcher<Rule>(work, rule, schedule.rowData(set)).run();
    }
}

// The criteria Twt, Uwt, Fwt and Cmax of every set's sequence, and their totals in a last row;
// returns the Twt total.
double singleMachineCriteria(Workspace& work, const Matrix& schedule, Matrix& results);

// The Nwt heuristic: the earliest-due-date order, repaired for the weighted number of tardy jobs.
void nwt(Workspace& work, Matrix& schedule);
