#include "learner/evolution.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "learner/checkpoint_format.h"

namespace gp {

namespace {

// How often a child that repeats a rule of its generation is made again.
constexpr int kFreshDraws = 10;

// Past this many remembered rules the memory of measured rules starts afresh.
constexpr std::size_t kRememberedRules = 1000000;

}  // namespace

Individual individualOf(rules::Tree tree) {
    const std::uint64_t hash = rules::hashOf(tree);
    return Individual{std::move(tree), hash, {}, 0, 0};
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

Evolution::Evolution(const Collection& collection, const Settings& settings)
    : settings_(settings),
      criterion_(criterionOf(settings, collection.environment)),
      column_(criterionColumn(criterion_, collection.environment)),
      primitives_(collection, operatorsIn(settings.functions)),
      random_(settings.seed),
      evaluator_(collection, settings.threads) {}

void Evolution::start() {
    generation_ = 1;
    for (rules::Tree& tree : rampedHalfAndHalf(primitives_, random_, settings_.population, settings_.initMinDepth,
                                               settings_.initMaxDepth))
        population_.push_back(individualOf(std::move(tree)));
    measure();
    takeStock();
}

void Evolution::step() {
    ++generation_;
    population_ = offspring();
    measure();
    takeStock();
}

GenerationSummary Evolution::summary() const {
    return {generation_, best_, *generationBest_, meanFitness_, rulesMeasured_};
}

Outcome Evolution::run(std::span<RunObserver* const> observers) {
    for (int generation = generation_ + 1; generation <= settings_.generations; ++generation) {
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
    if (measured_.size() > kRememberedRules) measured_.clear();
    const auto rememberedTree = [](const Remembered& r) -> const rules::Tree& { return r.tree; };
    std::vector<const Individual*> pending;
    std::unordered_multimap<std::uint64_t, std::size_t> pendingIndex;
    const auto pendingTree = [&](std::size_t i) -> const rules::Tree& { return pending[i]->tree; };
    for (const Individual& individual : population_) {
        if (!individual.totals.empty()) continue;
        if (rules::findTree(measured_, individual.hash, individual.tree, rememberedTree) ||
            rules::findTree(pendingIndex, individual.hash, individual.tree, pendingTree))
            continue;
        pendingIndex.emplace(individual.hash, pending.size());
        pending.push_back(&individual);
    }
    measureNew(pending);
    for (Individual& individual : population_) {
        if (!individual.totals.empty()) continue;
        const Remembered& remembered = *rules::findTree(measured_, individual.hash, individual.tree, rememberedTree);
        individual.totals = remembered.totals;
        individual.fitness = fitnessOf(individual.totals);
        individual.generation = remembered.generation;
    }
}

void Evolution::measureNew(const std::vector<const Individual*>& pending) {
    std::vector<const rules::Tree*> trees;
    for (const Individual* individual : pending) trees.push_back(&individual->tree);
    std::vector<std::vector<double>> totals;
    evaluator_.measure(trees, totals);
    rulesMeasured_ += pending.size();
    for (std::size_t i = 0; i < pending.size(); ++i)
        measured_.emplace(pending[i]->hash, Remembered{pending[i]->tree, std::move(totals[i]), generation_});
}

// The next generation: the elite unchanged, then children of tournament winners by crossover,
// mutation or reproduction in the shares the settings give. A child that repeats a rule already
// in the generation is made again, a few times, before it is let in: without that, copies of a
// few small rules (many rules rank the jobs alike) soon fill the population.
std::vector<Individual> Evolution::offspring() {
    const std::size_t size = static_cast<std::size_t>(settings_.population);
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
    for (int e = 0; e < settings_.elitism; ++e) admit(Individual(population_[static_cast<std::size_t>(order[e])]));
    while (next.size() < size) {
        std::vector<Individual> made;
        for (int draw = 0; draw < kFreshDraws; ++draw) {
            made = children();
            std::erase_if(made, isPresent);
            if (!made.empty()) break;
        }
        if (made.empty()) made = children();
        for (Individual& child : made)
            if (next.size() < size) admit(std::move(child));
    }
    return next;
}

// One variation: two children of a crossover, one of a mutation, or one copy.
std::vector<Individual> Evolution::children() {
    const auto winner = [&]() -> const Individual& {
        return population_[static_cast<std::size_t>(tournament(population_, settings_.tournament, random_))];
    };
    const double draw = random_.unit() * (settings_.crossover + settings_.mutation + settings_.reproduction);
    std::vector<Individual> made;
    if (draw < settings_.crossover) {
        rules::Tree first = winner().tree;
        rules::Tree second = winner().tree;
        crossover(first, second, random_, settings_.maxDepth);
        made.push_back(individualOf(std::move(first)));
        made.push_back(individualOf(std::move(second)));
    } else if (draw < settings_.crossover + settings_.mutation) {
        rules::Tree tree = winner().tree;
        mutate(tree, primitives_, random_, settings_.mutationDepth, settings_.maxDepth);
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
}

void Evolution::saveRule(checkpoint::Writer& out, const char* key, const rules::Tree& tree,
                         const std::vector<double>& totals, int generation) const {
    out.item(key);
    out.number(static_cast<std::uint64_t>(generation));
    out.reals(totals);
    out.tree(tree);
}

// A measured rule: its totals, which every environment has as many of as it has criteria.
Individual Evolution::restoreRule(checkpoint::Reader& in, const char* key) const {
    in.item(key);
    const int generation = in.count(generation_);
    std::vector<double> totals = in.reals();
    if (totals.size() != criteriaOf(evaluator_.collection().environment).size())
        in.fail("a rule's totals are not one per criterion.");
    Individual individual = individualOf(in.tree());
    in.done();
    individual.totals = std::move(totals);
    individual.fitness = fitnessOf(individual.totals);
    individual.generation = generation;
    return individual;
}

// The memory of measured rules is kept whole: what it holds decides which rules are measured (and
// counted) again and the generation a rule is said to be found in.
void Evolution::save(checkpoint::Writer& out) const {
    out.item("generation");
    out.number(static_cast<std::uint64_t>(generation_));
    out.item("random");
    out.word(random_.state());
    out.item("measured");
    out.number(rulesMeasured_);
    out.number(outcome().candidatesRated);
    saveRule(out, "best", best_.tree, best_.totals, best_.generation);
    out.item("population");
    out.number(population_.size());
    for (const Individual& i : population_) saveRule(out, "individual", i.tree, i.totals, i.generation);
    out.item("remembered");
    out.number(measured_.size());
    for (const auto& [hash, r] : measured_) saveRule(out, "rule", r.tree, r.totals, r.generation);
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
    in.item("population");
    population_.resize(static_cast<std::size_t>(in.count(settings_.population)));
    in.done();
    if (population_.size() != static_cast<std::size_t>(settings_.population)) in.fail("the population is not whole.");
    for (Individual& individual : population_) individual = restoreRule(in, "individual");
    in.item("remembered");
    const int remembered = in.count(static_cast<int>(kRememberedRules) + settings_.population);
    in.done();
    measured_.clear();
    for (int i = 0; i < remembered; ++i) {
        Individual rule = restoreRule(in, "rule");
        measured_.emplace(rule.hash, Remembered{std::move(rule.tree), std::move(rule.totals), rule.generation});
    }
}

}  // namespace gp
