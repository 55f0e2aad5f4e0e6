#include "learner/evolution.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <numeric>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "core/fatal.h"
#include "learner/parallel_evaluator.h"
#include "learner/rule_scheduling.h"
#include "learner/rule_xml.h"
#include "learner/variation.h"

namespace gp {

namespace {

constexpr const char* kCriteria[] = {"Twt", "Uwt", "Fwt", "Cmax"};

// How often a child that repeats a rule of its generation is made again.
constexpr int kFreshDraws = 10;

// Past this many remembered rules the memory of measured rules starts afresh.
constexpr std::size_t kRememberedRules = 1000000;

// The operators named in a comma-separated list; an unknown name is left out.
std::vector<rules::Primitive> operatorsIn(const std::string& list, std::string* unknown = nullptr) {
    std::vector<rules::Primitive> found;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, end - start);
        bool known = false;
        for (const rules::OperatorName& o : rules::operatorNames()) {
            if (o.name != name) continue;
            if (std::find(found.begin(), found.end(), o.primitive) == found.end()) found.push_back(o.primitive);
            known = true;
        }
        if (!known && unknown && unknown->empty()) *unknown = name;
        start = end + 1;
    }
    return found;
}

std::string totalsText(const std::vector<double>& totals, int environment, const char* separator) {
    const std::vector<std::string_view>& names = rules::criterionNames(environment);
    std::string text;
    char value[32];
    for (std::size_t c = 0; c < names.size() && c < totals.size(); ++c) {
        std::snprintf(value, sizeof value, "%g", totals[c]);
        if (c > 0) text += separator;
        text += std::string(names[c]) + " " + value;
    }
    return text;
}

// Opens both output files, emptied, or neither: when one cannot be written, the other is left as
// it was (an earlier run's hall of fame, say) and a file made only to try it is removed again.
std::pair<std::FILE*, std::FILE*> openOutputFiles(const std::string& hallOfFame, const std::string& log) {
    const bool hallOfFameExisted = std::filesystem::exists(hallOfFame);
    std::FILE* first = std::fopen(hallOfFame.c_str(), "a");
    if (!first) fatalError("The hall-of-fame file \"" + hallOfFame + "\" cannot be written.");
    std::FILE* second = std::fopen(log.c_str(), "a");
    if (!second) {
        std::fclose(first);
        if (!hallOfFameExisted) std::filesystem::remove(hallOfFame);
        fatalError("The log file \"" + log + "\" cannot be written.");
    }
    // Both can be written: start them afresh.
    first = std::freopen(nullptr, "w", first);
    second = std::freopen(nullptr, "w", second);
    if (!first || !second) fatalError("The hall-of-fame file or the log file cannot be emptied.");
    return {first, second};
}

// Whether two names, however spelled, lead to the same file.
bool sameFile(const std::string& a, const std::string& b) {
    const auto resolved = [](const std::string& name) {
        std::error_code error;
        const std::filesystem::path path = std::filesystem::weakly_canonical(std::filesystem::absolute(name), error);
        return error ? std::filesystem::path(name) : path;
    };
    return resolved(a) == resolved(b);
}

class Run {
public:
    Run(const Scheduler& collection, const Settings& settings)
        : settings_(settings),
          environment_(collection.environment),
          sets_(collection.jobCount.rows),
          criterion_(criterionOf(settings, environment_)),
          column_(rules::criterionColumn(criterion_, environment_)),
          primitives_(collection, operatorsIn(settings.functions)),
          random_(settings.seed),
          evaluator_(collection, settings.threads) {}

