// learner: evaluates priority rules written as expressions with the evaluator's own dispatchers
// and criteria, and writes their schedules (raspored_GP.txt) for the evaluator.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "learner/rule_test.h"

int main(int argc, char** argv) {
    CLI::App app{
        "learner: schedules the definition's instance collection with a priority rule (an expression over "
        "the terminals of its environment) and writes the schedules to raspored_GP.txt for fitness."};
    std::string definition = "fitness.txt";
    rules::RuleSource source;
    app.add_option("--definition", definition, "definition file of the collection")->capture_default_str();
    CLI::Option* rule = app.add_option("--rule", source.infix, "the rule as an expression, e.g. \"w / (p + wait)\"");
    CLI::Option* test = app.add_option("--test", source.seedFile, "a seed file (as pomocni writes) holding the rule");
    rule->excludes(test);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "learner: %s\nRun \"learner --help\" for the options.\n", error.what());
        return 1;
    }
    if (source.infix.empty() && source.seedFile.empty() && !*rule) {
        std::fprintf(stderr, "learner: give --rule EXPR or --test SEEDFILE.\nRun \"learner --help\" for the options.\n");
        return 1;
    }
    rules::testRule(definition, source);
    return 0;
}
