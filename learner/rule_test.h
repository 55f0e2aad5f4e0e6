#pragma once

// `learner --rule EXPR` and `learner --test SEEDFILE`: one rule scheduled on every set of the
// definition's collection, its criterion totals printed and its schedules written to
// raspored_GP.txt for the evaluator.
#include <string>

namespace rules {

struct RuleSource {
    std::string infix;     // the rule as text, or
    std::string seedFile;  // the file holding it as an individual
    std::string scheme;     // how its schedules are made; empty: the environment's default ...
    std::string criterion;  // ... for this criterion (empty: the environment's headline)
};

// Loads the collection named by the definition file in `folder` (data files are read from there;
// empty: the working folder, as the evaluator reads them), schedules it with the rule and reports;
// the schedules go to the working folder. A fault ends the run with one message and exit status
// 1 before anything is written.
void testRule(const std::string& definitionFile, const std::string& folder, const RuleSource& source);

}  // namespace rules
