#pragma once

// Parallel machines. The list scheduling gives the machine that becomes free first the eligible
// job of greatest priority; the pair scheme rates every released job on every machine. The rule is
// a template argument so that it is inlined in the candidate scan. On uniform machines a job takes its processing time times the machine's speed factor; on
// unrelated machines it takes its own entry for that machine (speed factor 1), and the mean of its
// entries stands for its processing time in the remaining-work mean. Both parallel environments
// store a schedule entry as job + 1000 x machine, in dispatch order, so that each machine's
// sequence can be replayed by the criteria.
#include <algorithm>

#include "fitness/decision.h"
#include "fitness/workspace.h"

namespace parallel_machines {

// The encoding keeps a job below this stride, which is therefore the most jobs a set may hold.
inline constexpr int kMachineStride = 1000;

struct Placement {
    int job;
    int machine;
};

inline double encode(int job, int machine) { return job + kMachineStride * machine; }

// For entries written by a dispatcher or already validated by checkParallelSchedule.
inline Placement decode(double entry) {
    const int e = static_cast<int>(entry);
    const int machine = e / kMachineStride;
    return {e - kMachineStride * machine, machine};
}

// Takes a checked set in hand with the working values of its first dispatch: the inverse speeds
// (m on unrelated machines, whose speed factors are 1), then what every list scheduling prepares.
void prepareSet(Workspace& work, int set, int n, int m);

// What both dispatchers keep while they dispatch the set in hand: when each machine is free and its
// last job, the jobs not dispatched yet (in order of release for the list scheduling, by index for
// the pair scheme) and the remaining-work mean, and the set's schedule row.
class DispatchFloor {
protected:
    DispatchFloor(Workspace& work, double* sequence, const double* releases)
        : work_(work), open_(work.open), sequence_(sequence), ready_(work.machineReady), last_(work.machineLast),
          n_(work.rows.n), m_(work.rows.m), unrelated_(work.collection.environment == Environment::Unrelated),
          constrained_(work.collection.hasConstraints), p_(work.rows.p), r_(work.rows.r), v_(work.rows.v),
          counted_(work.rows.work), remaining_(n_) {
        ready_.assign(static_cast<std::size_t>(m_), 0.0);
        last_.assign(static_cast<std::size_t>(m_), n_);
        open_.reset(n_, releases, releases ? work.collection.releaseOrder(work.rows.set) : nullptr);
    }

    Workspace& work_;
    OpenJobs& open_;
    double* sequence_;
    std::vector<double>& ready_;
    std::vector<int>& last_;
    const int n_;
    const int m_;
    const bool unrelated_;
    const bool constrained_;
    const double* p_;
    const double* r_;
    const double* v_;
    const double* counted_;  // per job: what the remaining-work mean counts

    double duration(int j, int k) const { return unrelated_ ? p_[j * m_ + k] : p_[j] * v_[k]; }
    double setup(int k, int j) const { return work_.collection.hasSetups ? work_.setupTimes.at(last_[k], j) : 0; }
    // An open job is eligible unless a predecessor of it is still waiting.
    bool waits(int j) const { return constrained_ && work_.precedenceLists.at(j, 0) > 0; }
    auto waiting() const {
        return [this](int j) { return waits(j); };
    }

    // Job c is the set's q-th dispatch, on machine k, which is busy with it until `finish`; its
    // successors learn when it ends.
    void dispatch(int q, int c, int k, double finish) {
        work_.meanRemainingDuration = (remaining_ * work_.meanRemainingDuration - counted_[c]) / (remaining_ - 1);
        --remaining_;
        open_.remove(c);
        sequence_[q] = encode(c, k);
        last_[k] = c;
        ready_[k] = finish;
        if (constrained_) releaseSuccessors(c, finish);
    }

private:
    int remaining_;

    void releaseSuccessors(int c, double finish) {
        Matrix& lists = work_.precedenceLists;
        const int successors = static_cast<int>(lists.at(c, 1));
        for (int i = 0; i < successors; ++i) {
            const int u = static_cast<int>(lists.at(c, 2 + i));
            lists.at(u, 0) -= 1;
            double& predecessorsReady = work_.predecessorReady.at(u, 0);
            if (finish > predecessorsReady) predecessorsReady = finish;
        }
    }
};

// List scheduling: the machine that becomes free first takes the eligible job of greatest priority.
template <class Rule>
class SetDispatcher : DispatchFloor {
public:
    SetDispatcher(Workspace& work, Rule& rule, double* sequence)
        : DispatchFloor(work, sequence, work.collection.hasReleaseTimes ? work.rows.r : nullptr), rule_(rule) {}

