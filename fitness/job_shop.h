#pragma once

// The job shop's non-delay dispatcher and the machine and job state it shares with the replay of
// a schedule; the job-shop run and the tests include this header.
#include <algorithm>
#include <vector>

#include "fitness/candidate_batch.h"
#include "fitness/scheduler.h"

// Machine and job state of one set while its operations are dispatched or replayed. The storage
// is kept from set to set, so once the largest set has been seen no set allocates.
class ShopFloor {
public:
    std::vector<double> machineFree;  // when each machine finishes its last operation
    std::vector<double> waiting;      // earliest ready time of the jobs queued for a machine; -1: none
    std::vector<int> lastJob;         // n before the machine's first job
    std::vector<int> sequenced;       // operations given to (or replayed on) each machine so far
    std::vector<double> jobReady;     // release time, then completion of the job's last operation
    std::vector<int> nextOperation;   // m once the job is finished

    void reset(int n, int m, const double* releaseTimes) {
        jobs_ = n;
        machines_ = m;
        machineFree.assign(static_cast<std::size_t>(m), 0.0);
        waiting.assign(static_cast<std::size_t>(m), -1.0);
        lastJob.assign(static_cast<std::size_t>(m), n);
        sequenced.assign(static_cast<std::size_t>(m), 0);
        jobReady.assign(releaseTimes, releaseTimes + n);
        nextOperation.assign(static_cast<std::size_t>(n), 0);
    }

    // The machine of the job's next operation, or -1 when the job is finished.
    int nextMachine(int job, const Matrix& operationMachines) const {
        const int o = nextOperation[job];
        return o < machines_ ? static_cast<int>(operationMachines.at(job, o)) : -1;
    }

    // The smallest ready time among the jobs whose next operation needs the machine, or -1.
    double earliestQueuedFor(int machine, const Matrix& operationMachines) const {
        double earliest = -1;
        bool found = false;
        for (int j = 0; j < jobs_; ++j) {
            if (nextMachine(j, operationMachines) != machine) continue;
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

    // Processes the job's next operation on the machine, starting no earlier than notBefore
    // and the job's ready time; setups is null when the instance has no setup times.
    void perform(int job, int machine, double notBefore, double duration, const Matrix* setups) {
        const double setup = setups ? setups->at(lastJob[machine], job) : 0.0;
        lastJob[machine] = job;
        const double start = std::max(notBefore, jobReady[job]);
        machineFree[machine] = start + setup + duration;
        jobReady[job] = machineFree[machine];
        ++nextOperation[job];
        ++sequenced[machine];
    }

private:
    int jobs_ = 0;
    int machines_ = 0;
};

template <class Rule>
void Scheduler::jobShopSchedule(Rule rule) {
    const int sets = processingTimes.rows;
    schedule.initZero(sets, processingTimes.cols);
    initOperationTables();
    ShopFloor floor;
    CandidateBatch candidates;
    candidates.reserve(processingTimes.cols);
    for (int set = 0; set < sets; ++set) {
        const int n = jobsIn(set);
        if (n == 0) continue;  // nothing to dispatch, and no setups to draw
        const int m = machinesIn(set);
        decodeOperations(set, n, m);
        floor.reset(n, m, releaseTimes.rowData(set));

        machineMeanDuration.initZero(m, 1);
        for (int j = 0; j < n; ++j)
            for (int o = 0; o < m; ++o)
                machineMeanDuration.at(static_cast<int>(operationMachines.at(j, o)), 0) += operationDurations.at(j, o);
        for (int k = 0; k < m; ++k) {
            floor.waiting[k] = floor.earliestQueuedFor(k, operationMachines);
            machineMeanDuration.at(k, 0) /= n;
        }
        if (hasSetups) buildSetupTimes(set);
        const Matrix* setups = hasSetups ? &setupTimes : nullptr;

        double* sequence = schedule.rowData(set);
        for (int step = 0; step < n * m; ++step) {
            const int machine = floor.firstStartingMachine();
            // Only a release time below 0 (or not a number) can hide a queue from the machine
            // choice or leave it without a candidate; the rest of such a set stays unscheduled.
            if (machine < 0) break;
            const double time = std::max(floor.machineFree[machine], floor.waiting[machine]);

            candidates.clear();
            for (int j = 0; j < n; ++j)
                if (floor.nextMachine(j, operationMachines) == machine && floor.jobReady[j] <= time) candidates.add(j);
            if (candidates.size() == 0) break;
            rateShopCandidates(rule, *this, set, candidates, floor.nextOperation.data(), floor.jobReady.data(), time,
                               floor.lastJob[machine]);
            const int chosen = candidates.chosen();

            const int operation = floor.nextOperation[chosen];
            sequence[machine * n + floor.sequenced[machine]] = chosen;
            floor.perform(chosen, machine, time, operationDurations.at(chosen, operation), setups);
            const int following = floor.nextMachine(chosen, operationMachines);
            if (following >= 0) {
                double& queue = floor.waiting[following];
                queue = queue < 0 ? floor.jobReady[chosen] : std::min(queue, floor.jobReady[chosen]);
            }
            floor.waiting[machine] = floor.earliestQueuedFor(machine, operationMachines);
        }
    }
}
