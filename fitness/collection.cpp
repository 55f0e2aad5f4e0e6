// The checks a set's tables must pass before a dispatcher or criteria computation reads them
// unchecked.
#include "fitness/collection.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>

#include "core/fatal.h"
#include "fitness/parallel_machines.h"

namespace {

// Line of the table write that a set with more jobs or machines than the operation tables
// would run past.
constexpr int kLineOperationTables = 202;

// n x m can exceed an int for absurd counts; it is then certainly beyond the table.
int jobTimesMachineColumns(int n, int m) {
    return static_cast<int>(std::min<long long>(static_cast<long long>(n) * m, INT_MAX));
}

}  // namespace

void Collection::requireInstanceRow(int set, int n, int processingColumns) const {
    const auto holds = [set](const Matrix& table, int columns) {
        return set >= 0 && set < table.rows && columns <= table.cols;
    };
    if (!holds(processingTimes, processingColumns) || !holds(dueDates, n) || !holds(weights, n) ||
        !holds(releaseTimes, n) || (hasConstraints && !holds(constraints, n)))
        tableAccessFailed();
}

void Collection::requireSchedulableSet(int set) const {
    const int n = jobsIn(set);
    if (n > 0 && machinesIn(set) < 1)
        fatalError("Set " + std::to_string(set) + " has " + std::to_string(n) +
                   " job(s) but no machine: the entry \"machines\" of the definition file must give it at least one.");
    if (n > parallel_machines::kMachineStride)
        fatalError("Set " + std::to_string(set) + " has " + std::to_string(n) +
                   " jobs: a parallel-machine schedule (entries job + 1000 x machine) holds at most 1000 jobs per set.");
}

void Collection::requireParallelRow(int set, int n, int m) const {
    requireInstanceRow(set, n, environment == Environment::Unrelated ? jobTimesMachineColumns(n, m) : n);
    if (environment != Environment::Uniform) return;
    if (set >= speeds.rows || m > speeds.cols) tableAccessFailed();
    processingSum.get(set);  // a checked read of the SP that MON reads unchecked
}

void Collection::requireOperationRow(int set, int n, int m) const {
    if (n > 0 && (n > dueDates.cols || m > operationsPerJob())) assertionFailed("matrice", kLineOperationTables);
    requireInstanceRow(set, n, n * m);
}

int Collection::scheduleColumns(ScheduleWidth width) const {
    if (width == ScheduleWidth::File || environment == Environment::JobShop) return processingTimes.cols;
    return std::min(processingTimes.cols, dueDates.cols);
}

std::string Collection::fileInFolder(const std::string& name) const {
    return folder.empty() ? name : (std::filesystem::path(folder) / name).string();
}

const int* Collection::releaseOrder(int set) const {
    if (releaseOrders.empty() || set < 0 || set >= releaseTimes.rows) return nullptr;
    const int* order = releaseOrders.data() + static_cast<std::size_t>(set) * releaseTimes.cols;
    return order[0] < 0 ? nullptr : order;
}
