#include "learner/evolution.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "learner/training_draw.h"
#include "learner/validation.h"

namespace gp {

namespace {

// How often a child that repeats a rule of its generation is made again.
constexpr int kFreshDraws = 10;

// Mixed into the run's seed for the stream of the sets that choose the rule.
constexpr std::uint64_t kChoiceStream = 0x63686f696365ull;

// A seed for a draw of sets, as `generator --seed` takes it.
std::uint32_t drawSeed(RandomStream& random) {
    return static_cast<std::uint32_t>(random.below(std::numeric_limits<int>::max()));
}

// Past this many remembered rules, or this many remembered values of theirs (lexicase selection
// keeps every set's value of each rule), the memory of measured rules starts afresh.
constexpr std::size_t kRememberedRules = 1000000;
constexpr std::size_t kRememberedValues = 64000000;

// The sets the children are preselected on: five, a tenth of a collection like the learning
// examples', which took a tenth of a child's time each.
constexpr int kPreselectionSets = 5;

// kPreselectionSets of `count` sets (all of them if there are no more), spread over the collection
// and each one place further than an even spread would put it, so that in sets that cycle through
// the combinations of their parameters (as the learning examples' due dates do, five ranges within
// five tightnesses) each tightness and each range is there once.
std::vector<int> preselectionSets(int count) {
    std::vector<int> sets;
    if (count <= kPreselectionSets) {
        for (int set = 0; set < count; ++set) sets.push_back(set);
        return sets;
    }
    const int stride = count / kPreselectionSets + 1;
    std::vector<bool> taken(static_cast<std::size_t>(count), false);
    for (int i = 0; i < kPreselectionSets; ++i) {
        int set = static_cast<int>((static_cast<long long>(i) * stride) % count);
        while (taken[static_cast<std::size_t>(set)]) set = (set + 1) % count;
        taken[static_cast<std::size_t>(set)] = true;
        sets.push_back(set);
    }
    return sets;
}

}  // namespace

Individual individualOf(rules::Tree tree) {
    const std::uint64_t hash = rules::hashOf(tree);
    return Individual{std::move(tree), hash, {}, {}, 0, 0};
}

std::vector<std::size_t> leastScored(const std::vector<double>& scores, std::size_t keep) {
    std::vector<std::size_t> order(scores.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto key = [&](std::size_t i) {
        return std::isnan(scores[i]) ? std::numeric_limits<double>::infinity() : scores[i];
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    order.resize(std::min(keep, order.size()));
    std::sort(order.begin(), order.end());
    return order;
}

bool better(const Individual& a, const Individual& b) {
    if (a.fitness != b.fitness) return a.fitness < b.fitness;
    return a.tree.size() < b.tree.size();
}

int tournament(const std::vector<Individual>& population, int size, RandomStream& random) {
    const int count = static_cast<int>(population.size());
    int winner = random.below(count);
    for (int i = 1; i < size; ++i) {
        const int rival = random.below(count);
        if (better(population[static_cast<std::size_t>(rival)], population[static_cast<std::size_t>(winner)]))
            winner = rival;
    }
    return winner;
}

Evolution::Evolution(const Collection& collection, const Settings& settings, std::vector<rules::Tree> seeds,
                     const Collection* validation)
    : settings_(settings),
      criterion_(criterionOf(settings, collection.environment)),
      column_(criterionColumn(criterion_, collection.environment)),
      primitives_(collection, operatorsIn(settings.functions), schemeOf(settings) == rules::Scheme::Iterated),
      random_(settings.seed),
      evaluator_(collection, settings.threads, schemeOf(settings)),
      seeds_(std::move(seeds)) {
    if (settings.selection == "lexicase") lexicase_.emplace();
    if (validation) {
        validation_ = std::make_unique<Validation>(*validation, settings, column_);
    } else if (*settings.resample) {
        const Collection* choosing = &collection;
        if (settings.choiceDraws > 0) {
            // A stream of their own, so that the evolution is the same whichever sets choose.
            RandomStream choices(settings.seed ^ kChoiceStream);
            std::vector<std::uint32_t> seeds;
            for (int draw = 0; draw < settings.choiceDraws; ++draw) seeds.push_back(drawSeed(choices));
            choosing_ = std::make_unique<Collection>(
                drawnLike(collection, collection.fileInFolder(settings.definition), seeds));
            choosing = choosing_.get();
        }
        validation_ = std::make_unique<Validation>(*choosing, settings, column_, &evaluator_);
    }
}

Evolution::~Evolution() = default;

void Evolution::start() {
    generation_ = 1;
    for (rules::Tree& tree : rampedHalfAndHalf(primitives_, random_, settings_.population.value(),
                                               settings_.initMinDepth, settings_.initMaxDepth))
        population_.push_back(individualOf(std::move(tree)));
    for (std::size_t i = 0; i < seeds_.size() && i < population_.size(); ++i)
        population_[i] = individualOf(std::move(seeds_[i]));
    seeds_.clear();
    measure();
    takeStock();
}

void Evolution::step() {
    ++generation_;
    population_ = offspring();
    if (*settings_.resample) drawTrainingSets();
    measure();
    takeStock();
}

// New sets for the generation, drawn with a seed from the run's stream, so that a seed gives the same
// sets on any number of threads and after a resume. Every individual is measured on them, the elite
// too: values on other sets do not compare.
void Evolution::drawTrainingSets() {
    drawnSeed_ = drawSeed(random_);
    takeDrawnSets();
    setsInHand_ = generation_;
    for (Individual& individual : population_) {
        individual.totals.clear();
        individual.cases.clear();
    }
}

void Evolution::takeDrawnSets() {
    const Collection& training = evaluator_.collection();
    hold(drawnLike(training, training.fileInFolder(settings_.definition), {drawnSeed_}), drawn_, drawnEvaluator_);
}

// The sets of one definition have its shapes, so the workers' workspaces stay bound to the one
// collection whose contents change from generation to generation.
void Evolution::hold(Collection sets, std::unique_ptr<Collection>& held,
                     std::unique_ptr<ParallelEvaluator>& evaluator) {
    if (held) {
        *held = std::move(sets);
        return;
    }
    held = std::make_unique<Collection>(std::move(sets));
    evaluator = std::make_unique<ParallelEvaluator>(*held, settings_.threads, schemeOf(settings_));
}

const Individual& Evolution::chosen() const { return validation_ ? validation_->chosen() : best_; }

GenerationSummary Evolution::summary() const {
    std::optional<double> validationTotal;
    if (validation_ && !validation_->reportsTrainingTotals()) validationTotal = validation_->total();
    return {generation_, chosen(), *generationBest_, meanFitness_, rulesMeasured_, validationTotal};
}

Outcome Evolution::run(std::span<RunObserver* const> observers) {
    for (int generation = generation_ + 1; generation <= *settings_.generations; ++generation) {
        if (generation == 1)
            start();
        else
            step();
        const GenerationSummary now = summary();
        for (RunObserver* observer : observers) observer->generationDone(now);
    }
    const Outcome result = outcome();
    for (RunObserver* observer : observers) observer->runDone(result);
    return result;
}

double Evolution::fitnessOf(const std::vector<double>& totals) const {
    const double value = totals[static_cast<std::size_t>(column_)];
    return std::isnan(value) ? std::numeric_limits<double>::infinity() : value;
}

// Measures the individuals that have no totals yet, each distinct rule once.
void Evolution::measure() {
    const std::size_t valuesPerRule = measuring().collection().sets() + 8;
    if (measured_.size() > kRememberedRules || (lexicase_ && measured_.size() * valuesPerRule > kRememberedValues)) {
        measured_.clear();
        unsaved_.clear();
        forgotten_ = true;
    }
    std::vector<const Individual*> pending;
    std::unordered_multimap<std::uint64_t, std::size_t> pendingIndex;
    const auto pendingTree = [&](std::size_t i) -> const rules::Tree& { return pending[i]->tree; };
    for (const Individual& individual : population_) {
        if (!individual.totals.empty()) continue;
        const Remembered* known = rules::findTree(measured_, individual.hash, individual.tree, treeOf);
        if ((known && known->sets == setsInHand_) ||
            rules::findTree(pendingIndex, individual.hash, individual.tree, pendingTree))
            continue;
        pendingIndex.emplace(individual.hash, pending.size());
        pending.push_back(&individual);
    }
    measureNew(pending);
    for (Individual& individual : population_) {
        if (!individual.totals.empty()) continue;
        const Remembered& remembered = *rules::findTree(measured_, individual.hash, individual.tree, treeOf);
        individual.totals = remembered.totals;
        individual.cases = remembered.cases;
        individual.fitness = fitnessOf(individual.totals);
        individual.generation = remembered.generation;
    }
}

void Evolution::measureNew(const std::vector<const Individual*>& pending) {
    std::vector<const rules::Tree*> trees;
    for (const Individual* individual : pending) trees.push_back(&individual->tree);
    std::vector<std::vector<double>> totals;
    std::vector<std::vector<double>> cases(pending.size());
    measuring().measure(trees, totals, lexicase_ ? &cases : nullptr, column_);
    for (std::size_t i = 0; i < pending.size(); ++i) {
        // A rule known from other sets keeps the generation that found it.
        if (Remembered* known = rules::findTree(measured_, pending[i]->hash, pending[i]->tree, treeOf)) {
            known->totals = std::move(totals[i]);
            known->cases = std::move(cases[i]);
            known->sets = setsInHand_;
            continue;
        }
        ++rulesMeasured_;
        const auto entry = measured_.emplace(pending[i]->hash, Remembered{pending[i]->tree, std::move(totals[i]),
                                                                          std::move(cases[i]), generation_, setsInHand_});
        unsaved_.push_back(&entry->second);
    }
}

// The next generation: the elite unchanged, then children of selected parents by crossover,
// mutation or reproduction in the shares the settings give. A child that repeats a rule already
// in the generation is made again, a few times, before it is let in: without that, copies of a
// few small rules (many rules rank the jobs alike) soon fill the population.
std::vector<Individual> Evolution::offspring() {
    const std::size_t size = static_cast<std::size_t>(settings_.population.value());
    std::vector<int> order(population_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return better(population_[static_cast<std::size_t>(a)], population_[static_cast<std::size_t>(b)]);
    });
    std::vector<Individual> next;
    next.reserve(size);
    std::unordered_multimap<std::uint64_t, std::size_t> present;  // index in next
    const auto isPresent = [&](const Individual& child) {
        return rules::findTree(present, child.hash, child.tree,
                               [&](std::size_t i) -> const rules::Tree& { return next[i].tree; }) != nullptr;
    };
    const auto admit = [&](Individual&& child) {
        present.emplace(child.hash, next.size());
        next.push_back(std::move(child));
    };
    if (lexicase_) {
        std::vector<const std::vector<double>*> cases;
        for (const Individual& individual : population_) cases.push_back(&individual.cases);
        lexicase_->prepare(cases);
    }
    for (int e = 0; e < settings_.elitism; ++e) admit(Individual(population_[static_cast<std::size_t>(order[e])]));
    const std::size_t elite = next.size();
    const std::size_t toMake = elite + (size - elite) * static_cast<std::size_t>(*settings_.preselect);
    while (next.size() < toMake) {
        std::vector<Individual> made;
        for (int draw = 0; draw < kFreshDraws; ++draw) {
            made = children();
            std::erase_if(made, isPresent);
            if (!made.empty()) break;
        }
        if (made.empty()) made = children();
        for (Individual& child : made)
            if (next.size() < toMake) admit(std::move(child));
    }
    if (toMake > size) {
        const auto firstChild = next.begin() + static_cast<std::ptrdiff_t>(elite);
        std::vector<Individual> candidates(std::make_move_iterator(firstChild), std::make_move_iterator(next.end()));
        next.erase(firstChild, next.end());
        for (Individual& child : preselected(std::move(candidates), size - elite)) next.push_back(std::move(child));
    }
    return next;
}

// The sets in hand's preselection sets, taken anew when the sets in hand are new.
ParallelEvaluator& Evolution::preselector() {
    if (preselectingSets_ != setsInHand_) {
        const Collection& inHand = measuring().collection();
        hold(setsOf(inHand, preselectionSets(inHand.sets())), preselecting_, preselector_);
        preselectingSets_ = setsInHand_;
    }
    return *preselector_;
}

// The `keep` children of least fitness on the preselection sets, in the order they were made.
std::vector<Individual> Evolution::preselected(std::vector<Individual> made, std::size_t keep) {
    std::vector<const rules::Tree*> trees;
    for (const Individual& child : made) trees.push_back(&child.tree);
    std::vector<std::vector<double>> totals;
    preselector().measure(trees, totals);
    std::vector<double> scores;
    for (const std::vector<double>& total : totals) scores.push_back(fitnessOf(total));
    std::vector<Individual> kept;
    for (const std::size_t i : leastScored(scores, keep)) kept.push_back(std::move(made[i]));
    return kept;
}

// One variation: two children of a crossover, one of a mutation, or one copy.
std::vector<Individual> Evolution::children() {
    const auto winner = [&]() -> const Individual& {
        const int chosen =
            lexicase_ ? lexicase_->select(random_) : tournament(population_, settings_.tournament, random_);
        return population_[static_cast<std::size_t>(chosen)];
    };
    const double draw = random_.unit() * (settings_.crossover + settings_.mutation + settings_.reproduction);
    std::vector<Individual> made;
    if (draw < settings_.crossover) {
        rules::Tree first = winner().tree;
        rules::Tree second = winner().tree;
        crossover(first, second, random_, *settings_.maxDepth);
        made.push_back(individualOf(std::move(first)));
        made.push_back(individualOf(std::move(second)));
    } else if (draw < settings_.crossover + settings_.mutation) {
        rules::Tree tree = winner().tree;
        mutate(tree, primitives_, random_, settings_.mutationDepth, *settings_.maxDepth);
        made.push_back(individualOf(std::move(tree)));
    } else {
        made.push_back(winner());
    }
    return made;
}

// The generation's best and mean fitness, and the best individual so far.
void Evolution::takeStock() {
    generationBest_ = &population_.front();
    double sum = 0;
    for (const Individual& individual : population_) {
        if (better(individual, *generationBest_)) generationBest_ = &individual;
        sum += individual.fitness;
    }
    if (best_.totals.empty() || better(*generationBest_, best_)) best_ = *generationBest_;
    meanFitness_ = sum / static_cast<double>(population_.size());
    if (validation_) validation_->consider(population_);
}

}  // namespace gp
