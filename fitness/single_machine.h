#pragma once

// Single-machine list scheduling: one job sequence per set, built by asking a priority rule for
// every eligible job at every dispatch and taking the greatest priority. The rule is a template
// argument so that it is inlined (or at least called directly) in the n-squared candidate scan.
#include <algorithm>

#include "fitness/decision.h"
#include "fitness/workspace.h"

namespace single_machine {

// Which jobs compete at a decision with release times. LookAhead: every job released before the
// incumbent (the shortest released job) could finish, so the machine may idle for a job worth
// waiting for; the evaluator's list scheduling. NonDelay: only the jobs released by then, so the
// machine never idles while a job is there to be processed.
enum class Window { LookAhead, NonDelay };

// Dispatches the jobs of the set in hand into its schedule row. The set's tables were checked by
// the caller, so they are read through raw row pointers. The first `decided` entries of the row are
// taken as they stand, without asking the rule: the choices of another dispatch of the set that
// this one would make alike.
template <class Rule>
class SetDispatcher {
public:
    SetDispatcher(Workspace& work, Rule& rule, double* sequence, Window window = Window::LookAhead, int decided = 0)
        : work_(work), rule_(rule), open_(work.open), sequence_(sequence), n_(work.rows.n), previous_(work.rows.n),
          p_(work.rows.p), r_(work.rows.r), withReleaseTimes_(work.collection.hasReleaseTimes),
          constrained_(work.collection.hasConstraints), window_(window), decided_(decided), firstWait_(work.rows.n) {}

    void run() {
        open_.reset(n_, withReleaseTimes_ ? r_ : nullptr, work_.collection.releaseOrder(work_.rows.set));
        // An open job is eligible unless a predecessor of it is still waiting; without constraints
        // the scans test nothing for it.
        if (constrained_)
            dispatchAll([this](int j) { return work_.precedenceLists.at(j, 0) > 0; });
        else
            dispatchAll([](int) { return false; });
    }

    // The first decision that chose a job not yet released (n if none did): up to it a non-delay
    // dispatch makes the same choices, since the winner was among the jobs it lets compete.
    int firstWait() const { return firstWait_; }

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
    const Window window_;
    const int decided_;
    int firstWait_;

    template <class Waits>
    void dispatchAll(Waits waits) {
        int remaining = n_;
        for (int k = 0; k < n_; ++k) {
            const int c = k < decided_           ? replay(k, waits)
                          : withReleaseTimes_ ? chooseWithReleaseTimes(k, waits)
                                              : chooseWithoutReleaseTimes(waits);
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

    // The choice at decision k as the row holds it, the machine idling as the dispatch that made it did.
    template <class Waits>
    int replay(int k, Waits waits) {
        if (withReleaseTimes_) idleUntilRelease(waits);
        return static_cast<int>(sequence_[k]);
    }

    // The machine idles until the earliest release if nothing is released yet; returns the job
    // released first.
    template <class Waits>
    int idleUntilRelease(Waits waits) {
        const int earliest = open_.earliestReleased(waits);
        if (r_[earliest] > time_) time_ = r_[earliest];
        return earliest;
    }

    // The shortest released job is the incumbent (the earliest released one where it is as short),
    // and only jobs released before it could finish compete (in a non-delay dispatch only those
    // released by then). They are listed in one pass over the released jobs, which are the first of
    // the others when the incumbent takes time. Notes k if the chosen job is not released yet.
    template <class Waits>
    int chooseWithReleaseTimes(int k, Waits waits) {
        const int earliest = idleUntilRelease(waits);
        const double time = time_;
        CandidateBatch& batch = work_.candidates;
        int* const others = batch.jobs() + 1;
        int count = 0;
        const int later = open_.listWhile(0, [time](double r) { return r <= time; }, waits, others, count);
        const int c = shortestOf(others, count, earliest, [this](int j) { return p_[j]; });
        const double horizon = time + p_[c];
        if (horizon > time) {
            if (window_ == Window::LookAhead)
                open_.listWhile(later, [horizon](double r) { return r < horizon; }, waits, others, count);
        } else {  // those released at the horizon or later, the last of the released ones, do not compete
            while (count > 0 && !(r_[others[count - 1]] < horizon)) --count;
        }
        const int chosen = chooseAfterIncumbent(rule_, ListDecision{work_, previous_, time_, 0}, batch, c, count);
        if (firstWait_ == n_ && r_[chosen] > time) firstWait_ = k;
        return chosen;
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
// been checked, and lets `sequence(set, row)` fill its row of `schedule` (one row per set).
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
        sequence(set, schedule.rowData(set));
    }
}

// Fills `schedule` (one row per set) with the rule's sequences.
template <class Rule>
void listScheduleSingle(Workspace& work, Rule rule, Matrix& schedule, ScheduleWidth width = ScheduleWidth::File) {
    forEachSingleMachineSet(work, schedule, width, [&](int, double* sequence) {
        single_machine::SetDispatcher<Rule>(work, rule, sequence).run();
    });
}

// The weighted tardiness of one set's sequence in `schedule`, as the criteria measure it.
double weightedTardinessOf(Workspace& work, const Matrix& schedule, int set);

// Fills `schedule` with the better of two sequences per set by weighted tardiness (the first on a
// tie): the rule's list scheduling, and its non-delay dispatch, where a job released later never
// competes. Which of the two does better depends on the set, and a rule that weighs the wait serves
// both. The non-delay dispatch starts where the first one first chose to wait (the choices before
// are the same) and is left out where it never did, as without release times.
template <class Rule>
void combinedScheduleSingle(Workspace& work, Rule rule, Matrix& schedule, ScheduleWidth width = ScheduleWidth::File) {
    Matrix& nonDelay = work.nonDelaySchedule;
    nonDelay.init(work.collection.processingTimes.rows, work.collection.scheduleColumns(width));
    forEachSingleMachineSet(work, schedule, width, [&](int set, double* sequence) {
        single_machine::SetDispatcher<Rule> lookAhead(work, rule, sequence);
        lookAhead.run();
        const int decided = lookAhead.firstWait();
        const int n = work.rows.n;
        if (decided == n) return;
        double* const second = nonDelay.rowData(set);
        std::copy(sequence, sequence + decided, second);
        work.prepareListScheduling();  // the first dispatch used up the set's working values
        single_machine::SetDispatcher<Rule>(work, rule, second, single_machine::Window::NonDelay, decided).run();
        if (weightedTardinessOf(work, nonDelay, set) < weightedTardinessOf(work, schedule, set))
            std::copy(second, second + n, sequence);
    });
}

// The criteria Twt, Uwt, Fwt and Cmax of every set's sequence, and their totals in a last row;
// returns the Twt total.
double singleMachineCriteria(Workspace& work, const Matrix& schedule, Matrix& results);

// The Nwt heuristic: the earliest-due-date order, repaired for the weighted number of tardy jobs.
void nwt(Workspace& work, Matrix& schedule);
