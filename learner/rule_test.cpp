#include "learner/rule_test.h"

#include <cstdio>

#include "core/fatal.h"
#include "learner/collection.h"
#include "learner/rule_scheduling.h"
#include "learner/rule_xml.h"

namespace rules {

namespace {

constexpr const char* kScheduleFile = "raspored_GP.txt";

Tree readRule(const RuleSource& source, int environment) {
    try {
        if (!source.seedFile.empty()) return readSeedFile(source.seedFile, environment);
        return parseInfix(source.infix, environment);
    } catch (const RuleError& error) {
        if (!source.seedFile.empty()) fatalError(error.what());
        fatalError("Rule \"" + source.infix + "\": " + error.what() + ".");
    }
}

}  // namespace

void testRule(const std::string& definitionFile, const std::string& folder, const RuleSource& source) {
    Scheduler s = loadCollection(definitionFile, folder);
    const Tree tree = readRule(source, s.environment);
    CompiledRule rule(tree, s.environment);
    scheduleWithRule(s, rule);
    std::printf("Rule: %s\n", toInfix(tree, s.environment).c_str());
    const std::vector<std::string_view>& names = criterionNames(s.environment);
    for (std::size_t c = 0; c < names.size(); ++c)
        std::printf("%.*s: %g\n", static_cast<int>(names[c].size()), names[c].data(),
                    criterionTotal(s, static_cast<int>(c)));
    s.schedule.write(kScheduleFile);
    std::printf("Schedules written to %s\n", kScheduleFile);
}

}  // namespace rules
