// The job shop: operation codes, the replay of machine sequences with the seven criteria, the
// check of schedule files, and the seven dispatching rules of the job-shop run.
#include "fitness/job_shop.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "fitness/timeline.h"

namespace {

// Line of the matrix's shape assertion, which operation tables of no columns would meet.
constexpr int kLineShapeAssertion = 27;
constexpr int kCriteria = 7;

// A code is decoded from its integer part, which must fit an int (a value that is not a number
// has none).
bool isCode(double code) { return code > -2147483649.0 && code < 2147483648.0; }

std::string shown(double value) {
    char text[32];
    return std::string(text, formatG(text, value));
}

[[noreturn]] void badOperation(const Collection& c, int set, int job, const std::string& fault) {
    fatalError("Duration file \"" + c.durationFileName + "\": set " + std::to_string(set) + ", job " +
               std::to_string(job) + ": " + fault);
}

// The machine of one operation code of the set, or the end of the run with what is wrong with it.
int machineOf(const Collection& c, int set, int job, int o, int m, double raw) {
    const std::string code = "operation " + std::to_string(o) + " has the code " + shown(raw);
    if (!isCode(raw)) badOperation(c, set, job, code + ", which is not an operation code (duration + 1000 x machine).");
    const int machine = static_cast<int>(raw) / 1000;
    if (machine < 0 || machine >= m)
        badOperation(c, set, job,
                     code + ", which names machine " + std::to_string(machine) + ", but the set has " +
                         std::to_string(m) + " machines (0 to " + std::to_string(m - 1) + ").");
    // Routes are short, so the earlier operations are scanned.
    const double* machines = c.operationMachines.rowData(set);
    for (int earlier = 0; earlier < o; ++earlier)
        if (machines[job * m + earlier] == machine)
            badOperation(c, set, job,
                         "the route visits machine " + std::to_string(machine) + " twice; every job must visit each of the set's " +
                             std::to_string(m) + " machines exactly once.");
    return machine;
}

void decodeSet(Collection& c, int set, int n, int m) {
    c.requireOperationRow(set, n, m);
    if (n <= 0) return;
    const double* codes = c.processingTimes.rowData(set);
    double* durations = c.operationDurations.rowData(set);
    double* machines = c.operationMachines.rowData(set);
    double* means = c.machineMeanDuration.rowData(set);
    double total = 0;
    for (int j = 0; j < n; ++j) {
        for (int o = 0; o < m; ++o) {
            const double raw = codes[j * m + o];
            const int machine = machineOf(c, set, j, o, m, raw);
            const int duration = static_cast<int>(raw) % 1000;
            durations[j * m + o] = duration;
            machines[j * m + o] = machine;
            total += duration;
        }
        sumRouteTails(durations + j * m, m, c.operationWorkFrom.rowData(set) + j * m);
    }
    for (int j = 0; j < n; ++j)
        for (int o = 0; o < m; ++o) means[static_cast<int>(machines[j * m + o])] += durations[j * m + o];
    for (int k = 0; k < m; ++k) means[k] /= n;
    c.operationTotal.at(set, 0) = total;
}

// Twt, Uwt, Fwt, Cmax, mean tardiness, share of tardy jobs and mean flowtime of a set whose
// jobs completed at `completion`; `total` is the set's processing time.
std::array<double, kCriteria> measure(const Collection& c, int set, int n, double total,
                                      const std::vector<double>& completion) {
    const double* r = c.releaseTimes.rowData(set);
    const double* d = c.dueDates.rowData(set);
    const double* w = c.weights.rowData(set);
    double W = 0, makespan = 0, flow = 0, weightedFlow = 0;
    double tardyJobs = 0, weightedTardyJobs = 0, tardiness = 0, weightedTardiness = 0;
    for (int j = 0; j < n; ++j) {
        const double C = completion[static_cast<std::size_t>(j)];
        W += w[j];
        if (C > makespan) makespan = C;
        flow += C - r[j];
        weightedFlow += w[j] * (C - r[j]);
        if (C > d[j]) {
            const double T = C - d[j];
            tardyJobs += 1;
            weightedTardyJobs += w[j];
            tardiness += T;
            weightedTardiness += w[j] * T;
        }
    }
    const double g = total / n;  // mean processing time per job
    return {weightedTardiness / (g * W),
            weightedTardyJobs / W,
            weightedFlow / (g * W),
            makespan / total,
            tardiness / n,
            tardyJobs / n,
            flow / n};
}

}  // namespace

