#pragma once

// The machine and job state that dispatchers and criteria keep while they walk one set. The storage
// is kept from set to set, so once the largest set has been seen no set allocates.
#include <algorithm>
#include <span>
#include <vector>

// Parallel machines while a schedule is replayed: when each machine finishes its last job so far,
// and which job that was (n before the first).
struct MachineClocks {
    std::vector<double> completion;
    std::vector<int> last;
};

// The job shop's machines and jobs while operations are dispatched or replayed.
class ShopFloor {
public:
    std::vector<double> machineFree;  // when each machine finishes its last operation
    std::vector<double> waiting;      // earliest ready time of the jobs queued for a machine; -1: none
    std::vector<int> lastJob;         // n before the machine's first job
    std::vector<int> sequenced;       // operations given to (or replayed on) each machine so far
    std::vector<double> jobReady;     // release time, then completion of the job's last operation
    std::vector<int> nextOperation;   // m once the job is finished

    // A set of n jobs on m machines whose routes are `machines`, with the operations' `durations`
    // (operation o of job j at j x m + o). A dispatcher asks for the machines' queues; a replay,
    // which follows given sequences, has no use for them.
    enum class Queues { Kept, None };
    void reset(int n, int m, const double* releaseTimes, const double* machines, const double* durations,
               Queues queues = Queues::Kept) {
        jobs_ = n;
        machines_ = m;
        routes_ = machines;
        durations_ = durations;
        keepQueues_ = queues == Queues::Kept;
        machineFree.assign(static_cast<std::size_t>(m), 0.0);
        waiting.assign(static_cast<std::size_t>(m), -1.0);
        lastJob.assign(static_cast<std::size_t>(m), n);
        sequenced.assign(static_cast<std::size_t>(m), 0);
        jobReady.assign(releaseTimes, releaseTimes + n);
        nextOperation.assign(static_cast<std::size_t>(n), 0);
        nextMachine_.resize(static_cast<std::size_t>(n));
        nextDuration_.resize(static_cast<std::size_t>(n));
        queued_.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(m));
        queueLength_.assign(static_cast<std::size_t>(m), 0);
        for (int j = 0; j < n; ++j) {
            moveOn(j, 0);
            if (keepQueues_ && nextMachine(j) >= 0) queue(j);
        }
    }

    // The machine of the job's next operation, or -1 when the job is finished.
    int nextMachine(int job) const { return nextMachine_[static_cast<std::size_t>(job)]; }
    // The duration of the job's next operation (0 once the job is finished).
    double nextDuration(int job) const { return nextDuration_[static_cast<std::size_t>(job)]; }

    // The jobs whose next operation needs the machine, in the order of their indices.
    std::span<const int> queuedFor(int machine) const {
        return {queued_.data() + static_cast<std::ptrdiff_t>(machine) * jobs_,
                static_cast<std::size_t>(queueLength_[static_cast<std::size_t>(machine)])};
    }

    // The smallest ready time among the jobs whose next operation needs the machine, or -1.
    double earliestQueuedFor(int machine) const {
        double earliest = -1;
        bool found = false;
        for (const int j : queuedFor(machine)) {
            if (!found || jobReady[j] < earliest) earliest = jobReady[j];
            found = true;
        }
        return earliest;
    }

    // The machine that can start an operation first, the lower index on a tie; -1 when no job
    // is queued anywhere.
    int firstStartingMachine() const {
        int first = -1;
        double firstStart = 0;
        for (int k = 0; k < machines_; ++k) {
            if (!(waiting[k] >= 0)) continue;
            const double start = std::max(machineFree[k], waiting[k]);
            if (first < 0 || start < firstStart) {
                first = k;
                firstStart = start;
            }
        }
        return first;
    }

    // Processes the job's next operation, which needs the machine, starting no earlier than
    // notBefore and the job's ready time, after `setup`.
    void perform(int job, int machine, double notBefore, double duration, double setup) {
        lastJob[machine] = job;
        const double start = std::max(notBefore, jobReady[job]);
        machineFree[machine] = start + setup + duration;
        jobReady[job] = machineFree[machine];
        if (keepQueues_) unqueue(job);
        moveOn(job, ++nextOperation[job]);
        if (keepQueues_ && nextMachine(job) >= 0) queue(job);
        ++sequenced[machine];
    }

    // Per machine, the work queued for it now: the durations (operation o of job j at j x m + o)
    // of the jobs' next operations there. Made on demand, in one pass over the jobs, for the rules
    // that read it; the dispatchers themselves do not need it.
    const std::vector<double>& queuedWork() const {
        queuedWork_.assign(static_cast<std::size_t>(machines_), 0.0);
        for (int j = 0; j < jobs_; ++j) {
            const int machine = nextMachine(j);
            if (machine >= 0) queuedWork_[static_cast<std::size_t>(machine)] += nextDuration(j);
        }
        return queuedWork_;
    }

private:
    int jobs_ = 0;
    int machines_ = 0;
    const double* routes_ = nullptr;
    const double* durations_ = nullptr;
    bool keepQueues_ = true;
    // Each job's next machine and duration, kept as the job moves on: the active scheme asks them
    // of every job at every step.
    std::vector<int> nextMachine_;
    std::vector<double> nextDuration_;
    // Per machine the jobs queued for it (n slots per machine), so that a dispatcher looks at those
    // alone.
    std::vector<int> queued_;
    std::vector<int> queueLength_;
    mutable std::vector<double> queuedWork_;  // what queuedWork last made

    // The job's next operation is operation o of its route (o = m: the job is finished).
    void moveOn(int job, int o) {
        const bool onRoute = o < machines_;
        nextMachine_[static_cast<std::size_t>(job)] = onRoute ? static_cast<int>(routes_[job * machines_ + o]) : -1;
        nextDuration_[static_cast<std::size_t>(job)] = onRoute ? durations_[job * machines_ + o] : 0.0;
    }

    // The job joins, or leaves, the queue of its next machine, which stays in the order of indices.
    void queue(int job) {
        const int machine = nextMachine(job);
        int* first = queued_.data() + static_cast<std::ptrdiff_t>(machine) * jobs_;
        int* last = first + queueLength_[static_cast<std::size_t>(machine)]++;
        for (; last > first && last[-1] > job; --last) *last = last[-1];
        *last = job;
    }
    void unqueue(int job) {
        const int machine = nextMachine(job);
        int* first = queued_.data() + static_cast<std::ptrdiff_t>(machine) * jobs_;
        int* last = first + queueLength_[static_cast<std::size_t>(machine)]--;
        int* at = std::find(first, last, job);
        std::copy(at + 1, last, at);
    }
};

// What justifying a job-shop schedule keeps: the operations' start times (operation o of job j at
// j x m + o), each machine's operations in the order of their times before a pass and as the pass
// placed them (n slots per machine each), the pass's progress and the machine sequences the
// passes make; and each machine's work, for the bound.
struct ShopJustification {
    std::vector<double> machineLoad;
    std::vector<double> start;
    std::vector<double> passStart;
    std::vector<int> timeOrder;
    std::vector<int> placed;
    std::vector<int> placedCount;
    std::vector<unsigned char> done;
    std::vector<int> machinesToResume;
    std::vector<double> sequences;
};
