// The job shop: operation codes, the replay of machine sequences with the seven criteria, the
// check of schedule files, and the run of the seven dispatching rules.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "fitness/job_shop.h"

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

// Runs one rule over every set, prints its makespan total and writes its results.
template <class Rule>
void evaluate(Scheduler& s, Rule rule, const char* format, const char* resultFile) {
    s.jobShopSchedule(rule);
    s.report(format, s.jobShopCriteria(), resultFile);
}

// The steps after the first: the rule's results lower the best values and join the comparison.
template <class Rule>
void evaluateAndCompare(Scheduler& s, Rule rule, const char* format, const char* resultFile, const char* label,
                        ComparisonTable& table) {
    evaluate(s, rule, format, resultFile);
    s.updateBest();
    table.record(label, s.results);
}

}  // namespace

void Scheduler::checkJobShopInstances() {
    if (hasSetups && maxLength < 1)
        fatalError("Setup times in the job shop need \"max_length\" of at least 1 in the definition file.");
    initOperationTables();
    for (int set = 0; set < processingTimes.rows; ++set) decodeOperations(set, jobsIn(set), machinesIn(set));
}

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
    std::vector<int> visitedBy(static_cast<std::size_t>(m), -1);  // the last job seen on each machine
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
            if (visitedBy[static_cast<std::size_t>(machine)] == j)
                badOperation(durationFileName, set, j,
                             "the route visits machine " + std::to_string(machine) +
                                 " twice; every job must visit each of the set's " + std::to_string(m) +
                                 " machines exactly once.");
            visitedBy[static_cast<std::size_t>(machine)] = j;
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
        const int m = machinesIn(set);
        const double total = decodeOperations(set, n, m);
        floor.reset(n, m, releaseTimes.rowData(set));
        if (hasSetups) buildSetupTimes(set);
        const Matrix* setups = hasSetups ? &setupTimes : nullptr;

        // Each pass lets every machine play its next listed operation if that is the job's next
        // one. A pass that plays nothing leaves the state as it was, so no later pass could play
        // anything either: the sequences block each other (or are done). A job listed again
        // after its last operation keeps its machine waiting in the same way.
        for (int pass = 0; pass < n * m; ++pass) {
            bool played = false;
            for (int k = 0; k < m; ++k) {
                if (floor.sequenced[k] >= n) continue;
                const int j = static_cast<int>(schedule.get(set, k * n + floor.sequenced[k]));
                if (floor.nextMachine(j, operationMachines) != k) continue;
                floor.perform(j, k, floor.machineFree[k], operationDurations.at(j, floor.nextOperation[j]), setups);
                played = true;
            }
            if (!played) break;
        }

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

void Scheduler::runJobShopHeuristics(ComparisonTable& table) {
    evaluate(*this, RuleOf<&Scheduler::jobShopWSPT>{}, "WSPT: %g\n", "rezultat_WSPT.txt");
    best = results;
    table.record("WSPT\t", results);
    evaluateAndCompare(*this, RuleOf<&Scheduler::jobShopWSPTTWKR>{}, "WSPT/TWKR: %g\n", "rezultat_WSPT_TWKR.txt",
                       "WSPT/TWKR", table);
    evaluateAndCompare(*this, RuleOf<&Scheduler::jobShopCOVERT>{}, "COVERT: %g\n", "rezultat_WCOVERT.txt", "COVERT\t",
                       table);
    evaluateAndCompare(*this, RuleOf<&Scheduler::jobShopSlackTWKR>{}, "SLACK/TWKR: %g\n", "rezultat_WSLACK_TWKR.txt",
                       "SLACK/TWKR", table);
    evaluateAndCompare(*this, RuleOf<&Scheduler::jobShopRM>{}, "RM: %g\n", "rezultat_WRM.txt", "RM\t", table);
    evaluateAndCompare(*this, RuleOf<&Scheduler::jobShopEDD>{}, "EDD: %g\n", "rezultat_EDD.txt", "EDD\t", table);
    evaluateAndCompare(*this, RuleOf<&Scheduler::jobShopWTWKR>{}, "WTWKR: %g\n", "rezultat_WTWKR.txt", "WTWKR\t",
                       table);
}
