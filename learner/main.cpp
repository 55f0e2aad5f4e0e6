// learner: evolves priority rules by genetic programming on the definition's instance collection,
// or evaluates one rule (--rule, --test) and writes its schedules (raspored_GP.txt) for fitness.
#include <cstdio>
#include <string>

#include "core/fatal.h"
#include "fitness/collection.h"
#include "learner/options.h"
#include "learner/rule_test.h"
#include "learner/run_outputs.h"

int main(int argc, char** argv) {
    learner_options::Parser parser;
    try {
        parser.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return parser.exit(help);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "learner: %s\nRun \"learner --help\" for the options.\n", error.what());
        return 1;
    }
    const learner_options::Request& request = parser.request();
    const gp::Settings& settings = request.settings;
    if (request.oneRule) {
        // The criterion picks the job shop's default scheme there.
        if (const std::string problem = gp::criterionProblem(settings.criterion); !problem.empty())
            fatalError("learner: " + problem);
        rules::testRule(settings.definition, settings.collection, request.rule);
        return 0;
    }
    const std::string problem = gp::settingsProblem(settings);
    if (!problem.empty()) fatalError("learner: " + problem);
    const Collection collection = loadCollection(settings.definition, settings.collection);
    gp::evolve(collection, settings);
    return 0;
}
