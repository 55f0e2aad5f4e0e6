// Uniform and unrelated parallel machines: the working values of a set, the five criteria that
// replay a schedule machine by machine, and the check of a schedule file's entries.
#include "fitness/parallel_machines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "fitness/timeline.h"

namespace parallel_machines {

namespace {

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

void prepareSet(Workspace& work, int set, int n, int m) {
    work.takeListSet(set, n, m);
    if (work.collection.environment == Environment::Unrelated) {
        work.inverseSpeedSum = m;
        work.meanInverseSpeed = 1;
    } else {
        const double* v = work.rows.v;
        work.inverseSpeedSum = 0;
        for (int k = 0; k < m; ++k) work.inverseSpeedSum += 1 / v[k];
        work.meanInverseSpeed = work.inverseSpeedSum / m;
    }
    work.prepareListScheduling();
}

}  // namespace parallel_machines

namespace {

constexpr int kCriteria = 5;  // Twt, Uwt, Fwt, Cmax, Tmax

}  // namespace

double parallelMachineCriteria(Workspace& work, const Matrix& schedule, Matrix& results) {
    const Collection& c = work.collection;
    const int sets = schedule.rows;
    results.initZero(sets + 1, kCriteria);
    double totals[kCriteria] = {};
    for (int set = 0; set < sets; ++set) {
        const int n = c.jobsIn(set);
        double weightedTardiness = 0, tardyWeight = 0, flowtime = 0, weight = 0, maxTardiness = 0;
        timeline::parallelMachineSet(work, schedule, set, [&](const timeline::Occupation& placed) {
            const int j = placed.job;
            const double C = placed.completion;
            const double d = c.dueDates.at(set, j);
            const double w = c.weights.at(set, j);
            if (C > d) {
                const double T = C - d;
                maxTardiness = std::max(maxTardiness, T);
                tardyWeight += w;
                weightedTardiness += w * T;
            }
            flowtime += c.hasReleaseTimes ? C - c.releaseTimes.at(set, j) : C;
            weight += c.weights.at(set, placed.position);
        });
        // A machine without jobs takes part with completion 0.
        const std::vector<double>& completion = work.clocks.completion;
        const double makespan = completion.empty() ? 0.0 : *std::max_element(completion.begin(), completion.end());
        const double g = c.processingSum.get(set) / n;  // the set's mean processing time
        const double row[kCriteria] = {weightedTardiness / (weight * g), tardyWeight / weight, flowtime / (weight * g),
                                       makespan / (n * g), maxTardiness / g};
        for (int col = 0; col < kCriteria; ++col) {
            results.at(set, col) = row[col];
            totals[col] += row[col];
        }
    }
    for (int col = 0; col < kCriteria; ++col) results.at(sets, col) = totals[col];
    return totals[0];
}

void checkParallelSchedule(const Collection& c, const Matrix& schedule, const char* fileName) {
    for (int set = 0; set < schedule.rows; ++set) {
        const int n = c.jobsIn(set);
        const int m = c.machinesIn(set);
        for (int q = 0; q < n; ++q) {
            const std::string problem = parallel_machines::entryProblem(schedule.get(set, q), n, m);
            if (!problem.empty())
                fatalError("Schedule file \"" + std::string(fileName) + "\": set " + std::to_string(set) +
                           ", position " + std::to_string(q) + " (counted from 0): " + problem + ".");
        }
    }
}
