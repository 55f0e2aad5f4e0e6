// What a checkpoint keeps of an evolution (Evolution::save and restore).
#include <limits>

#include "learner/checkpoint_format.h"
#include "learner/evolution.h"
#include "learner/validation.h"

namespace gp {

namespace {

// An individual or a remembered rule: what its measuring found, and when.
template <class Rule>
void saveRule(checkpoint::Writer& out, const char* key, const Rule& rule) {
    out.item(key);
    out.number(static_cast<std::uint64_t>(rule.generation));
    out.reals(rule.totals);
    out.reals(rule.cases);
    out.tree(rule.tree);
}

}  // namespace

// Totals one per criterion, and the per-set values that lexicase selection keeps, one per set.
Individual Evolution::restoreRule(checkpoint::Reader& in, const char* key) const {
    in.item(key);
    const int generation = in.count(generation_);
    std::vector<double> totals = in.reals();
    std::vector<double> cases = in.reals();
    const Collection& collection = evaluator_.collection();
    if (totals.size() != criteriaOf(collection.environment).size())
        in.fail("a rule's totals are not one per criterion.");
    if (cases.size() != (lexicase_ ? static_cast<std::size_t>(collection.sets()) : 0))
        in.fail("a rule's values per set do not fit the selection.");
    Individual individual = individualOf(in.tree());
    in.done();
    individual.totals = std::move(totals);
    individual.cases = std::move(cases);
    individual.fitness = fitnessOf(individual.totals);
    individual.generation = generation;
    return individual;
}

// The memory of measured rules is kept whole: what it holds decides which rules are measured (and
// counted) again and the generation a rule is said to be found in. The validation's memory is
// not: a rule measured there again gets the same total.
void Evolution::save(checkpoint::Writer& state, checkpoint::Writer& newRules) {
    state.item("generation");
    state.number(static_cast<std::uint64_t>(generation_));
    state.item("random");
    state.word(random_.state());
    state.item("measured");
    state.number(rulesMeasured_);
    state.number(outcome().candidatesRated);
    saveRule(state, "best", best_);
    if (*settings_.preselect > 1) {
        // The next generation's children are preselected on the sets in hand.
        state.item("sets-in-hand");
        state.number(static_cast<std::uint64_t>(setsInHand_));
        state.number(drawnSeed_);
    }
    if (validation_) {
        state.item("validation");
        state.real(validation_->total());
        saveRule(state, "chosen", validation_->chosen());
    }
    state.item("population");
    state.number(population_.size());
    for (const Individual& individual : population_) saveRule(state, "individual", individual);
    if (forgotten_) newRules.item("forget");
    for (const Remembered* rule : unsaved_) saveRule(newRules, "rule", *rule);
    forgotten_ = false;
    unsaved_.clear();
}

void Evolution::restore(checkpoint::Reader& state, checkpoint::Reader& rules) {
    state.item("generation");
    generation_ = state.count(*settings_.generations);
    if (generation_ < 1) state.fail("no generation is complete.");
    state.item("random");
    if (!random_.setState(std::string(state.rest()))) state.fail("the random stream's state is not one.");
    state.item("measured");
    rulesMeasured_ = state.number();
    ratedBefore_ = state.number();
    state.done();
    best_ = restoreRule(state, "best");
    if (*settings_.preselect > 1) {
        state.item("sets-in-hand");
        setsInHand_ = static_cast<int>(state.count(generation_));
        drawnSeed_ = static_cast<std::uint32_t>(state.count(std::numeric_limits<int>::max()));
        state.done();
        if (setsInHand_ > 0) takeDrawnSets();
    }
    if (validation_) {
        state.item("validation");
        const double total = state.real();
        state.done();
        validation_->restore(restoreRule(state, "chosen"), total);
    }
    state.item("population");
    population_.resize(static_cast<std::size_t>(state.count(settings_.population.value())));
    state.done();
    if (population_.size() != static_cast<std::size_t>(settings_.population.value()))
        state.fail("the population is not whole.");
    for (Individual& individual : population_) individual = restoreRule(state, "individual");
    seeds_.clear();
    measured_.clear();
    while (!rules.atEnd()) {
        if (rules.next("forget")) {
            measured_.clear();
            continue;
        }
        Individual rule = restoreRule(rules, "rule");
        // Drawn sets are not kept: the next generation draws its own, and measures every rule there.
        measured_.emplace(rule.hash, Remembered{std::move(rule.tree), std::move(rule.totals), std::move(rule.cases),
                                                rule.generation, *settings_.resample ? -1 : 0});
    }
}

}  // namespace gp
