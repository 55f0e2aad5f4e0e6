#pragma once

// A rule's schedules for every set of a loaded collection, made by the evaluator's own dispatchers
// and measured by its own criteria, so that the totals are the ones `fitness` prints for the same
// schedules.
#include <optional>
#include <string>
#include <string_view>

#include "core/matrice.h"
#include "fitness/workspace.h"
#include "learner/compiled_rule.h"

namespace rules {

// How a rule's schedules are made. List: the evaluator's list scheduling (on parallel machines the
// machine that comes free first takes the best job) and, in the job shop, its non-delay dispatcher.
// Pair (uniform and unrelated machines): every released job is rated on every machine and the best
// pair is dispatched. Active (job shop): Giffler and Thompson's active schedules. Bidirectional
// (job shop): the active scheme on every set as given and with every route reversed, the schedule
// of the shorter makespan kept. Justified (job shop): the same with each of the two schedules
// justified first (every operation moved as late, then as early as it can go; kept when that
// shortens the makespan). Combined (job shop): the shorter schedule of justified and of the
// non-delay dispatcher's made the same way; on one machine the less tardy sequence of list
// scheduling and of a non-delay dispatch, where no job released later competes. Iterated (job
// shop): combined, then again with the rule reading the shortest schedule so far, while that
// shortens the makespan.
enum class Scheme { List, Pair, Active, Bidirectional, Justified, Combined, Iterated };

// The scheme a run takes when none is asked for: pairs on parallel machines, iterated in the job
// shop (both dispatchers both ways, justified, and again with the schedule before known) and
// combined on one machine, which gave better rules when measured. The job shop's keeps the shorter
// makespan and one machine's the less weighted tardiness, so for another criterion (empty: the
// environment's headline) the job shop takes the active scheme one way and one machine list
// scheduling.
Scheme defaultScheme(Environment environment, std::string_view criterion = "");
// The scheme of that name ("list", "pair", "active", ...), if there is one.
std::optional<Scheme> schemeNamed(std::string_view name);
std::string_view nameOf(Scheme scheme);
bool schemeFits(Scheme scheme, Environment environment);
// What is wrong with a scheme name in the environment ("" = its default), or "" if nothing: one
// message for a name that is no scheme and for a scheme that does not fit the environment.
std::string schemeProblem(std::string_view name, Environment environment);

// Fills `schedule` with the rule's schedules, one row per set, in the environment's encoding.
void scheduleWithRule(Workspace& work, CompiledRule& rule, Scheme scheme, Matrix& schedule,
                      ScheduleWidth width = ScheduleWidth::File);

// The rule's schedules measured: `results` gets the criteria of every set and their totals in a
// last row. `schedule` is working storage, kept by the caller so that measuring rule after rule
// allocates nothing.
void measureRule(Workspace& work, CompiledRule& rule, Scheme scheme, Matrix& schedule, Matrix& results);

// The same as a value: the criteria of every set of the collection, totals last.
Matrix criteriaOfRule(Workspace& work, CompiledRule& rule, Scheme scheme);

// The total of one criterion of a results table.
inline double criterionTotal(const Matrix& results, int column) { return results.get(results.rows - 1, column); }

}  // namespace rules
