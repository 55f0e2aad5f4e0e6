// The job shop: operation codes, the replay of machine sequences with the seven criteria, the
// check of schedule files, and the seven dispatching rules of the job-shop run.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "fitness/job_shop.h"
#include "fitness/run_sequence.h"
#include "fitness/timeline.h"

namespace {

// Line of the table write that a set with more jobs or machines than the operation tables
// would run past.
constexpr int kLineSet = 202;
constexpr int kCriteria = 7;

// A code is decoded from its integer part, which must fit an int (a value that is not a number
// has none).
bool isCode(double code) { return code > -2147483649.0 && code < 2147483648.0; }

std::string shown(double value) {
    char text[32];
    return std::string(text, formatG(text, value));
}

// Whether one of the job's operations before position o is on the machine. Routes are short, so a
// scan is cheap, and a set decoded again for every rule needs no working storage.
bool visitsEarlier(const Matrix& operationMachines, int job, int o, int machine) {
    for (int earlier = 0; earlier < o; ++earlier)
        if (operationMachines.at(job, earlier) == machine) return true;
    return false;
}

[[noreturn]] void badOperation(const std::string& fileName, int set, int job, const std::string& fault) {
    fatalError("Duration file \"" + fileName + "\": set " + std::to_string(set) + ", job " + std::to_string(job) +
               ": " + fault);
}

// Twt, Uwt, Fwt, Cmax, mean tardiness, share of tardy jobs and mean flowtime of a set whose
// jobs completed at `completion`; `total` is the set's processing time.
std::array<double, kCriteria> measure(const Scheduler& s, int set, int n, double total,
                                      const std::vector<double>& completion) {
    const double* r = s.releaseTimes.rowData(set);
    const double* d = s.dueDates.rowData(set);
    const double* w = s.weights.rowData(set);
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

// Faults of the instance data that would otherwise surface half-way through the run: all are
// found before the first result file is written.
void checkJobShopInstances(Scheduler& s) {
    if (s.hasSetups && s.maxLength < 1)
        fatalError("Setup times in the job shop need \"max_length\" of at least 1 in the definition file.");
    s.initOperationTables();
    for (int set = 0; set < s.processingTimes.rows; ++set) s.decodeOperations(set, s.jobsIn(set), s.machinesIn(set));
}

template <auto Rule>
void dispatch(Scheduler& s) {
    s.jobShopSchedule(RuleOf<Rule>{});
}

// The labels carry tabs so that the comparison table's rows line up.
const Heuristic kJobShopHeuristics[] = {
    {"WSPT", always, dispatch<&Scheduler::jobShopWSPT>, "WSPT: %g\n", {resultsTo("rezultat_WSPT.txt")}, "WSPT\t"},
    {"WSPT/TWKR", always, dispatch<&Scheduler::jobShopWSPTTWKR>, "WSPT/TWKR: %g\n",
     {resultsTo("rezultat_WSPT_TWKR.txt")}, "WSPT/TWKR"},
    {"COVERT", always, dispatch<&Scheduler::jobShopCOVERT>, "COVERT: %g\n", {resultsTo("rezultat_WCOVERT.txt")},
     "COVERT\t"},
    {"SLACK/TWKR", always, dispatch<&Scheduler::jobShopSlackTWKR>, "SLACK/TWKR: %g\n",
     {resultsTo("rezultat_WSLACK_TWKR.txt")}, "SLACK/TWKR"},
    {"RM", always, dispatch<&Scheduler::jobShopRM>, "RM: %g\n", {resultsTo("rezultat_WRM.txt")}, "RM\t"},
    {"EDD", always, dispatch<&Scheduler::jobShopEDD>, "EDD: %g\n", {resultsTo("rezultat_EDD.txt")}, "EDD\t"},
    {"WTWKR", always, dispatch<&Scheduler::jobShopWTWKR>, "WTWKR: %g\n", {resultsTo("rezultat_WTWKR.txt")},
     "WTWKR\t"},
};

}  // namespace

void Scheduler::initOperationTables() {
    const int maxJobs = dueDates.cols;
    const int operationsPerJob = maxJobs > 0 ? processingTimes.cols / maxJobs : 0;
    operationDurations.init(maxJobs, operationsPerJob);
    operationMachines.init(maxJobs, operationsPerJob);
}

double Scheduler::decodeOperations(int set, int n, int m) {
    if (n > 0 && (n > operationDurations.rows || m > operationDurations.cols)) assertionFailed("matrice", kLineSet);
    requireInstanceRow(set, n, n * m);
    if (n <= 0) return 0;
    const double* codes = processingTimes.rowData(set);
    double total = 0;
    for (int j = 0; j < n; ++j) {
        for (int o = 0; o < m; ++o) {
            const double raw = codes[j * m + o];
            if (!isCode(raw))
                badOperation(durationFileName, set, j,
                             "operation " + std::to_string(o) + " has the code " + shown(raw) +
                                 ", which is not an operation code (duration + 1000 x machine).");
            const int code = static_cast<int>(raw);
            const int machine = code / 1000;
            const int duration = code % 1000;
            if (machine < 0 || machine >= m)
                badOperation(durationFileName, set, j,
                             "operation " + std::to_string(o) + " has the code " + shown(raw) +
                                 ", which names machine " + std::to_string(machine) + ", but the set has " +
                                 std::to_string(m) + " machines (0 to " + std::to_string(m - 1) + ").");
            if (visitsEarlier(operationMachines, j, o, machine))
                badOperation(durationFileName, set, j,
                             "the route visits machine " + std::to_string(machine) +
                                 " twice; every job must visit each of the set's " + std::to_string(m) +
                                 " machines exactly once.");
            operationDurations.at(j, o) = duration;
            operationMachines.at(j, o) = machine;
            total += duration;
        }
    }
    return total;
}

double Scheduler::jobShopCriteria() {
    const int sets = schedule.rows;
    results.initZero(sets + 1, kCriteria);
    initOperationTables();
    ShopFloor floor;
    for (int set = 0; set < sets; ++set) {
        const int n = jobsIn(set);
        // The criteria look at the jobs' completions only, which the walk leaves in the floor.
        const double total = timeline::jobShopSet(*this, set, floor, [](const timeline::Occupation&) {});
        const std::array<double, kCriteria> values = measure(*this, set, n, total, floor.jobReady);
        for (int c = 0; c < kCriteria; ++c) {
            results.at(set, c) = values[static_cast<std::size_t>(c)];
            results.at(sets, c) += values[static_cast<std::size_t>(c)];
        }
    }
    return results.at(sets, 3);
}

void Scheduler::checkJobShopSchedule(const char* fileName) const {
    const int sets = std::min({schedule.rows, jobCount.rows, machineCount.rows});
    for (int set = 0; set < sets; ++set) {
        const int n = jobsIn(set);
        const long long listed =
            std::min(static_cast<long long>(n) * machinesIn(set), static_cast<long long>(schedule.cols));
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

const RunSequence kJobShopRun{checkJobShopInstances, kJobShopHeuristics};
