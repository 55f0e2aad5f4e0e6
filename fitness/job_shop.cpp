// Placeholder until the job-shop run is built.
#include "fitness/scheduler.h"

double Scheduler::jobShopCriteria() {
    results.initZero(schedule.rows + 1, 7);
    return 0;
}
void Scheduler::checkJobShopSchedule(const char*) const {}
void Scheduler::runJobShopHeuristics(ComparisonTable&) {}
