#include "learner/rule_scheduling.h"

#include "fitness/job_shop.h"
#include "fitness/parallel_machines.h"
#include "fitness/results.h"
#include "fitness/single_machine.h"

namespace rules {

void scheduleWithRule(Workspace& work, CompiledRule& rule, Matrix& schedule, ScheduleWidth width) {
    rule.reserve(work.candidateCapacity());  // the largest decision: the incumbent and every job
    switch (work.collection.environment) {
        case Environment::Single:
            listScheduleSingle(work, RuleRef(rule), schedule, width);
            return;
        case Environment::JobShop:
            jobShopSchedule(work, RuleRef(rule), schedule);
            return;
        default:
            listScheduleParallel(work, RuleRef(rule), schedule, width);
            return;
    }
}

void measureRule(Workspace& work, CompiledRule& rule, Matrix& schedule, Matrix& results) {
    scheduleWithRule(work, rule, schedule, ScheduleWidth::Measured);
    measureSchedules(work, schedule, results);
}

Matrix criteriaOfRule(Workspace& work, CompiledRule& rule) {
    Matrix schedule;
    Matrix results;
    measureRule(work, rule, schedule, results);
    return results;
}

}  // namespace rules
