#include "learner/rule_test.h"

#include <cstdio>

#include "core/fatal.h"
#include "core/names.h"
#include "fitness/collection.h"
#include "fitness/results.h"
#include "learner/rule_scheduling.h"
#include "learner/rule_xml.h"

namespace rules {

namespace {

Tree readRule(const RuleSource& source, Environment environment) {
    try {
        if (!source.seedFile.empty()) return readSeedFile(source.seedFile, environment);
        return parseInfix(source.infix, environment);
    } catch (const RuleError& error) {
        if (!source.seedFile.empty()) fatalError(error.what());
        fatalError("Rule \"" + source.infix + "\": " + error.what() + ".");
    }
}

// A rule's schedules and criteria on the collection, which is let go before the schedules are
// written: on unrelated machines the schedule file's text is the largest thing a run holds.
struct RuleRun {
    Environment environment;
    Tree tree;
    Matrix schedule;
    Matrix results;
};

RuleRun runRule(const std::string& definitionFile, const std::string& folder, const RuleSource& source) {
    const Collection collection = loadCollection(definitionFile, folder);
    const std::string problem = schemeProblem(source.scheme, collection.environment);
    if (!problem.empty()) fatalError("learner: " + problem);
    RuleRun run{collection.environment, readRule(source, collection.environment), {}, {}};
    CompiledRule rule(run.tree, run.environment);
    Workspace work(collection);
    const Scheme scheme =
        source.scheme.empty() ? defaultScheme(run.environment, source.criterion) : *schemeNamed(source.scheme);
    scheduleWithRule(work, rule, scheme, run.schedule);
    measureSchedules(work, run.schedule, run.results);
    return run;
}

}  // namespace

void testRule(const std::string& definitionFile, const std::string& folder, const RuleSource& source) {
    const RuleRun run = runRule(definitionFile, folder, source);
    std::printf("Rule: %s\n", toInfix(run.tree, run.environment).c_str());
    const auto criteria = criteriaOf(run.environment);
    for (std::size_t c = 0; c < criteria.size(); ++c)
        std::printf("%.*s: %g\n", static_cast<int>(criteria[c].name.size()), criteria[c].name.data(),
                    criterionTotal(run.results, static_cast<int>(c)));
    run.schedule.write(kGPScheduleFile);
    std::printf("Schedules written to %s\n", kGPScheduleFile);
}

}  // namespace rules
