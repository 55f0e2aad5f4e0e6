// Placeholder until the single-machine run is built.
#include "fitness/scheduler.h"

double Scheduler::singleMachineCriteria() {
    results.initZero(schedule.rows + 1, 4);
    return 0;
}
void Scheduler::updateBest() {}
void Scheduler::runSingleMachineHeuristics(ComparisonTable&) {}
