#pragma once

// The rules a learning run's first generation starts with besides its random trees: the
// environment's classical heuristics written as rules, so that the search starts from what a
// researcher would try first, and the individuals of a seed file.
#include <string_view>
#include <vector>

#include "fitness/collection.h"
#include "learner/rule_language.h"
#include "learner/rule_scheduling.h"
#include "learner/settings.h"

namespace gp {

// The environment's classical heuristics as rules for the scheme. On one machine and in the job
// shop they are the evaluator's own; on parallel machines the list rules (their X-D R&M is close to
// the evaluator's, not the same) and, for the pair scheme, min-min ("-C": the earliest completion
// first) and three pair rules that weigh completion, due date and the job's fastest machine.
std::vector<std::string_view> classicalRules(Environment environment, rules::Scheme scheme);

// The seeds of a run with resolved settings: the classical rules when asked for, then every
// individual of the seed file. A seed file that cannot be read ends the run with its message.
std::vector<rules::Tree> seedTrees(const Settings& settings, Environment environment);

}  // namespace gp
