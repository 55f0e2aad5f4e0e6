#pragma once

// What an evaluation gives, as values: the criteria of a schedule (one row per set and a last row of
// totals, the environment's columns) and the comparison of several schedules' criteria (the per-set
// best values and each schedule's shares of them). The fitness run prints and writes them, the
// report draws them.
#include <array>
#include <string>
#include <vector>

#include "core/matrice.h"
#include "core/names.h"
#include "fitness/workspace.h"

// The environment's criteria of every set of `schedule` into `results`; returns the environment's
// headline total (Twt; Cmax in the job shop).
double measureSchedules(Workspace& work, const Matrix& schedule, Matrix& results);

// Per compared criterion, the share in percent of the sets of `results` on which it reached the
// value in `best`, or came within 1e-10 of it.
std::array<double, kComparedCriteria> dominanceShares(const Matrix& results, const Matrix& best);

// Lowers `best` towards `results` on every set row (the totals row is not touched) and compared
// criterion.
void updateBest(Matrix& best, const Matrix& results);

// Labelled criteria in the order recorded, and the per-set best values over all of them: the first
// record sets them, every later one lowers them.
class Comparison {
public:
    struct Entry {
        std::string label;
        Matrix results;
    };

    void record(std::string label, const Matrix& results);

    const std::vector<Entry>& entries() const { return entries_; }
    const Matrix& best() const { return best_; }
    std::array<double, kComparedCriteria> shares(const Entry& entry) const {
        return dominanceShares(entry.results, best_);
    }

private:
    std::vector<Entry> entries_;
    Matrix best_;
};
