// Uniform and unrelated parallel machines: the checks every parallel-machine set must pass, the
// working values of a uniform set, the five criteria that replay a schedule machine by machine,
// the check of a schedule file's entries and the uniform run sequence.
#include "fitness/parallel_machines.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "fitness/scheduler.h"

namespace parallel_machines {

namespace {

// The table access that would have gone out of range.
constexpr int kLineGet = 188;

// n x m can exceed an int for absurd counts; it is then certainly beyond the table.
int processingColumns(const Scheduler& s, int n, int m) {
    if (s.environment != Unrelated) return n;
    return static_cast<int>(std::min<long long>(static_cast<long long>(n) * m, INT_MAX));
}

std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// What is wrong with one schedule entry of a set with n jobs and m machines, or "" if nothing.
std::string entryProblem(double entry, int n, int m) {
    const std::string named = "the entry " + number(entry);
    if (std::isnan(entry)) return named + " is not a number";
    if (entry <= -1) return named + " is negative";
    if (entry >= static_cast<double>(kMachineStride) * m)
        return named + " names machine " + number(std::floor(std::trunc(entry) / kMachineStride)) +
               ", but the set has " + std::to_string(m) + " machine(s)";
    const Placement at = decode(entry);
    if (at.job >= n) return named + " names job " + std::to_string(at.job) + ", but the set has " +
                            std::to_string(n) + " job(s)";
    return "";
}

}  // namespace

void requireSchedulableSet(const Scheduler& s, int set) {
    const int n = s.jobsIn(set);
    if (n > 0 && s.machinesIn(set) < 1)
        fatalError("Set " + std::to_string(set) + " has " + std::to_string(n) +
                   " job(s) but no machine: the entry \"machines\" of the definition file must give it at least one.");
    if (n > kMachineStride)
        fatalError("Set " + std::to_string(set) + " has " + std::to_string(n) +
                   " jobs: a parallel-machine schedule (entries job + 1000 x machine) holds at most 1000 jobs per set.");
}

void requireSchedulableSets(const Scheduler& s) {
    for (int set = 0; set < s.jobCount.rows; ++set) requireSchedulableSet(s, set);
}

void requireParallelRow(const Scheduler& s, int set, int n, int m) {
    s.requireInstanceRow(set, n, processingColumns(s, n, m));
    if (s.environment != Uniform) return;
    if (set >= s.speeds.rows || m > s.speeds.cols) assertionFailed("matrice", kLineGet);
    s.processingSum.get(set);  // a checked read of the SP that MON reads unchecked
}

void prepareParallelSet(Scheduler& s, int set, int n, int m) {
    if (s.environment == Unrelated) {
        s.inverseSpeedSum = m;
        s.meanInverseSpeed = 1;
        const double* p = s.processingTimes.rowData(set);
        double* mean = s.jobMeanDurations.rowData(0);
        for (int j = 0; j < n; ++j) {
            double sum = 0;
            for (int k = 0; k < m; ++k) sum += p[j * m + k];
            mean[j] = sum / m;
        }
        s.prepareListScheduling(set, n, mean);
        return;
    }
    const double* v = s.speeds.rowData(set);
    s.inverseSpeedSum = 0;
    for (int k = 0; k < m; ++k) s.inverseSpeedSum += 1 / v[k];
    // Before the precedence construction: the levels divide processing times by it.
    s.meanInverseSpeed = s.inverseSpeedSum / m;
    s.prepareListScheduling(set, n, s.processingTimes.rowData(set));
}

}  // namespace parallel_machines

namespace {

constexpr int kCriteria = 5;  // Twt, Uwt, Fwt, Cmax, Tmax

template <class Rule>
void evaluateUniform(Scheduler& s, Rule rule, const char* format, const char* resultFile) {
    s.listScheduleParallel(rule);
    s.report(format, s.parallelMachineCriteria(), resultFile);
}

}  // namespace

