// Placeholder until the parallel-machine runs are built.
#include "fitness/scheduler.h"

double Scheduler::parallelMachineCriteria() {
    results.initZero(schedule.rows + 1, 5);
    return 0;
}
void Scheduler::checkParallelSchedule(const char*) const {}
void Scheduler::runUniformHeuristics() {}
void Scheduler::runUnrelatedHeuristics() {}
