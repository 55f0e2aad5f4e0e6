#pragma once

// What the evaluator's unit tests share: collections from the builder, the schedules a dispatcher
// makes with a test rule, and their criteria.
#include <type_traits>
#include <vector>

#include "fitness/decision.h"
#include "fitness/job_shop.h"
#include "fitness/parallel_machines.h"
#include "fitness/results.h"
#include "fitness/single_machine.h"
#include "support/collection_builder.h"

namespace fitness_testing {

using testing_support::CollectionBuilder;
using testing_support::rowOf;
using testing_support::Table;

inline CollectionBuilder singleMachine(Table p, Table d) {
    return CollectionBuilder(Environment::Single).processing(std::move(p)).due(std::move(d));
}

// The schedules of the environment's dispatcher with the rule, made in `work`: a rule of job-shop
// decisions is the job shop's, any other one of list scheduling.
template <class Rule>
Matrix scheduled(Workspace& work, Rule rule) {
    Matrix schedule;
    if constexpr (std::is_invocable_v<Rule&, const ShopDecision&, int>)
        jobShopSchedule(work, rule, schedule);
    else if (work.collection.environment == Environment::Single)
        listScheduleSingle(work, rule, schedule);
    else
        listScheduleParallel(work, rule, schedule);
    return schedule;
}
template <class Rule>
Matrix scheduled(const Collection& collection, Rule rule) {
    Workspace work(collection);
    return scheduled(work, rule);
}

// The schedules a heuristic of its own kind makes (minMin, nwt, ...).
inline Matrix madeBy(void (*heuristic)(Workspace&, Matrix&), const Collection& collection) {
    Workspace work(collection);
    Matrix schedule;
    heuristic(work, schedule);
    return schedule;
}

// The environment's criteria of a schedule, totals last.
inline Matrix measured(const Collection& collection, const Matrix& schedule) {
    Workspace work(collection);
    Matrix results;
    measureSchedules(work, schedule, results);
    return results;
}

// The first n entries of a schedule row as job indices.
inline std::vector<int> sequence(const Matrix& schedule, int set, int n) {
    std::vector<int> jobs;
    for (int k = 0; k < n; ++k) jobs.push_back(static_cast<int>(schedule.get(set, k)));
    return jobs;
}

// A rule that gives each job a fixed priority, whatever the decision.
struct FixedPriorities {
    std::vector<double> values;
    double operator()(const ListDecision&, int job) const {
        return values[static_cast<std::size_t>(job)];
    }
};

}  // namespace fitness_testing