    Outcome run() {
        const auto start = std::chrono::steady_clock::now();
        openOutputs();
        if (settings_.showProgress)
            std::printf("Evolving rules for %s on %d sets: population %d, %d generations, seed %llu, %d thread(s)\n",
                        criterion_.c_str(), sets_, settings_.population, settings_.generations,
                        static_cast<unsigned long long>(settings_.seed), evaluator_.threads());
        std::vector<Individual> population;
        for (rules::Tree& tree : rampedHalfAndHalf(primitives_, random_, settings_.population, settings_.initMinDepth,
                                                   settings_.initMaxDepth))
            population.push_back(Individual{std::move(tree), {}, 0, 0});
        for (int generation = 1; generation <= settings_.generations; ++generation) {
            if (generation > 1) population = offspringOf(population);
            measure(population, generation);
            record(population, generation, start);
        }
        std::fclose(hallOfFame_);
        std::fclose(log_);
        if (settings_.showProgress) report();
        return Outcome{best_, rulesMeasured_, evaluator_.candidatesRated()};
    }

private:
    struct Remembered {
        std::vector<double> totals;
        int generation;
    };

    const Settings& settings_;
    const int environment_;
    const int sets_;
    const std::string criterion_;
    const int column_;
    const PrimitiveSet primitives_;
    RandomStream random_;
    ParallelEvaluator evaluator_;
    std::unordered_map<std::string, Remembered> measured_;  // rules measured so far, by their nodes
    std::size_t rulesMeasured_ = 0;
    Individual best_;
    std::FILE* hallOfFame_ = nullptr;
    std::FILE* log_ = nullptr;

    // As the user named it: with --collection, the definition's place in that folder.
    std::string definitionPath() const {
        if (settings_.collection.empty()) return settings_.definition;
        return (std::filesystem::path(settings_.collection) / settings_.definition).string();
    }

    void openOutputs() {
        std::tie(hallOfFame_, log_) = openOutputFiles(settings_.hallOfFame, settings_.log);
        std::fprintf(hallOfFame_,
                     "# learner: best rule so far after each generation; %s on %d sets of %s, population %d, "
                     "%d generations, seed %llu\n",
                     criterion_.c_str(), sets_, definitionPath().c_str(), settings_.population,
                     settings_.generations, static_cast<unsigned long long>(settings_.seed));
        std::fprintf(log_, "%s\n", learning_log::kHeader);
    }

    double fitnessOf(const std::vector<double>& totals) const {
        const double value = totals[static_cast<std::size_t>(column_)];
        return std::isnan(value) ? std::numeric_limits<double>::infinity() : value;
    }

    // Measures the individuals that have no totals yet, each distinct rule once.
    void measure(std::vector<Individual>& population, int generation) {
        if (measured_.size() > kRememberedRules) measured_.clear();
        std::vector<const rules::Tree*> pending;
        std::vector<std::string> pendingKeys;
        std::unordered_map<std::string, std::size_t> pendingIndex;
        for (Individual& individual : population) {
            if (!individual.totals.empty()) continue;
            std::string key = rules::keyOf(individual.tree);
            if (measured_.count(key) || pendingIndex.count(key)) continue;
            pendingIndex.emplace(key, pending.size());
            pending.push_back(&individual.tree);
            pendingKeys.push_back(std::move(key));
        }
        std::vector<std::vector<double>> totals;
        evaluator_.measure(pending, totals);
        rulesMeasured_ += pending.size();
        for (std::size_t i = 0; i < pending.size(); ++i)
            measured_.emplace(std::move(pendingKeys[i]), Remembered{std::move(totals[i]), generation});
        for (Individual& individual : population) {
            if (!individual.totals.empty()) continue;
            const Remembered& remembered = measured_.at(rules::keyOf(individual.tree));
            individual.totals = remembered.totals;
            individual.fitness = fitnessOf(individual.totals);
            individual.generation = remembered.generation;
        }
    }

