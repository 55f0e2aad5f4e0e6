// The constructions every dispatcher and criteria computation shares: the set in hand, its
// sequence-dependent setup times, precedence lists with job levels, and the look-ahead of a set.
#include "fitness/workspace.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/fatal.h"
#include "core/random_source.h"

namespace {

// Line of the level function's assertion outside the single and uniform environments.
constexpr int kLineLevelEnvironment = 192;

// The most jobs a set can bring to a dispatcher: a set with more jobs than its tables hold is
// refused before it is dispatched.
int largestSet(const Collection& c) {
    int largest = 0;
    for (int set = 0; set < c.sets(); ++set) largest = std::max(largest, c.jobsIn(set));
    return std::min(largest, c.dueDates.cols);
}

}  // namespace

// Without constraints the precedence tables stay all zero: no job waits for a predecessor, LNS and
// HLF read 0 and every predecessor-ready time is 0 (and of the lists only the waiting and successor
// counts are read). With them each set builds its own.
Workspace::Workspace(const Collection& c) : collection(c), jobCapacity_(std::max(largestSet(c), 1)) {
    precedenceLists.initZero(jobCapacity_, 2);
    levels.initZero(jobCapacity_, 1);
    predecessorReady.initZero(jobCapacity_, 1);
    open.reserve(jobCapacity_);
    candidates.reserve(candidateCapacity());
}

void Workspace::takeSet(int set, int n, int m) {
    static std::atomic<std::uint64_t> taken{0};
    const Collection& c = collection;
    rows = SetInHand{};
    rows.stamp = ++taken;
    rows.set = set;
    rows.n = n;
    rows.m = m;
    rows.d = c.dueDates.rowData(set);
    rows.w = c.weights.rowData(set);
    rows.r = c.releaseTimes.rowData(set);
}

void Workspace::takeListSet(int set, int n, int m) {
    const Collection& c = collection;
    takeSet(set, n, m);
    rows.p = c.processingTimes.rowData(set);
    if (c.environment == Environment::Uniform) rows.v = c.speeds.rowData(set);
    rows.work = c.environment == Environment::Unrelated ? c.jobMeanDurations.rowData(set) : rows.p;
    if (c.environment != Environment::Single) {
        rows.shortest = c.jobShortestDurations.rowData(set);
        rows.mean = c.jobMeanDurations.rowData(set);
    }
    rows.SP = c.processingSum.get(set);
}

void sumRouteTails(const double* durations, int m, double* tails) {
    double work = 0;
    for (int o = m - 1; o >= 0; --o) tails[o] = work += durations[o];
}

void Workspace::takeShopSet(int set, int n, int m, Routes routes) {
    const Collection& c = collection;
    takeSet(set, n, m);
    rows.durations = c.operationDurations.rowData(set);
    rows.machines = c.operationMachines.rowData(set);
    rows.machineMeans = c.machineMeanDuration.rowData(set);
    rows.workFrom = c.operationWorkFrom.rowData(set);
    if (routes == Routes::AsGiven) return;
    rows.reversedRoutes = true;
    const auto operations = static_cast<std::size_t>(n) * static_cast<std::size_t>(m);
    reversedDurations.resize(operations);
    reversedMachines.resize(operations);
    reversedWorkFrom.resize(operations);
    for (std::size_t first = 0; first < operations; first += static_cast<std::size_t>(m)) {
        std::reverse_copy(rows.durations + first, rows.durations + first + m, reversedDurations.begin() + first);
        std::reverse_copy(rows.machines + first, rows.machines + first + m, reversedMachines.begin() + first);
        sumRouteTails(reversedDurations.data() + first, m, reversedWorkFrom.data() + first);
    }
    rows.durations = reversedDurations.data();
    rows.machines = reversedMachines.data();
    rows.workFrom = reversedWorkFrom.data();
}

void Workspace::prepareListScheduling() {
    const int n = rows.n;
    double total = 0;
    for (int j = 0; j < n; ++j) total += rows.work[j];
    meanDuration = meanRemainingDuration = total / n;
    if (collection.hasConstraints) buildPrecedence(rows.set);
    if (collection.hasSetups)
        buildSetupTimes(rows.set);
    else
        meanSetup = 0;
    computeLookAhead(n);
}

void Workspace::computeLookAhead(int n) {
    makespanEstimate = n * meanDuration + n * meanSetup;
    const double C = makespanEstimate;
    const double* d = rows.d;
    double dMax = d[0], dMin = d[0], D = 0;
    for (int j = 0; j < n; ++j) {
        if (d[j] > dMax) dMax = d[j];
        if (d[j] < dMin) dMin = d[j];
        D += d[j];
    }
    const double tau = 1 - (D / n) / C;
    const double R = (dMax - dMin) / C;
    atcsK1 = R <= 0.5 ? R + 4.5 : 6 - 2 * R;
    atcsK2 = tau / (2 * std::sqrt(meanSetup / meanDuration));
}

