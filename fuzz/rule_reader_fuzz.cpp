// Any bytes as a rule: the first byte picks the environment, the rest is read as infix text, as the
// XML form of a tree and as a seed file. A rule that reads must print and read back to the same
// tree in both forms, compile, and rate the candidates of a small single-machine decision.
#include <cmath>
#include <cstdlib>

#include "fitness/candidate_batch.h"
#include "fuzz/fuzz_support.h"
#include "learner/compiled_rule.h"
#include "learner/rule_language.h"
#include "learner/rule_xml.h"

namespace {

// Three jobs of one set on one machine, with release times, setups and successors in place.
Scheduler smallSet() {
    Scheduler s;
    s.environment = Single;
    s.hasSetups = 1;
    for (Matrix* table : {&s.processingTimes, &s.dueDates, &s.weights, &s.releaseTimes, &s.speeds}) table->init(1, 3);
    s.processingSum.init(1, 1);
    s.setupTimes.init(4, 3);
    s.precedenceLists.initZero(3, 4);
    for (int j = 0; j < 3; ++j) {
        s.processingTimes.at(0, j) = 1 + 2 * j;
        s.dueDates.at(0, j) = 10 - j;
        s.weights.at(0, j) = 1 + j % 2;
        s.releaseTimes.at(0, j) = j;
        for (int q = 0; q < 4; ++q) s.setupTimes.at(q, j) = (q + j) % 3;
    }
    return s;
}

bool holdsNegativeConstant(const rules::Tree& tree) {
    for (const rules::Node& node : tree.nodes)
        if (node.primitive == rules::Primitive::Constant && std::signbit(node.value)) return true;
    return false;
}

void checkRoundTrips(const rules::Tree& tree, int environment) {
    // A negative constant prints as the negation of its magnitude: the same value, another tree.
    if (!holdsNegativeConstant(tree) && !(rules::parseInfix(rules::toInfix(tree, environment), environment) == tree))
        std::abort();
    if (!(rules::fromXml(rules::toXml(tree, environment), environment) == tree)) std::abort();
}

void rate(const rules::Tree& tree) {
    static Scheduler s = smallSet();
    CandidateBatch batch;
    batch.reserve(3);
    for (int j = 0; j < 3; ++j) batch.add(j);
    rules::CompiledRule rule(tree, Single);
    rule.rateList(s, 0, batch, 3, 1.5, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzzing::startInput();
    const int environment = data[0] % 4;
    const std::string_view text = fuzzing::asText(data + 1, size - 1);
    const auto attempt = [&](auto read) {
        try {
            const rules::Tree tree = read();
            checkRoundTrips(tree, environment);
            if (environment == Single) rate(tree);
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