    // The next generation: the elite unchanged, then children of tournament winners by crossover,
    // mutation or reproduction in the shares the settings give. A child that repeats a rule already
    // in the generation is made again, a few times, before it is let in: without that, copies of a
    // few small rules (many rules rank the jobs alike) soon fill the population.
    std::vector<Individual> offspringOf(const std::vector<Individual>& population) {
        const std::size_t size = static_cast<std::size_t>(settings_.population);
        std::vector<int> order(population.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return better(population[static_cast<std::size_t>(a)], population[static_cast<std::size_t>(b)]);
        });
        std::vector<Individual> next;
        next.reserve(size);
        std::unordered_set<std::string> present;
        const auto admit = [&](Individual&& child) {
            present.insert(rules::keyOf(child.tree));
            next.push_back(std::move(child));
        };
        for (int e = 0; e < settings_.elitism; ++e) admit(Individual(population[static_cast<std::size_t>(order[e])]));
        while (next.size() < size) {
            std::vector<Individual> children;
            for (int draw = 0; draw < kFreshDraws; ++draw) {
                children = childrenOf(population);
                std::erase_if(children, [&](const Individual& c) { return present.count(rules::keyOf(c.tree)) > 0; });
                if (!children.empty()) break;
            }
            if (children.empty()) children = childrenOf(population);
            for (Individual& child : children)
                if (next.size() < size) admit(std::move(child));
        }
        return next;
    }

    // One variation: two children of a crossover, one of a mutation, or one copy.
    std::vector<Individual> childrenOf(const std::vector<Individual>& population) {
        const auto winner = [&]() -> const Individual& {
            return population[static_cast<std::size_t>(tournament(population, settings_.tournament, random_))];
        };
        const auto unmeasured = [](rules::Tree&& tree) { return Individual{std::move(tree), {}, 0, 0}; };
        const double draw = random_.unit() * (settings_.crossover + settings_.mutation + settings_.reproduction);
        std::vector<Individual> children;
        if (draw < settings_.crossover) {
            rules::Tree first = winner().tree;
            rules::Tree second = winner().tree;
            crossover(first, second, random_, settings_.maxDepth);
            children.push_back(unmeasured(std::move(first)));
            children.push_back(unmeasured(std::move(second)));
        } else if (draw < settings_.crossover + settings_.mutation) {
            rules::Tree tree = winner().tree;
            mutate(tree, primitives_, random_, settings_.mutationDepth, settings_.maxDepth);
            children.push_back(unmeasured(std::move(tree)));
        } else {
            children.push_back(winner());
        }
        return children;
    }

    void record(const std::vector<Individual>& population, int generation,
                std::chrono::steady_clock::time_point start) {
        const Individual* generationBest = &population.front();
        double sum = 0;
        for (const Individual& individual : population) {
            if (better(individual, *generationBest)) generationBest = &individual;
            sum += individual.fitness;
        }
        if (best_.totals.empty() || better(*generationBest, best_)) best_ = *generationBest;
        const double mean = sum / static_cast<double>(population.size());
        writeHallOfFame(generation);
        std::fprintf(log_, "%d,%.10g,%.10g,%d,%d,%zu\n", generation, generationBest->fitness, mean,
                     generationBest->tree.size(), generationBest->tree.depth(), rulesMeasured_);
        std::fflush(log_);

        if (!settings_.showProgress) return;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double left = elapsed / generation * (settings_.generations - generation);
        std::printf("Generation %d/%d: best %g, mean %g, size %d, %.1f s, about %.0f s left\n", generation,
                    settings_.generations, best_.fitness, mean, best_.tree.size(), elapsed, left);
        std::fflush(stdout);
    }

    // The marker, then six lines: pomocni copies the sixth, the rule in its XML form.
    void writeHallOfFame(int generation) {
        std::fprintf(hallOfFame_, "-- Generacija: %d\n", generation);
        std::fprintf(hallOfFame_, "fitness %g (%s total over %d sets)\n", best_.fitness, criterion_.c_str(), sets_);
        std::fprintf(hallOfFame_, "size %d, depth %d\n", best_.tree.size(), best_.tree.depth());
        std::fprintf(hallOfFame_, "rule %s\n", rules::toInfix(best_.tree, environment_).c_str());
        std::fprintf(hallOfFame_, "totals %s\n", totalsText(best_.totals, environment_, ", ").c_str());
        std::fprintf(hallOfFame_, "found in generation %d\n", best_.generation);
        std::fprintf(hallOfFame_, "%s\n", rules::toXml(best_.tree, environment_).c_str());
        std::fflush(hallOfFame_);
    }

    void report() const {
        std::printf("Best rule (found in generation %d): %s\n", best_.generation,
                    rules::toInfix(best_.tree, environment_).c_str());
        const std::vector<std::string_view>& names = rules::criterionNames(environment_);
        for (std::size_t c = 0; c < names.size(); ++c)
            std::printf("%.*s: %g\n", static_cast<int>(names[c].size()), names[c].data(), best_.totals[c]);
        std::printf("Hall of fame: %s; log: %s; %zu rules measured, %llu candidates rated\n",
                    settings_.hallOfFame.c_str(), settings_.log.c_str(), rulesMeasured_,
                    static_cast<unsigned long long>(evaluator_.candidatesRated()));
    }
};

}  // namespace

