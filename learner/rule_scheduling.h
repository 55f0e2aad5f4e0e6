#pragma once

// A rule's schedules for every set of a loaded collection, made by the evaluator's own dispatcher
// of the environment and measured by its own criteria, so that the totals are the ones `fitness`
// prints for the same schedules.
#include "core/matrice.h"
#include "fitness/workspace.h"
#include "learner/compiled_rule.h"

namespace rules {

// Fills `schedule` with the rule's schedules, one row per set, in the environment's encoding.
void scheduleWithRule(Workspace& work, CompiledRule& rule, Matrix& schedule,
                      ScheduleWidth width = ScheduleWidth::File);

// The rule's schedules measured: `results` gets the criteria of every set and their totals in a
// last row. `schedule` is working storage, kept by the caller so that measuring rule after rule
// allocates nothing.
void measureRule(Workspace& work, CompiledRule& rule, Matrix& schedule, Matrix& results);

// The same as a value: the criteria of every set of the collection, totals last.
Matrix criteriaOfRule(Workspace& work, CompiledRule& rule);

// The total of one criterion of a results table.
inline double criterionTotal(const Matrix& results, int column) { return results.get(results.rows - 1, column); }

}  // namespace rules
