// Min-min for unrelated machines, extended to jobs that arrive over time: at every release the
// jobs that have not started are planned again by the classical rule (repeatedly the job with
// the earliest possible completion goes to the machine that gives it), while the jobs that
// started before the release keep their place. The unrelated run measures the result.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "fitness/parallel_machines.h"

namespace {

// Line of the assertion that min-min needs release times.
constexpr int kLineNoReleaseTimes = 1049;

// The events of one set, from the first release to the last.
class MinMinPlanner {
public:
    MinMinPlanner(Workspace& work, int set, int n, int m)
        : work_(work), n_(n), m_(m), p_(work.collection.processingTimes.rowData(set)),
          r_(work.collection.releaseTimes.rowData(set)), withSetups_(work.collection.hasSetups),
          started_(static_cast<std::size_t>(n), 0), queue_(static_cast<std::size_t>(n) * m),
          queued_(static_cast<std::size_t>(m), 0), committed_(static_cast<std::size_t>(m), 0),
          ready_(static_cast<std::size_t>(m), 0.0), lastStarted_(static_cast<std::size_t>(m), n),
          estimate_(static_cast<std::size_t>(n) * m), best_(static_cast<std::size_t>(n)) {
        candidates_.reserve(static_cast<std::size_t>(n));
        open_.reserve(static_cast<std::size_t>(n));
    }

    void run(double* sequence) {
        double previousEvent = -1;
        int released = 0;  // jobs started so far plus the candidates of the last event
        while (released < n_) {
            const double T = nextRelease(previousEvent);
            released = commitStartedJobs(T);
            collectCandidates(T);
            released += static_cast<int>(candidates_.size());
            previousEvent = T;
            planCandidates();
        }
        writeScheduleRow(sequence);
    }

private:
    Workspace& work_;
    const int n_;
    const int m_;
    const double* p_;
    const double* r_;
    const bool withSetups_;
    std::vector<char> started_;
    std::vector<int> queue_;        // row k: the jobs of machine k in processing order
    std::vector<int> queued_;       // entries in the queue of each machine
    std::vector<int> committed_;    // entries of each queue that have started
    std::vector<double> ready_;     // moment each machine is free after its started jobs
    std::vector<int> lastStarted_;  // last started job of each machine, n before the first
    std::vector<double> estimate_;  // row j: completion of job j if planned next on each machine
    std::vector<int> best_;         // machine of the smallest estimate of each job
    std::vector<int> candidates_;   // released jobs not started at the event, ascending
    std::vector<int> open_;         // candidates not yet planned, ascending

    double duration(int job, int machine) const { return p_[job * m_ + machine]; }
    double setup(int before, int job) const { return work_.setupTimes.at(before, job); }
    int& slot(int machine, int position) { return queue_[static_cast<std::size_t>(machine) * n_ + position]; }
    double& estimate(int job, int machine) { return estimate_[static_cast<std::size_t>(job) * m_ + machine]; }

    // The smallest release time after the previous event; the releases were checked to be numbers,
    // so one exists while jobs remain unreleased.
    double nextRelease(double after) const {
        double T = std::numeric_limits<double>::infinity();
        for (int j = 0; j < n_; ++j)
            if (r_[j] > after && r_[j] < T) T = r_[j];
        return T;
    }

    // Planned jobs whose machine is free strictly before T start and keep their place; the rest
    // leave the queues to be planned again. Returns the number of started jobs.
    int commitStartedJobs(double T) {
        int started = 0;
        for (int k = 0; k < m_; ++k) {
            int c = committed_[k];
            while (ready_[k] < T && c < queued_[k]) {
                const int b = slot(k, c);
                started_[b] = 1;
                ready_[k] = std::max(ready_[k], r_[b]) + duration(b, k);
                if (withSetups_) {
                    ready_[k] += setup(lastStarted_[k], b);
                    lastStarted_[k] = b;
                }
                ++c;
            }
            queued_[k] = committed_[k] = c;
            started += c;
            if (ready_[k] < T) ready_[k] = T;
        }
        return started;
    }

