#pragma once

// A second collection of the training collection's environment that chooses the rule a learning
// run stands by: after every generation the generation's best distinct rules are measured there as
// well, and the rule with the best total there so far is the run's rule (the hall of fame's). The
// training collection alone would choose the rule that fits its own sets best.
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "fitness/collection.h"
#include "learner/evolution.h"
#include "learner/parallel_evaluator.h"
#include "learner/settings.h"

namespace gp {

class Validation {
public:
    // How many of each generation's best distinct rules are measured on the validation collection.
    static constexpr int kRulesPerGeneration = 10;

    // `column` is the fitness criterion's column of the results. The chosen rule reports the totals
    // of the training sets that measured it, or, where the rules were measured on sets drawn
    // afresh, which do not compare, its totals on `training`, the training collection.
    Validation(const Collection& collection, const Settings& settings, int column,
               ParallelEvaluator* training = nullptr);

    // Measures the generation's best distinct rules that were not measured there before; the best
    // of them there replaces the chosen rule when its total is lower (on a tie, when it is better
    // on the training sets).
    void consider(const std::vector<Individual>& population);

    const Individual& chosen() const { return chosen_; }
    bool reportsTrainingTotals() const { return training_ != nullptr; }
    double total() const { return total_; }
    // The choice so far, as a checkpoint kept it.
    void restore(Individual chosen, double total) {
        chosen_ = std::move(chosen);
        total_ = total;
    }

private:
    struct Measured {
        rules::Tree tree;
        std::vector<double> totals;
    };
    ParallelEvaluator evaluator_;
    const int column_;
    ParallelEvaluator* const training_;
    std::unordered_multimap<std::uint64_t, Measured> measured_;  // by the tree's hash
    Individual chosen_;
    double total_ = 0;

    std::vector<const Individual*> bestDistinct(const std::vector<Individual>& population) const;
    const std::vector<double>& totalsOf(const Individual& individual);
    double totalOf(const Individual& individual);
    void reportTrainingTotals();
};

}  // namespace gp
