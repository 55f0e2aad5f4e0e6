#pragma once

// Parallel machines. The list scheduling gives the machine that becomes free first the eligible
// job of greatest priority; the rule is a template argument so that it is inlined in the candidate
// scan. On uniform machines a job takes its processing time times the machine's speed factor; on
// unrelated machines it takes its own entry for that machine (speed factor 1), and the mean of its
// entries stands for its processing time in the remaining-work mean. Both parallel environments
// store a schedule entry as job + 1000 x machine, in dispatch order, so that each machine's
// sequence can be replayed by the criteria.
#include <utility>
#include <vector>

#include "fitness/candidate_batch.h"
#include "fitness/scheduler.h"

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

// Ends the run with a clear message when a set with jobs has no machine, or more jobs than the
// encoding can tell apart: the dispatchers and the criteria would index machines that do not exist.
void requireSchedulableSet(const Scheduler& s, int set);
// The same for every set, so that a run sequence stops before it writes its first file.
void requireSchedulableSets(const Scheduler& s);
// Asserts, as an out-of-range table access would, that the instance tables hold what the loops
// of set `set` read unchecked: n jobs, the processing times of the environment (n x m entries on
// unrelated machines), and on uniform machines the m speeds and the SP the rules read.
void requireParallelRow(const Scheduler& s, int set, int n, int m);
// The working values of a set before its first dispatch: the inverse speeds (m on unrelated
// machines, whose speed factors are 1), then what every list scheduling prepares.
void prepareParallelSet(Scheduler& s, int set, int n, int m);

// Per-machine state of the list scheduling, kept across sets so that it is allocated once.
struct Machines {
    std::vector<double> ready;  // moment from which the machine is free
    std::vector<int> last;      // job processed last, n before the first
    CandidateBatch candidates;  // of the decision in hand
};

// Dispatches the jobs of one set, whose tables were validated by the caller.
template <class Rule>
class SetDispatcher {
public:
    SetDispatcher(Scheduler& scheduler, Rule& rule, Machines& machines, std::vector<char>& dispatched, int set,
                  int n, int m)
        : s_(scheduler), rule_(rule), ready_(machines.ready), last_(machines.last), batch_(machines.candidates),
          dispatched_(dispatched),
          set_(set), n_(n), m_(m), unrelated_(scheduler.environment == Unrelated),
          p_(scheduler.processingTimes.rowData(set)), r_(scheduler.releaseTimes.rowData(set)),
          v_(unrelated_ ? nullptr : scheduler.speeds.rowData(set)),
          work_(unrelated_ ? scheduler.jobMeanDurations.rowData(0) : p_) {
        ready_.assign(static_cast<std::size_t>(m), 0.0);
        last_.assign(static_cast<std::size_t>(m), n);
        dispatched_.assign(static_cast<std::size_t>(n), 0);
    }

    void run() {
        int remaining = n_;
        for (int q = 0; q < n_; ++q) {
            const int k = earliestFreeMachine();
            const int c = s_.hasReleaseTimes ? chooseWithReleaseTimes(k) : chooseWithoutReleaseTimes(k);
            s_.meanRemainingDuration = (remaining * s_.meanRemainingDuration - work_[c]) / (remaining - 1);
            --remaining;
            dispatched_[c] = 1;
            s_.schedule.at(set_, q) = encode(c, k);
            occupy(k, c);
        }
    }

private:
    Scheduler& s_;
    Rule& rule_;
    std::vector<double>& ready_;
    std::vector<int>& last_;
    CandidateBatch& batch_;
    std::vector<char>& dispatched_;
    const int set_;
    const int n_;
    const int m_;
    const bool unrelated_;
    // The current time: with release times it never decreases; without them it starts from the
    // chosen machine's ready time at every dispatch.
    double time_ = 0;
    const double* p_;
    const double* r_;
    const double* v_;
    const double* work_;  // per job: what the remaining-work mean counts

    // The processing time that competes for the shortest released job on machine k: the table's
    // entry (before the speed factor on uniform machines).
    double length(int j, int k) const { return unrelated_ ? p_[j * m_ + k] : p_[j]; }
    double duration(int j, int k) const { return unrelated_ ? p_[j * m_ + k] : p_[j] * v_[k]; }

    // Not dispatched and no predecessor still waiting.
    bool eligible(int j) const { return !dispatched_[j] && !(s_.precedenceLists.at(j, 0) > 0); }
    double predecessorsDone(int j) const { return s_.predecessorReady.at(j, 0); }