    // The setup part of an estimate follows the machine's last started job; the jobs planned
    // at this event only add their time to it (planCandidates).
    void collectCandidates(double T) {
        candidates_.clear();
        for (int j = 0; j < n_; ++j)
            if (!started_[j] && r_[j] <= T) candidates_.push_back(j);
        for (const int j : candidates_) {
            for (int k = 0; k < m_; ++k) {
                estimate(j, k) = ready_[k] + duration(j, k);
                if (withSetups_) estimate(j, k) += setup(lastStarted_[k], j);
            }
        }
        open_ = candidates_;
    }

    void planCandidates() {
        // Machine whose estimates grew in the last pass, or -1 when every best machine must be
        // found again. Growing one machine's estimates by a finite non-negative amount cannot
        // change the best machine of a job whose best is another one, so only jobs on that
        // machine are looked at again.
        int grown = -1;
        while (!open_.empty()) {
            for (const int j : open_)
                if (grown < 0 || best_[j] == grown) best_[j] = bestMachine(j);
            const int u = jobToPlan();
            open_.erase(std::find(open_.begin(), open_.end(), u));
            const int k = best_[u];
            const double Y = append(u, k);
            for (const int j : open_) estimate(j, k) += Y;  // planned jobs' estimates are not read again
            grown = std::isfinite(Y) && Y >= 0 ? k : -1;
        }
    }

    // Equal estimates go to the lower machine.
    int bestMachine(int j) {
        int best = 0;
        for (int k = 1; k < m_; ++k)
            if (estimate(j, k) < estimate(j, best)) best = k;
        return best;
    }

    // The smallest estimate; among equals the highest-index open job if it is one of them,
    // otherwise the lowest-index one.
    int jobToPlan() {
        int u = open_.back();
        for (const int j : open_)
            if (estimate(j, best_[j]) < estimate(u, best_[u])) u = j;
        return u;
    }

    // Puts u at the end of machine k's queue; returns the time it adds to the machine.
    double append(int u, int k) {
        const int position = queued_[k];
        const int before = position > 0 ? slot(k, position - 1) : n_;
        slot(k, position) = u;
        queued_[k] = position + 1;
        double added = duration(u, k);
        if (withSetups_) added += setup(before, u);
        return added;
    }

    // Machine by machine, each machine's jobs in processing order.
    void writeScheduleRow(double* sequence) {
        int q = 0;
        for (int k = 0; k < m_; ++k)
            for (int l = 0; l < queued_[k]; ++l) sequence[q++] = parallel_machines::encode(slot(k, l), k);
    }
};

// A release that is not a number is never the next event, so the planning would wait forever.
void requireReleasesAreNumbers(const Collection& c, int set, int n) {
    const double* r = c.releaseTimes.rowData(set);
    for (int j = 0; j < n; ++j)
        if (std::isnan(r[j]))
            fatalError("Release times: set " + std::to_string(set) + ", job " + std::to_string(j) +
                       ": the release time is not a number, so min-min cannot tell when the job arrives.");
}

}  // namespace

void minMin(Workspace& work, Matrix& schedule) {
    const Collection& c = work.collection;
    const int sets = c.jobCount.rows;
    schedule.initZero(sets, c.weights.cols);
    for (int set = 0; set < sets; ++set) {
        const int n = c.jobsIn(set);
        const int m = c.machinesIn(set);
        // No precedence construction: the constraints do not change min-min's schedule, and the
        // levels it computes are not defined on unrelated machines.
        if (c.hasSetups && n > 0) work.buildSetupTimes(set);
        if (!c.hasReleaseTimes) assertionFailed("scheduler", kLineNoReleaseTimes);
        if (n <= 0) continue;
        c.requireSchedulableSet(set);
        c.requireParallelRow(set, n, m);
        requireReleasesAreNumbers(c, set, n);
        MinMinPlanner(work, set, n, m).run(schedule.rowData(set));
    }
}