void Workspace::buildSetupTimes(int set) {
    const Collection& c = collection;
    const int n = c.jobsIn(set);
    const double f = c.setupFactor;
    meanSetup = 0;
    if (n <= 0) return;  // a set without jobs has no setups; its callers skip it
    setupTimes.init(n + 1, n);
    double sum = 0;
    if (c.environment == Environment::JobShop) {
        const int L = c.maxLength;
        if (L < 1)
            fatalError("Setup times in the job shop need \"max_length\" of at least 1 in the definition file.");
        RandomSource random(static_cast<std::uint32_t>(set));
        const auto value = [&]() { return std::trunc((random.draw() % L + 1) * f); };
        for (int j = 0; j < n; ++j) {
            setupTimes.at(n, j) = value();
            for (int k = 0; k <= j; ++k) {
                setupTimes.at(j, k) = value();
                setupTimes.at(k, j) = value();
                sum += setupTimes.at(k, j) + setupTimes.at(j, k);
            }
        }
    } else {
        c.requireInstanceRow(set, n, n);
        const double* p = c.processingTimes.rowData(set);
        // The job after k in index order, the last one followed by the first (no division in
        // the quadratic loop: k + 1 reaches n only for k = n - 1).
        const auto following = [n](int k) { return k + 1 < n ? k + 1 : 0; };
        for (int j = 0; j < n; ++j) {
            const int next = following(j);
            setupTimes.at(n, j) = p[next];
            for (int k = 0; k <= j; ++k) {
                setupTimes.at(j, k) = std::ceil(f * std::fabs(p[j] - p[k]));
                setupTimes.at(k, j) = std::ceil(f * std::fabs(p[next] - p[following(k)]));
                sum += setupTimes.at(k, j) + setupTimes.at(j, k);
            }
        }
    }
    meanSetup = sum / (n * (n - 1));
}

void Workspace::buildPrecedence(int set) {
    const Collection& c = collection;
    const int n = c.jobsIn(set);
    if (n <= 0) return;  // nothing to order in a set without jobs
    c.requireInstanceRow(set, n, n);
    precedenceLists.initZero(n, n + 1);
    predecessorReady.initZero(n, 1);
    levels.init(n, 1);
    for (int j = 0; j < n; ++j) levels.at(j, 0) = -1;

    for (int j = 0; j < n; ++j) {
        const double raw = c.constraints.at(set, j);
        if (!(std::fabs(raw) < 9.2e18))
            fatalError("Precedence file \"" + c.constraintsFileName + "\": set " + std::to_string(set) + ", job " +
                       std::to_string(j) + ": the predecessor mask is not a number.");
        const auto mask = static_cast<std::uint32_t>(static_cast<std::int64_t>(raw));
        int predecessors = 0;
        for (int b = 0; b < 32; ++b) {
            if (!(mask & (std::uint32_t{1} << b))) continue;
            const int predecessor = j - 1 - b;
            if (predecessor < 0)
                fatalError("Precedence file \"" + c.constraintsFileName + "\": set " + std::to_string(set) +
                           ", job " + std::to_string(j) + ": bit " + std::to_string(b) +
                           " of the predecessor mask names a job before job 0.");
            const int successors = static_cast<int>(precedenceLists.at(predecessor, 1));
            precedenceLists.at(predecessor, 2 + successors) = j;
            precedenceLists.at(predecessor, 1) = successors + 1;
            ++predecessors;
        }
        precedenceLists.at(j, 0) = predecessors;
    }
    // Levels weigh processing times by machine speeds, which unrelated machines do not have; no
    // rule of theirs reads them.
    if (c.environment == Environment::Unrelated) return;
    for (int j = 0; j < n; ++j) levels.at(j, 0) = level(set, j);
}

double Workspace::level(int set, int job) {
    const Collection& c = collection;
    double base;
    if (c.environment == Environment::Single)
        base = c.processingTimes.get(set, job);
    else if (c.environment == Environment::Uniform)
        base = c.processingTimes.get(set, job) / meanInverseSpeed;
    else
        assertionFailed("scheduler", kLineLevelEnvironment);

    if (levels.at(job, 0) > -1) return levels.at(job, 0);
    const int successors = static_cast<int>(precedenceLists.at(job, 1));
    if (successors == 0) return base;
    double highest = 0;
    for (int s = 0; s < successors; ++s) {
        const double successorLevel = level(set, static_cast<int>(precedenceLists.at(job, 2 + s)));
        if (s == 0 || successorLevel > highest) highest = successorLevel;
    }
    // Kept, so that every job's level is computed once however many predecessors reach it.
    return levels.at(job, 0) = base + highest;
}
