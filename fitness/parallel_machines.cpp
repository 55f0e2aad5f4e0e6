// Uniform and unrelated parallel machines: the checks every parallel-machine set must pass, the
// working values of a uniform set, the five criteria that replay a schedule machine by machine,
// the check of a schedule file's entries and the heuristics of the uniform run.
#include "fitness/parallel_machines.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "fitness/run_sequence.h"
#include "fitness/scheduler.h"
#include "fitness/timeline.h"

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

}  // namespace

double Scheduler::parallelMachineCriteria() {
    const int sets = schedule.rows;
    results.initZero(sets + 1, kCriteria);
    double totals[kCriteria] = {};
    timeline::MachineClocks machines;
    for (int set = 0; set < sets; ++set) {
        const int n = jobsIn(set);
        double weightedTardiness = 0, tardyWeight = 0, flowtime = 0, weight = 0, maxTardiness = 0;
        timeline::parallelMachineSet(*this, set, machines, [&](const timeline::Occupation& placed) {
            const int j = placed.job;
            const double C = placed.completion;
            const double d = dueDates.at(set, j);
            const double w = weights.at(set, j);
            if (C > d) {
                const double T = C - d;
                maxTardiness = std::max(maxTardiness, T);
                tardyWeight += w;
                weightedTardiness += w * T;
            }
            flowtime += hasReleaseTimes ? C - releaseTimes.at(set, j) : C;
            weight += weights.at(set, placed.position);
        });
        // A machine without jobs takes part with completion 0.
        const std::vector<double>& completion = machines.completion;
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

namespace {

// Every set must be schedulable before the first result file is written; the speeds are read
// only in this environment.
void prepareUniformRun(Scheduler& s) {
    parallel_machines::requireSchedulableSets(s);
    s.speeds.read(s.machineFileName);
}

template <auto Rule>
void listSchedule(Scheduler& s) {
    s.listScheduleParallel(RuleOf<Rule>{});
}

// Nothing is compared on uniform machines.
const Heuristic kUniformHeuristics[] = {
    {"X-D RM", always, listSchedule<&Scheduler::priorityXDRM>, "X-D RM: %g\n", {resultsTo("rezultat_XD.txt")}, nullptr},
    {"MON", always, listSchedule<&Scheduler::priorityMON>, "MON: %g\n", {resultsTo("rezultat_MON.txt")}, nullptr},
    {"WSPT", always, listSchedule<&Scheduler::priorityWSPT>, "WSPT: %g\n", {resultsTo("rezultat_SPT.txt")}, nullptr},
    {"EDD", always, listSchedule<&Scheduler::priorityEDD>, "EDD: %g\n", {resultsTo("rezultat_EDD.txt")}, nullptr},
    {"RM", always, listSchedule<&Scheduler::priorityRM>, "RM: %g\n", {resultsTo("rezultat_RM.txt")}, nullptr},
    {"ATCS", always, listSchedule<&Scheduler::priorityATCS>, "ATCS: %g\n", {resultsTo("rezultat_ATCS.txt")}, nullptr},
    {"LNS", always, listSchedule<&Scheduler::priorityLNS>, "LNS: %g\n", {resultsTo("rezultat_LNS.txt")}, nullptr},
    {"HLF", always, listSchedule<&Scheduler::priorityHLF>, "HLF: %g\n", {resultsTo("rezultat_HLF.txt")}, nullptr},
    {"Makespan", always, listSchedule<&Scheduler::prioritySetupMakespan>, "Makespan: %g\n",
     {resultsTo("rezultat_makespan.txt")}, nullptr},
};

}  // namespace

const RunSequence kUniformRun{prepareUniformRun, kUniformHeuristics};