// Faults of the instance data that would otherwise surface half-way through the run: all are
// found before the first result file is written.
void decodeJobShop(Collection& c) {
    if (c.hasSetups && c.maxLength < 1)
        fatalError("Setup times in the job shop need \"max_length\" of at least 1 in the definition file.");
    if (c.dueDates.cols <= 0 || c.operationsPerJob() <= 0) assertionFailed("matrice", kLineShapeAssertion);
    const int sets = c.processingTimes.rows;
    c.operationDurations.initZero(sets, c.processingTimes.cols);
    c.operationMachines.initZero(sets, c.processingTimes.cols);
    c.operationWorkFrom.initZero(sets, c.processingTimes.cols);
    c.machineMeanDuration.initZero(sets, c.operationsPerJob());
    c.operationTotal.initZero(sets, 1);
    for (int set = 0; set < sets; ++set) decodeSet(c, set, c.jobsIn(set), c.machinesIn(set));
}

double job_shop::latestCompletion(const Workspace& work) {
    const std::vector<double>& completions = work.floor.jobReady;
    return work.rows.n > 0 ? *std::max_element(completions.begin(), completions.begin() + work.rows.n) : 0.0;
}

double job_shop::makespanOf(Workspace& work, int set, const double* sequences) {
    timeline::jobShopSequences(work, set, [&](int position) { return sequences[position]; },
                               [](const timeline::Occupation&) {});
    return latestCompletion(work);
}

void job_shop::recordPrevious(Workspace& work, int set, const double* sequences) {
    PreviousSchedule& previous = work.previous;
    const int n = work.collection.jobsIn(set);
    const int m = work.collection.machinesIn(set);
    const auto operations = static_cast<std::size_t>(n) * static_cast<std::size_t>(m);
    previous.start.assign(operations, 0.0);
    previous.completion.assign(operations, 0.0);
    previous.latestStart.assign(operations, 0.0);
    previous.order.clear();
    timeline::jobShopSequences(work, set, [&](int position) { return sequences[position]; },
                               [&](const timeline::Occupation& o) {
                                   const int at = o.job * m + o.machine;
                                   previous.start[static_cast<std::size_t>(at)] = o.start;
                                   previous.completion[static_cast<std::size_t>(at)] = o.completion;
                                   previous.order.push_back(at);
                               });
    previous.makespan = latestCompletion(work);
    // From the last placed back: each operation ends before its job's next one and its machine's
    // next one start at their latest, and by the makespan.
    std::vector<double>& jobLatest = previous.jobLatest;
    std::vector<double>& machineLatest = previous.machineLatest;
    jobLatest.assign(static_cast<std::size_t>(n), previous.makespan);
    machineLatest.assign(static_cast<std::size_t>(m), previous.makespan);
    for (auto it = previous.order.rbegin(); it != previous.order.rend(); ++it) {
        const auto at = static_cast<std::size_t>(*it);
        const auto j = static_cast<std::size_t>(*it / m);
        const auto k = static_cast<std::size_t>(*it % m);
        const double latestEnd = std::min(jobLatest[j], machineLatest[k]);
        jobLatest[j] = machineLatest[k] = previous.latestStart[at] =
            latestEnd - (previous.completion[at] - previous.start[at]);
    }
    previous.known = true;
}

bool job_shop::everyOperationPlayed(const Workspace& work) {
    const std::vector<int>& sequenced = work.floor.sequenced;
    return std::all_of(sequenced.begin(), sequenced.begin() + work.rows.m, [&](int s) { return s == work.rows.n; });
}

double jobShopCriteria(Workspace& work, const Matrix& schedule, Matrix& results) {
    const Collection& c = work.collection;
    const int sets = schedule.rows;
    results.initZero(sets + 1, kCriteria);
    for (int set = 0; set < sets; ++set) {
        const int n = c.jobsIn(set);
        // The criteria look at the jobs' completions only, which the walk leaves in the floor.
        const double total = timeline::jobShopSet(work, schedule, set, [](const timeline::Occupation&) {});
        const std::array<double, kCriteria> values = measure(c, set, n, total, work.floor.jobReady);
        for (int col = 0; col < kCriteria; ++col) {
            results.at(set, col) = values[static_cast<std::size_t>(col)];
            results.at(sets, col) += values[static_cast<std::size_t>(col)];
        }
    }
    return results.at(sets, 3);
}

void checkJobShopSchedule(const Collection& c, const Matrix& schedule, const char* fileName) {
    const int sets = std::min({schedule.rows, c.jobCount.rows, c.machineCount.rows});
    for (int set = 0; set < sets; ++set) {
        const int n = c.jobsIn(set);
        const long long listed =
            std::min(static_cast<long long>(n) * c.machinesIn(set), static_cast<long long>(schedule.cols));
        for (int position = 0; position < listed; ++position) {
            const double job = schedule.at(set, position);
            if (job > -1 && job < n) continue;  // its integer part names a job of the set
            fatalError("Schedule file \"" + std::string(fileName) + "\": set " + std::to_string(set) + ", position " +
                       std::to_string(position) + " (machine " + std::to_string(position / n) + ", place " +
                       std::to_string(position % n) + "): " + shown(job) + " is not a job of the set, which has " +
                       std::to_string(n) + " jobs (0 to " + std::to_string(n - 1) + ").");
        }
    }
}