    int firstEligible() const {
        int c = 0;
        while (!eligible(c)) ++c;
        return c;
    }

    // Ties go to the lower machine.
    int earliestFreeMachine() const {
        int k = 0;
        for (int i = 1; i < m_; ++i)
            if (ready_[i] < ready_[k]) k = i;
        return k;
    }

    // Candidate c and every eligible job that passes `considered` compete for machine k.
    template <class Considered>
    int highestPriority(int c, int k, Considered considered) {
        return ::highestPriority(
            rule_, std::as_const(s_), set_, batch_, c, n_, [&](int j) { return eligible(j) && considered(j); },
            last_[k], time_, k);
    }

    // The time moves to the earliest release or to the machine's ready time, whichever is
    // later; the shortest released job is the incumbent and every released job competes.
    int chooseWithReleaseTimes(int k) {
        int c = firstEligible();
        double earliest = r_[c];
        double shortest = length(c, k);
        for (int j = 0; j < n_; ++j) {
            if (eligible(j) && r_[j] < earliest) {
                c = j;
                earliest = r_[j];
                shortest = length(j, k);
            }
        }
        const double start = earliest > ready_[k] ? earliest : ready_[k];
        if (start > time_) time_ = start;
        for (int j = 0; j < n_; ++j) {
            if (eligible(j) && r_[j] <= time_ && length(j, k) < shortest) {
                c = j;
                shortest = length(j, k);
            }
        }
        return highestPriority(c, k, [this](int j) { return r_[j] <= time_; });
    }

    // The time is the machine's ready time; with precedence constraints the job whose
    // predecessors finish first may move it later, and only jobs free by then compete.
    int chooseWithoutReleaseTimes(int k) {
        time_ = ready_[k];
        int c = firstEligible();
        if (s_.hasConstraints) {
            for (int j = c; j < n_; ++j)
                if (eligible(j) && predecessorsDone(j) < predecessorsDone(c)) c = j;
            if (predecessorsDone(c) > time_) time_ = predecessorsDone(c);
        }
        return highestPriority(c, k, [this](int j) { return predecessorsDone(j) <= time_; });
    }

    // Machine k processes c from the current time; its successors learn when it ends.
    void occupy(int k, int c) {
        const double setup = s_.hasSetups ? s_.setupTimes.at(last_[k], c) : 0;
        last_[k] = c;
        ready_[k] = time_ + setup + duration(c, k);
        if (s_.hasConstraints) releaseSuccessors(c, ready_[k]);
    }

    void releaseSuccessors(int c, double finish) {
        const int successors = static_cast<int>(s_.precedenceLists.at(c, 1));
        for (int i = 0; i < successors; ++i) {
            const int u = static_cast<int>(s_.precedenceLists.at(c, 2 + i));
            s_.precedenceLists.at(u, 0) -= 1;
            double& predecessorsReady = s_.predecessorReady.at(u, 0);
            if (finish > predecessorsReady) predecessorsReady = finish;
        }
    }
};

}  // namespace parallel_machines

template <class Rule>
void Scheduler::listScheduleParallel(Rule rule) {
    const int sets = processingTimes.rows;
    const int maxJobs = processingTimes.cols;
    schedule.initZero(sets, maxJobs);
    // Sized like the tables the precedence construction builds, so that without constraints no
    // job waits, LNS and HLF read zeros and every predecessor-ready time is 0.
    precedenceLists.initZero(maxJobs, maxJobs + 1);
    levels.initZero(maxJobs, 1);
    predecessorReady.initZero(maxJobs, 1);
    if (environment == Unrelated) jobMeanDurations.initZero(1, maxJobs);
    parallel_machines::Machines machines;
    machines.candidates.reserve(maxJobs + 1);
    std::vector<char> dispatched;
    for (int set = 0; set < sets; ++set) {
        const int n = jobsIn(set);
        if (n <= 0) continue;  // nothing to dispatch, and nothing to construct for it
        const int m = machinesIn(set);
        parallel_machines::requireSchedulableSet(*this, set);
        parallel_machines::requireParallelRow(*this, set, n, m);
        parallel_machines::prepareParallelSet(*this, set, n, m);
        parallel_machines::SetDispatcher<Rule>(*this, rule, machines, dispatched, set, n, m).run();
    }
}