    void run() {
        // Without constraints the scans test nothing for a waiting predecessor.
        if (constrained_)
            dispatchAll(waiting());
        else
            dispatchAll([](int) { return false; });
    }

private:
    Rule& rule_;
    // The current time: with release times it never decreases; without them it starts from the
    // chosen machine's ready time at every dispatch.
    double time_ = 0;

    // The processing time that competes for the shortest released job on machine k: the table's
    // entry (before the speed factor on uniform machines).
    double length(int j, int k) const { return unrelated_ ? p_[j * m_ + k] : p_[j]; }
    double predecessorsDone(int j) const { return work_.predecessorReady.at(j, 0); }

    template <class Waits>
    void dispatchAll(Waits waits) {
        for (int q = 0; q < n_; ++q) {
            const int k = earliestFreeMachine();
            const int c = work_.collection.hasReleaseTimes ? chooseWithReleaseTimes(k, waits)
                                                           : chooseWithoutReleaseTimes(k, waits);
            // Machine k processes c from the current time.
            dispatch(q, c, k, time_ + setup(k, c) + duration(c, k));
        }
    }

    // Ties go to the lower machine.
    int earliestFreeMachine() const {
        int k = 0;
        for (int i = 1; i < m_; ++i)
            if (ready_[i] < ready_[k]) k = i;
        return k;
    }

    // The incumbent c, then the others that `listOthers` offers, compete for machine k.
    template <class ListOthers>
    int highestPriority(int c, int k, ListOthers listOthers) {
        const ListDecision at{work_, last_[k], time_, k};
        return ::highestPriority(rule_, at, work_.candidates, [&](auto&& offer) {
            offer(c);
            listOthers(offer);
        });
    }

    // The time moves to the earliest release or to the machine's ready time, whichever is
    // later; the shortest released job is the incumbent (the earliest released one where it is as
    // short) and every released job competes.
    template <class Waits>
    int chooseWithReleaseTimes(int k, Waits waits) {
        const int earliest = open_.earliestReleased(waits);
        const double start = r_[earliest] > ready_[k] ? r_[earliest] : ready_[k];
        if (start > time_) time_ = start;
        const double time = time_;
        CandidateBatch& batch = work_.candidates;
        int* const others = batch.jobs() + 1;
        int count = 0;
        open_.listWhile(0, [time](double r) { return r <= time; }, waits, others, count);
        const int c = shortestOf(others, count, earliest, [this, k](int j) { return length(j, k); });
        return chooseAfterIncumbent(rule_, ListDecision{work_, last_[k], time_, k}, batch, c, count);
    }

    // The time is the machine's ready time; with precedence constraints the job whose
    // predecessors finish first may move it later, and only jobs free by then compete.
    template <class Waits>
    int chooseWithoutReleaseTimes(int k, Waits waits) {
        time_ = ready_[k];
        int c = open_.lowestEligible(waits);
        if (constrained_) {
            for (const int j : open_)
                if (predecessorsDone(j) < predecessorsDone(c) && !waits(j)) c = j;
            if (predecessorsDone(c) > time_) time_ = predecessorsDone(c);
        }
        return highestPriority(c, k, [&](auto&& offer) {
            for (const int j : open_)
                if (!waits(j) && predecessorsDone(j) <= time_) offer(j);
        });
    }
};

// The pair scheme: at every decision each released eligible job is rated on every machine, where
// it would start when both are ready, and the best (job, machine) pair is dispatched; so the rule
// chooses the machine as well as the job. The decision's time is when the first machine is free,
// or the earliest release if that is later. Precedence constraints only make a job wait until its
// predecessors are dispatched (the criteria ignore them). A machine's job completes as the criteria
// replay it: its start, then its processing, then its setup.
template <class Rule>
class PairDispatcher : DispatchFloor {
public:
    PairDispatcher(Workspace& work, Rule& rule, double* sequence)
        : DispatchFloor(work, sequence, nullptr), rule_(rule) {
        work_.pairs.reserve((n_ + 1) * m_);
    }