double Scheduler::parallelMachineCriteria() {
    using parallel_machines::decode;
    const int sets = schedule.rows;
    results.initZero(sets + 1, kCriteria);
    double totals[kCriteria] = {};
    std::vector<double> completion;
    std::vector<int> last;
    const bool uniform = environment == Uniform;
    for (int set = 0; set < sets; ++set) {
        const int n = jobsIn(set);
        const int m = machinesIn(set);
        parallel_machines::requireSchedulableSet(*this, set);
        parallel_machines::requireParallelRow(*this, set, n, m);
        completion.assign(static_cast<std::size_t>(m), 0.0);
        if (hasSetups) {
            buildSetupTimes(set);
            last.assign(static_cast<std::size_t>(m), n);
        }
        const double* p = processingTimes.rowData(set);
        const double* d = dueDates.rowData(set);
        const double* w = weights.rowData(set);
        const double* r = releaseTimes.rowData(set);
        const double* v = uniform ? speeds.rowData(set) : nullptr;
        double weightedTardiness = 0, tardyWeight = 0, flowtime = 0, weight = 0, maxTardiness = 0;
        for (int q = 0; q < n; ++q) {
            const auto [j, k] = decode(schedule.get(set, q));
            double& C = completion[k];
            if (hasReleaseTimes && r[j] > C) C = r[j];
            C += uniform ? v[k] * p[j] : p[j * m + k];
            if (hasSetups) {
                C += setupTimes.at(last[k], j);
                last[k] = j;
            }
            if (C > d[j]) {
                const double T = C - d[j];
                maxTardiness = std::max(maxTardiness, T);
                tardyWeight += w[j];
                weightedTardiness += w[j] * T;
            }
            flowtime += hasReleaseTimes ? C - r[j] : C;
            weight += w[q];
        }
        // A machine without jobs takes part with completion 0.
        const double makespan = completion.empty() ? 0.0 : *std::max_element(completion.begin(), completion.end());
        const double g = processingSum.get(set) / n;  // the set's mean processing time
        const double row[kCriteria] = {weightedTardiness / (weight * g), tardyWeight / weight, flowtime / (weight * g),
                                       makespan / (n * g), maxTardiness / g};
        for (int c = 0; c < kCriteria; ++c) {
            results.at(set, c) = row[c];
            totals[c] += row[c];
        }
    }
    for (int c = 0; c < kCriteria; ++c) results.at(sets, c) = totals[c];
    return totals[0];
}

void Scheduler::checkParallelSchedule(const char* fileName) const {
    for (int set = 0; set < schedule.rows; ++set) {
        const int n = jobsIn(set);
        const int m = machinesIn(set);
        for (int q = 0; q < n; ++q) {
            const std::string problem = parallel_machines::entryProblem(schedule.get(set, q), n, m);
            if (!problem.empty())
                fatalError("Schedule file \"" + std::string(fileName) + "\": set " + std::to_string(set) +
                           ", position " + std::to_string(q) + " (counted from 0): " + problem + ".");
        }
    }
}

void Scheduler::runUniformHeuristics() {
    evaluateUniform(*this, RuleOf<&Scheduler::priorityXDRM>{}, "X-D RM: %g\n", "rezultat_XD.txt");
    evaluateUniform(*this, RuleOf<&Scheduler::priorityMON>{}, "MON: %g\n", "rezultat_MON.txt");
    evaluateUniform(*this, RuleOf<&Scheduler::priorityWSPT>{}, "WSPT: %g\n", "rezultat_SPT.txt");
    evaluateUniform(*this, RuleOf<&Scheduler::priorityEDD>{}, "EDD: %g\n", "rezultat_EDD.txt");
    evaluateUniform(*this, RuleOf<&Scheduler::priorityRM>{}, "RM: %g\n", "rezultat_RM.txt");
    evaluateUniform(*this, RuleOf<&Scheduler::priorityATCS>{}, "ATCS: %g\n", "rezultat_ATCS.txt");
    evaluateUniform(*this, RuleOf<&Scheduler::priorityLNS>{}, "LNS: %g\n", "rezultat_LNS.txt");
    evaluateUniform(*this, RuleOf<&Scheduler::priorityHLF>{}, "HLF: %g\n", "rezultat_HLF.txt");
    evaluateUniform(*this, RuleOf<&Scheduler::prioritySetupMakespan>{}, "Makespan: %g\n", "rezultat_makespan.txt");
}