std::string settingsProblem(const Settings& s) {
    const auto outside = [](const char* option, double value, double low, double high) {
        char text[200];
        std::snprintf(text, sizeof text, "%s must be from %g to %g (given: %g).", option, low, high, value);
        return std::string(text);
    };
    if (s.population < 2 || s.population > 10000000) return outside("--population", s.population, 2, 10000000);
    if (s.generations < 1 || s.generations > 1000000) return outside("--generations", s.generations, 1, 1000000);
    if (s.tournament < 1 || s.tournament > s.population) return outside("--tournament", s.tournament, 1, s.population);
    if (s.elitism < 0 || s.elitism > s.population) return outside("--elitism", s.elitism, 0, s.population);
    for (const auto& [option, rate] : {std::pair{"--crossover", s.crossover}, std::pair{"--mutation", s.mutation},
                                       std::pair{"--reproduction", s.reproduction}})
        if (!(rate >= 0 && rate <= 1)) return outside(option, rate, 0, 1);
    if (!(s.crossover + s.mutation + s.reproduction > 0))
        return "--crossover, --mutation and --reproduction must not all be 0.";
    if (s.maxDepth < 1 || s.maxDepth > rules::kMaxDepth) return outside("--max-depth", s.maxDepth, 1, rules::kMaxDepth);
    if (s.initMaxDepth < 1 || s.initMaxDepth > s.maxDepth)
        return outside("--init-max-depth", s.initMaxDepth, 1, s.maxDepth);
    if (s.initMinDepth < 1 || s.initMinDepth > s.initMaxDepth)
        return outside("--init-min-depth", s.initMinDepth, 1, s.initMaxDepth);
    if (s.mutationDepth < 1 || s.mutationDepth > s.maxDepth)
        return outside("--mutation-depth", s.mutationDepth, 1, s.maxDepth);
    std::string unknown;
    if (operatorsIn(s.functions, &unknown).empty() || !unknown.empty())
        return "--functions must list operators among + - * / neg max min pos exp, separated by commas (given: " +
               s.functions + ").";
    if (s.threads < 1 || s.threads > 1024) return outside("--threads", s.threads, 1, 1024);
    if (!s.criterion.empty() &&
        std::find(std::begin(kCriteria), std::end(kCriteria), s.criterion) == std::end(kCriteria))
        return "--criterion must be Twt, Uwt, Fwt or Cmax (given: " + s.criterion + ").";
    if (s.hallOfFame.empty() || s.log.empty() || sameFile(s.hallOfFame, s.log))
        return "--hof and --log must name two different files.";
    return "";
}

std::string criterionOf(const Settings& settings, int environment) {
    if (!settings.criterion.empty()) return settings.criterion;
    return environment == JobShop ? "Cmax" : "Twt";
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

Outcome evolve(const Scheduler& collection, const Settings& settings) { return Run(collection, settings).run(); }

}  // namespace gp
