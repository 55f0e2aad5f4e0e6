#include "learner/validation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gp {

Validation::Validation(const Collection& collection, const Settings& settings, int column, ParallelEvaluator* training)
    : evaluator_(collection, settings.threads, schemeOf(settings)), column_(column), training_(training) {}

// The population's best individuals, in order, one of each rule.
std::vector<const Individual*> Validation::bestDistinct(const std::vector<Individual>& population) const {
    std::vector<const Individual*> ranked;
    for (const Individual& individual : population) ranked.push_back(&individual);
    std::stable_sort(ranked.begin(), ranked.end(), [](const Individual* a, const Individual* b) { return better(*a, *b); });
    std::vector<const Individual*> picks;
    for (const Individual* candidate : ranked) {
        if (static_cast<int>(picks.size()) == kRulesPerGeneration) break;
        const bool repeated = std::any_of(picks.begin(), picks.end(), [&](const Individual* pick) {
            return pick->hash == candidate->hash && pick->tree == candidate->tree;
        });
        if (!repeated) picks.push_back(candidate);
    }
    return picks;
}

const std::vector<double>& Validation::totalsOf(const Individual& individual) {
    const auto tree = [](const Measured& m) -> const rules::Tree& { return m.tree; };
    return rules::findTree(measured_, individual.hash, individual.tree, tree)->totals;
}

double Validation::totalOf(const Individual& individual) {
    const double value = totalsOf(individual)[static_cast<std::size_t>(column_)];
    return std::isnan(value) ? std::numeric_limits<double>::infinity() : value;
}

void Validation::reportTrainingTotals() {
    std::vector<std::vector<double>> totals;
    training_->measure({&chosen_.tree}, totals);
    chosen_.totals = std::move(totals.front());
    chosen_.fitness = chosen_.totals[static_cast<std::size_t>(column_)];
}

void Validation::consider(const std::vector<Individual>& population) {
    const std::vector<const Individual*> picks = bestDistinct(population);
    std::vector<const Individual*> fresh;
    std::vector<const rules::Tree*> trees;
    const auto tree = [](const Measured& m) -> const rules::Tree& { return m.tree; };
    for (const Individual* pick : picks) {
        if (rules::findTree(measured_, pick->hash, pick->tree, tree)) continue;
        fresh.push_back(pick);
        trees.push_back(&pick->tree);
    }
    std::vector<std::vector<double>> totals;
    evaluator_.measure(trees, totals);
    for (std::size_t i = 0; i < fresh.size(); ++i) measured_.emplace(fresh[i]->hash, Measured{fresh[i]->tree, std::move(totals[i])});
    for (const Individual* pick : picks) {
        const double value = totalOf(*pick);
        // Of equal totals the better on the training sets; a reported rule's own are not comparable.
        const bool tieWon = training_ ? pick->tree.size() < chosen_.tree.size() : better(*pick, chosen_);
        if (chosen_.totals.empty() || value < total_ || (value == total_ && tieWon)) {
            chosen_ = *pick;
            total_ = value;
            if (training_) reportTrainingTotals();
        }
    }
}

}  // namespace gp
