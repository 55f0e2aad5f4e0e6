#pragma once

// Hand-built single-machine instances for the unit tests of the list scheduling, the criteria,
// the rules and the Nwt repair.
#include <initializer_list>
#include <vector>

#include "fitness/scheduler.h"
#include "support/matrix_literal.h"

namespace single_machine_testing {

using testing_support::Rows;
using testing_support::table;

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
