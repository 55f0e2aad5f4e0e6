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
void Evolution::save(checkpoint::Writer& out) const {
    out.item("generation");
    out.number(static_cast<std::uint64_t>(generation_));
    out.item("random");
    out.word(random_.state());
    out.item("measured");
    out.number(rulesMeasured_);
    out.number(outcome().candidatesRated);
    saveRule(out, "best", best_);
    if (validation_) {
        out.item("validation");
        out.real(validation_->total());
        saveRule(out, "chosen", validation_->chosen());
    }
    out.item("population");
    out.number(population_.size());
    for (const Individual& individual : population_) saveRule(out, "individual", individual);
    out.item("remembered");
    out.number(measured_.size());
    for (const auto& entry : measured_) saveRule(out, "rule", entry.second);
}

void Evolution::restore(checkpoint::Reader& in) {
    in.item("generation");
    generation_ = in.count(settings_.generations);
    if (generation_ < 1) in.fail("no generation is complete.");
    in.item("random");
    if (!random_.setState(std::string(in.rest()))) in.fail("the random stream's state is not one.");
    in.item("measured");
    rulesMeasured_ = in.number();
    ratedBefore_ = in.number();
    in.done();
    best_ = restoreRule(in, "best");
    if (validation_) {
        in.item("validation");
        const double total = in.real();
        in.done();
        validation_->restore(restoreRule(in, "chosen"), total);
    }
    in.item("population");
    population_.resize(static_cast<std::size_t>(in.count(settings_.population)));
    in.done();
    if (population_.size() != static_cast<std::size_t>(settings_.population)) in.fail("the population is not whole.");
    for (Individual& individual : population_) individual = restoreRule(in, "individual");
    in.item("remembered");
    const int remembered = in.count(std::numeric_limits<int>::max());
    in.done();
    seeds_.clear();
    measured_.clear();
    for (int i = 0; i < remembered; ++i) {
        Individual rule = restoreRule(in, "rule");
        measured_.emplace(rule.hash, Remembered{std::move(rule.tree), std::move(rule.totals), std::move(rule.cases),
                                                rule.generation});
    }
}

}  // namespace gp