    void run() {
        for (int q = 0; q < n_; ++q) {
            const double time = decisionTime();
            listReleased(time);
            const int pair = bestPair(time);
            const int c = pair / m_;
            const int k = pair % m_;
            const double start = work_.collection.hasReleaseTimes && r_[c] > ready_[k] ? r_[c] : ready_[k];
            dispatch(q, c, k, start + duration(c, k) + setup(k, c));
        }
    }

private:
    Rule& rule_;

    // The open jobs are in index order here.
    double decisionTime() const {
        double time = *std::min_element(ready_.begin(), ready_.end());
        if (!work_.collection.hasReleaseTimes) return time;
        bool found = false;
        double earliest = 0;
        for (const int j : open_) {
            if (waits(j)) continue;
            if (!found || r_[j] < earliest) earliest = r_[j];
            found = true;
        }
        return earliest > time ? earliest : time;
    }

    // The eligible jobs released by `time`, in index order.
    void listReleased(double time) {
        CandidateBatch& jobs = work_.candidates;
        jobs.clear();
        for (const int j : open_)
            if (!waits(j) && (!work_.collection.hasReleaseTimes || r_[j] <= time)) jobs.add(j);
    }

    // Every machine rates the released jobs; then the pairs compete in the order that settles ties
    // as min-min does: the last released job on each machine, then every job on each machine. So of
    // equal priorities the last job wins if it is among the best, else the lowest job, each on its
    // lowest machine, and the rule "-C" plans exactly as min-min when every job is released at once.
    int bestPair(double time) {
        CandidateBatch& jobs = work_.candidates;
        CandidateBatch& pairs = work_.pairs;
        const int count = jobs.size();
        const int lastJob = jobs.jobs()[count - 1];
        pairs.clear();
        for (int k = 0; k < m_; ++k) pairs.add(lastJob * m_ + k);
        for (int i = 0; i < count; ++i)
            for (int k = 0; k < m_; ++k) pairs.add(jobs.jobs()[i] * m_ + k);
        double* priorities = pairs.priorities();
        for (int k = 0; k < m_; ++k) {
            rateCandidates(rule_, ListDecision{work_, last_[k], time, k, ready_[k]}, jobs);
            const double* rated = jobs.priorities();
            priorities[k] = rated[count - 1];
            for (int i = 0; i < count; ++i) priorities[m_ + i * m_ + k] = rated[i];
        }
        return pairs.chosen();
    }
};

}  // namespace parallel_machines

// Fills `schedule` (one row per set) with the dispatch order of a rule on uniform or unrelated
// machines, made by a dispatcher of the set in hand.
template <template <class> class Dispatcher, class Rule>
void scheduleParallel(Workspace& work, Rule rule, Matrix& schedule, ScheduleWidth width) {
    const Collection& c = work.collection;
    const int sets = c.processingTimes.rows;
    schedule.initZero(sets, c.scheduleColumns(width));
    for (int set = 0; set < sets; ++set) {
        const int n = c.jobsIn(set);
        if (n <= 0) continue;  // nothing to dispatch, and nothing to construct for it
        const int m = c.machinesIn(set);
        c.requireSchedulableSet(set);
        c.requireParallelRow(set, n, m);
        parallel_machines::prepareSet(work, set, n, m);
        Dispatcher<Rule>(work, rule, schedule.rowData(set)).run();
    }
}

template <class Rule>
void listScheduleParallel(Workspace& work, Rule rule, Matrix& schedule, ScheduleWidth width = ScheduleWidth::File) {
    scheduleParallel<parallel_machines::SetDispatcher>(work, rule, schedule, width);
}

template <class Rule>
void pairScheduleParallel(Workspace& work, Rule rule, Matrix& schedule, ScheduleWidth width = ScheduleWidth::File) {
    scheduleParallel<parallel_machines::PairDispatcher>(work, rule, schedule, width);
}

// The criteria Twt, Uwt, Fwt, Cmax and Tmax of every set's schedule on uniform or unrelated
// machines, and their totals in a last row; returns the Twt total.
double parallelMachineCriteria(Workspace& work, const Matrix& schedule, Matrix& results);

// Min-min for unrelated machines, extended to jobs that arrive over time.
void minMin(Workspace& work, Matrix& schedule);

// Entries of a schedule file that name jobs or machines outside the set end the run with a
// message naming the file, the set and the position.
void checkParallelSchedule(const Collection& collection, const Matrix& schedule, const char* fileName);
