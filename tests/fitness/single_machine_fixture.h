#pragma once

// Hand-built single-machine instances for the unit tests of the list scheduling, the criteria,
// the rules and the Nwt repair.
#include <initializer_list>
#include <vector>

#include "fitness/scheduler.h"

namespace single_machine_testing {

using Rows = std::initializer_list<std::initializer_list<double>>;

// A matrix written out row by row; every row has the length of the first.
inline Matrix table(Rows rows) {
    Matrix m;
    m.initZero(static_cast<int>(rows.size()), static_cast<int>(rows.begin()->size()));
    int i = 0;
    for (const auto& row : rows) {
        int j = 0;
        for (double value : row) m.set(i, j++, value);
        ++i;
    }
    return m;
}

// Sets given by their processing times and due dates (one row per set; the job count is the
// row length). Every job weighs 1 and is released at 0; no constraints, no setups.
inline Scheduler singleMachine(Rows p, Rows d) {
    Scheduler s;
    s.environment = Single;
    s.processingTimes = table(p);
    s.dueDates = table(d);
    const int sets = s.processingTimes.rows;
    const int jobs = s.processingTimes.cols;
    s.weights.initZero(sets, jobs);
    s.releaseTimes.initZero(sets, jobs);
    s.constraints.initZero(sets, jobs);
    s.jobCount.initZero(sets, 1);
    s.processingSum.initZero(sets, 1);
    for (int i = 0; i < sets; ++i) {
        s.jobCount.set(i, jobs);
        for (int j = 0; j < jobs; ++j) {
            s.weights.set(i, j, 1.0);
            s.processingSum.set(i, s.processingSum.get(i) + s.processingTimes.get(i, j));
        }
    }
    return s;
}

// Row `set` of `schedule`, first n entries, as job indices.
inline std::vector<int> sequence(const Scheduler& s, int set, int n) {
    std::vector<int> jobs;
    for (int k = 0; k < n; ++k) jobs.push_back(static_cast<int>(s.schedule.get(set, k)));
    return jobs;
}

// A rule that gives each job a fixed priority, whatever the moment.
struct FixedPriorities {
    std::vector<double> values;
    double operator()(const Scheduler&, int, int job, int, double, int) const {
        return values[static_cast<std::size_t>(job)];
    }
};

}  // namespace single_machine_testing
