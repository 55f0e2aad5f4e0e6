#pragma once

// The learner's genetic programming run: standard tree GP over the rule language on the
// definition's training sets. A rule's fitness is the chosen criterion's total over the sets,
// scheduled and measured exactly as `learner --test` does; lower is better, and of equal totals
// the smaller tree is better. All random draws are made by one stream in one order, so a seed and
// the settings give the same run (and byte-identical hall of fame and log) on any number of threads.
//
// The engine (Evolution) knows nothing of files or the console: after each generation it hands a
// summary to its observers, which write the hall of fame, the log and the progress line
// (learner/run_outputs.h).
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "fitness/collection.h"
#include "learner/lexicase.h"
#include "learner/parallel_evaluator.h"
#include "learner/random_stream.h"
#include "learner/rule_language.h"
#include "learner/settings.h"
#include "learner/variation.h"

namespace gp {

namespace checkpoint {
class Writer;
class Reader;
}  // namespace checkpoint

struct Individual {
    rules::Tree tree;
    std::uint64_t hash = 0;      // of the tree, kept with it
    std::vector<double> totals;  // every criterion's total; empty until measured
    std::vector<double> cases;   // under lexicase selection: the fitness criterion on every set
    double fitness = 0;
    int generation = 0;  // when the tree was first measured in this run
};

// A new, unmeasured individual.
Individual individualOf(rules::Tree tree);

// True when a is better than b: a lower fitness, or the same fitness and a smaller tree.
bool better(const Individual& a, const Individual& b);

// The positions of the `keep` least scores, in order of position; of equal scores the earlier
// position, and a score that is not a number counts as the greatest.
std::vector<std::size_t> leastScored(const std::vector<double>& scores, std::size_t keep);

// The index of the tournament's winner among `size` individuals drawn with replacement; among
// equals the first drawn wins.
int tournament(const std::vector<Individual>& population, int size, RandomStream& random);

// What the observers learn after each generation.
struct GenerationSummary {
    int generation;
    const Individual& best;            // so far: the rule the run stands by
    const Individual& generationBest;  // of this generation
    double meanFitness;
    std::size_t rulesMeasured;  // distinct rules so far
    // With a validation collection, which then chose `best`: its total there.
    std::optional<double> validationTotal;
};

struct Outcome {
    Individual best;
    std::size_t rulesMeasured = 0;      // distinct rules
    std::uint64_t candidatesRated = 0;  // over every decision of every rule measured
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void generationDone(const GenerationSummary& summary) = 0;
    virtual void runDone(const Outcome&) {}
};

class Validation;

// The evolving population and everything the next generation depends on.
class Evolution {
public:
    // The settings are resolved for the collection's environment (resolveFor). The seeds take the
    // places of the first random trees of the first generation, which is drawn as without them. A
    // validation collection, when there is one, chooses the rule the run stands by. When the
    // settings draw the training sets afresh, the first generation is measured on the collection
    // and every later one on sets drawn like it; the collection then chooses the rule unless a
    // validation collection does.
    Evolution(const Collection& collection, const Settings& settings, std::vector<rules::Tree> seeds = {},
              const Collection* validation = nullptr);
    ~Evolution();

    // The first generation, measured.
    void start();
    // The next generation: the elite and children of tournament winners, measured.
    void step();
    GenerationSummary summary() const;
    Outcome outcome() const {
        const auto rated = [](const std::unique_ptr<ParallelEvaluator>& e) { return e ? e->candidatesRated() : 0; };
        return {chosen(), rulesMeasured_,
                ratedBefore_ + evaluator_.candidatesRated() + rated(drawnEvaluator_) + rated(preselector_)};
    }

    // Everything the generations after this one depend on, as a checkpoint keeps it: the state
    // proper, and the rules measured since the last save, which the checkpoint's rule file
    // gathers ("forget" where the memory of measured rules started afresh). restore() takes both
    // back in place of the generations so far, so that run() goes on after them and makes the
    // same generations as a run never stopped.
    void save(checkpoint::Writer& state, checkpoint::Writer& newRules);
    void restore(checkpoint::Reader& state, checkpoint::Reader& rules);
    int generation() const { return generation_; }

    // Every generation (after those restored), each followed by the observers in order.
    Outcome run(std::span<RunObserver* const> observers);

    const std::string& criterion() const { return criterion_; }
    int threads() const { return evaluator_.threads(); }

private:
    struct Remembered {
        rules::Tree tree;
        std::vector<double> totals;
        std::vector<double> cases;
        int generation;
        int sets;  // the generation whose drawn sets gave the values; 0: the training collection
    };

    const Settings& settings_;
    const std::string criterion_;
    const int column_;
    const PrimitiveSet primitives_;
    RandomStream random_;
    ParallelEvaluator evaluator_;  // on the training collection
    // With the training sets drawn afresh: the sets in hand, drawn for generation setsInHand_.
    std::unique_ptr<Collection> drawn_;
    std::unique_ptr<ParallelEvaluator> drawnEvaluator_;
    int setsInHand_ = 0;
    std::uint32_t drawnSeed_ = 0;  // the draw of the sets in hand
    std::vector<rules::Tree> seeds_;
    std::optional<LexicaseSelection> lexicase_;
    std::unique_ptr<Collection> choosing_;  // the drawn sets that choose the rule, where they do
    std::unique_ptr<Validation> validation_;
    // Preselection: a few of the sets in hand (those of generation preselectingSets_), on which the
    // children are measured before the chosen ones are measured on all of them.
    std::unique_ptr<Collection> preselecting_;
    std::unique_ptr<ParallelEvaluator> preselector_;
    int preselectingSets_ = -1;
    std::unordered_multimap<std::uint64_t, Remembered> measured_;  // rules measured so far, by hash
    std::vector<const Remembered*> unsaved_;  // in measured_, not yet given to a save
    bool forgotten_ = false;                  // measured_ was emptied since the last save
    std::size_t rulesMeasured_ = 0;
    std::uint64_t ratedBefore_ = 0;  // candidates rated before the run was restored
    std::vector<Individual> population_;
    int generation_ = 0;
    const Individual* generationBest_ = nullptr;
    double meanFitness_ = 0;
    Individual best_;

    static const rules::Tree& treeOf(const Remembered& rule) { return rule.tree; }
    const Individual& chosen() const;
    ParallelEvaluator& measuring() { return drawnEvaluator_ ? *drawnEvaluator_ : evaluator_; }
    void drawTrainingSets();
    void takeDrawnSets();
    void hold(Collection sets, std::unique_ptr<Collection>& held, std::unique_ptr<ParallelEvaluator>& evaluator);
    double fitnessOf(const std::vector<double>& totals) const;
    void measure();
    void measureNew(const std::vector<const Individual*>& pending);
    std::vector<Individual> offspring();
    std::vector<Individual> children();
    ParallelEvaluator& preselector();
    std::vector<Individual> preselected(std::vector<Individual> made, std::size_t keep);
    void takeStock();
    Individual restoreRule(checkpoint::Reader& in, const char* key) const;
};

}  // namespace gp
