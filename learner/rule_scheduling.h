#pragma once

// A rule's schedules for every set of a loaded instance collection, made by the evaluator's own
// dispatcher of the environment and measured by its own criteria, so that the totals are the
// ones `fitness` prints for the same schedules.
#include <string_view>
#include <vector>

#include "fitness/scheduler.h"
#include "learner/compiled_rule.h"

namespace rules {

// Fills s.schedule and s.results (one row per set, then the totals). The Scheduler was loaded
// and prepared as its run sequence prepares it (loadCollection does both).
void scheduleWithRule(Scheduler& s, CompiledRule& rule);

// The names of the columns of `results` in an environment, in order.
const std::vector<std::string_view>& criterionNames(int environment);

// The column of a criterion's name in an environment, or -1.
int criterionColumn(std::string_view name, int environment);

// The total of one criterion after scheduleWithRule.
double criterionTotal(const Scheduler& s, int column);

}  // namespace rules
