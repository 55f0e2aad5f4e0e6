// Any bytes as a rule: the first byte picks the environment, the rest is read as infix text, as the
// XML form of a tree and as a seed file. A rule that reads must print and read back to the same
// tree in both forms, compile, and rate the candidates of a small single-machine decision.
#include <cmath>
#include <cstdlib>

#include "fitness/decision.h"
#include "fuzz/fuzz_support.h"
#include "learner/compiled_rule.h"
#include "learner/rule_language.h"
#include "learner/rule_xml.h"

namespace {

// Three jobs of one set on one machine, with release times, setups and successors in place.
Collection smallSet() {
    Collection c;
    c.hasSetups = true;
    c.setupFactor = 1;
    for (Matrix* table : {&c.processingTimes, &c.dueDates, &c.weights, &c.releaseTimes}) table->init(1, 3);
    c.processingSum.init(1, 1);
    c.jobCount.init(1, 1);
    c.jobCount.at(0, 0) = 3;
    for (int j = 0; j < 3; ++j) {
        c.processingTimes.at(0, j) = 1 + 2 * j;
        c.dueDates.at(0, j) = 10 - j;
        c.weights.at(0, j) = 1 + j % 2;
        c.releaseTimes.at(0, j) = j;
    }
    return c;
}

bool holdsNegativeConstant(const rules::Tree& tree) {
    for (const rules::Node& node : tree.nodes)
        if (node.primitive == rules::Primitive::Constant && std::signbit(node.value)) return true;
    return false;
}

void checkRoundTrips(const rules::Tree& tree, Environment environment) {
    // A negative constant prints as the negation of its magnitude: the same value, another tree.
    if (!holdsNegativeConstant(tree) && !(rules::parseInfix(rules::toInfix(tree, environment), environment) == tree))
        std::abort();
    if (!(rules::fromXml(rules::toXml(tree, environment), environment) == tree)) std::abort();
}

void rate(const rules::Tree& tree) {
    static const Collection collection = smallSet();
    Workspace work(collection);
    work.takeListSet(0, 3, 1);
    work.prepareListScheduling();
    CandidateBatch batch;
    batch.reserve(3);
    for (int j = 0; j < 3; ++j) batch.add(j);
    rules::CompiledRule rule(tree, Environment::Single);
    rule.rate(ListDecision{work, 3, 1.5, 0}, batch);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzzing::startInput();
    const Environment environment = kEnvironments[data[0] % 4];
    const std::string_view text = fuzzing::asText(data + 1, size - 1);
    const auto attempt = [&](auto read) {
        try {
            const rules::Tree tree = read();
            checkRoundTrips(tree, environment);
            if (environment == Environment::Single) rate(tree);
        } catch (const rules::RuleError&) {
            // refused with a message: the answer a bad rule must get
        }
    };
    attempt([&] { return rules::parseInfix(text, environment); });
    attempt([&] { return rules::fromXml(text, environment); });
    fuzzing::writeFile("seed.obm", text);
    attempt([&] { return rules::readSeedFile("seed.obm", environment); });
    return 0;
}
