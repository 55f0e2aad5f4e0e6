#include "fitness/results.h"

#include <cmath>

#include "fitness/job_shop.h"
#include "fitness/parallel_machines.h"
#include "fitness/single_machine.h"

double measureSchedules(Workspace& work, const Matrix& schedule, Matrix& results) {
    switch (work.collection.environment) {
        case Environment::Single:
            return singleMachineCriteria(work, schedule, results);
        case Environment::JobShop:
            return jobShopCriteria(work, schedule, results);
        default:
            return parallelMachineCriteria(work, schedule, results);
    }
}

std::array<double, kComparedCriteria> dominanceShares(const Matrix& results, const Matrix& best) {
    const int sets = results.rows - 1;
    std::array<double, kComparedCriteria> share{};
    for (int c = 0; c < kComparedCriteria; ++c) {
        int count = 0;
        for (int i = 0; i < sets; ++i) {
            const double value = results.get(i, c);
            const double reference = best.get(i, c);
            if (value == reference || std::fabs(value - reference) < 1e-10) ++count;
        }
        share[static_cast<std::size_t>(c)] = 100.0 * count / sets;
    }
    return share;
}

void updateBest(Matrix& best, const Matrix& results) {
    for (int i = 0; i < results.rows - 1; ++i)
        for (int c = 0; c < kComparedCriteria; ++c)
            if (best.get(i, c) > results.get(i, c)) best.set(i, c, results.get(i, c));
}

void Comparison::record(std::string label, const Matrix& results) {
    if (entries_.empty())
        best_ = results;
    else
        updateBest(best_, results);
    entries_.push_back({std::move(label), results});
}
