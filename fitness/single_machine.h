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
        : work_(work), rule_(rule), open_(work.open), sequence_(sequence), n_(work.rows.n), previous_(work.rows.n),
          p_(work.rows.p), r_(work.rows.r), withReleaseTimes_(work.collection.hasReleaseTimes),
          constrained_(work.collection.hasConstraints) {}

    void run() {
        open_.reset(n_, withReleaseTimes_ ? r_ : nullptr, work_.collection.releaseOrder(work_.rows.set));
        // An open job is eligible unless a predecessor of it is still waiting; without constraints
        // the scans test nothing for it.
        if (constrained_)
            dispatchAll([this](int j) { return work_.precedenceLists.at(j, 0) > 0; });
        else
            dispatchAll([](int) { return false; });
    }

private:
    Workspace& work_;
    Rule& rule_;
    OpenJobs& open_;
    double* sequence_;
    const int n_;
    int previous_;
    double time_ = 0;
    const double* p_;
    const double* r_;
    const bool withReleaseTimes_;
    const bool constrained_;

    template <class Waits>
    void dispatchAll(Waits waits) {
        int remaining = n_;
        for (int k = 0; k < n_; ++k) {
            const int c = withReleaseTimes_ ? chooseWithReleaseTimes(waits) : chooseWithoutReleaseTimes(waits);
            releaseSuccessors(c);
            work_.meanRemainingDuration = (remaining * work_.meanRemainingDuration - p_[c]) / (remaining - 1);
            --remaining;
            open_.remove(c);
            sequence_[k] = c;
            advanceTime(c);
        }
    }

    // The lowest-index eligible job, then every other one, compete.
    template <class Waits>
    int chooseWithoutReleaseTimes(Waits waits) {
        const int c = open_.lowestEligible(waits);
        return highestPriority(c, [&](auto&& offer) {
            for (const int j : open_)
                if (!waits(j)) offer(j);
        });
    }

    // The machine idles until the earliest release if nothing is released yet; the shortest
    // released job is the incumbent (the earliest released one where it is as short), and only
    // jobs released before it could finish compete. They are listed in one pass over the released
    // jobs, which are the first of the others when the incumbent takes time.
    template <class Waits>
    int chooseWithReleaseTimes(Waits waits) {
        const int earliest = open_.earliestReleased(waits);
        if (r_[earliest] > time_) time_ = r_[earliest];
        const double time = time_;
        CandidateBatch& batch = work_.candidates;
        int* const others = batch.jobs() + 1;
        int count = 0;
        const int later = open_.listWhile(0, [time](double r) { return r <= time; }, waits, others, count);
        const int c = shortestOf(others, count, earliest, [this](int j) { return p_[j]; });
        const double horizon = time + p_[c];
        if (horizon > time)
            open_.listWhile(later, [horizon](double r) { return r < horizon; }, waits, others, count);
        else  // those released at the horizon or later, the last of the released ones, do not compete
            while (count > 0 && !(r_[others[count - 1]] < horizon)) --count;
        return chooseAfterIncumbent(rule_, ListDecision{work_, previous_, time_, 0}, batch, c, count);
    }

    // The incumbent c, then the others that `listOthers` offers, compete.
    template <class ListOthers>
    int highestPriority(int c, ListOthers listOthers) {
        const ListDecision at{work_, previous_, time_, 0};
        return ::highestPriority(rule_, at, work_.candidates, [&](auto&& offer) {
            offer(c);
            listOthers(offer);
        });
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

// Takes every set of the collection that has jobs in hand for list scheduling, once its tables have
// been checked, and lets `sequence` fill its row of `schedule` (one row per set).
template <class Sequence>
void forEachSingleMachineSet(Workspace& work, Matrix& schedule, ScheduleWidth width, Sequence sequence) {
    const Collection& c = work.collection;
    const int sets = c.processingTimes.rows;
    schedule.init(sets, c.scheduleColumns(width));  // asserts unless both are positive
    for (int set = 0; set < sets; ++set) {
        const int n = c.jobsIn(set);
        if (n == 0) continue;  // nothing to sequence, and nothing to construct for it
        c.requireInstanceRow(set, n, n);
        work.takeListSet(set, n, 1);
        work.prepareListScheduling();
        sequence(schedule.rowData(set));
    }
}

// Fills `schedule` (one row per set) with the rule's sequences.
template <class Rule>
void listScheduleSingle(Workspace& work, Rule rule, Matrix& schedule, ScheduleWidth width = ScheduleWidth::File) {
    forEachSingleMachineSet(work, schedule, width, [&](double* sequence) {
        single_machine::SetDispatcher<Rule>(work, rule, sequence).run();
    });
}

// The criteria Twt, Uwt, Fwt and Cmax of every set's sequence, and their totals in a last row;
// returns the Twt total.
double singleMachineCriteria(Workspace& work, const Matrix& schedule, Matrix& results);

// The Nwt heuristic: the earliest-due-date order, repaired for the weighted number of tardy jobs.
void nwt(Workspace& work, Matrix& schedule);
