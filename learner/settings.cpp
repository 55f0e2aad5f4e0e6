#include "learner/settings.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "learner/rule_scheduling.h"
#include "learner/training_draw.h"

namespace gp {

namespace {

// Whether the name is one of the compared criteria, which every environment has.
bool isComparedCriterion(const std::string& name) {
    const int column = criterionColumn(name, Environment::Single);
    return column >= 0 && column < kComparedCriteria;
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

}  // namespace

rules::Scheme schemeOf(const Settings& settings) { return *rules::schemeNamed(settings.scheme); }

std::vector<rules::Primitive> operatorsIn(const std::string& list, std::string* unknown) {
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

std::string criterionOf(const Settings& settings, Environment environment) {
    if (!settings.criterion.empty()) return settings.criterion;
    return std::string(criteriaOf(environment)[static_cast<std::size_t>(headlineCriterion(environment))].name);
}

std::string ruleFileOf(const std::string& checkpoint) { return checkpoint + ".rules"; }

std::string criterionProblem(const std::string& criterion) {
    if (criterion.empty() || isComparedCriterion(criterion)) return "";
    return "--criterion must be Twt, Uwt, Fwt or Cmax (given: " + criterion + ").";
}

std::string settingsProblem(const Settings& s) {
    const auto outside = [](const char* option, double value, double low, double high) {
        char text[200];
        std::snprintf(text, sizeof text, "%s must be from %g to %g (given: %g).", option, low, high, value);
        return std::string(text);
    };
    constexpr int kLargestPopulation = 10000000;
    const int population = s.population.value_or(kLargestPopulation);  // left open: limits nothing yet
    if (population < 2 || population > kLargestPopulation)
        return outside("--population", population, 2, kLargestPopulation);
    const int generations = s.generations.value_or(1);  // left open: limits nothing yet
    if (generations < 1 || generations > 1000000) return outside("--generations", generations, 1, 1000000);
    if (s.tournament < 1 || s.tournament > population) return outside("--tournament", s.tournament, 1, population);
    if (s.elitism < 0 || s.elitism > population) return outside("--elitism", s.elitism, 0, population);
    for (const auto& [option, rate] : {std::pair{"--crossover", s.crossover}, std::pair{"--mutation", s.mutation},
                                       std::pair{"--reproduction", s.reproduction}})
        if (!(rate >= 0 && rate <= 1)) return outside(option, rate, 0, 1);
    if (!(s.crossover + s.mutation + s.reproduction > 0))
        return "--crossover, --mutation and --reproduction must not all be 0.";
    const int maxDepth = s.maxDepth.value_or(rules::kMaxDepth);
    if (maxDepth < 1 || maxDepth > rules::kMaxDepth) return outside("--max-depth", maxDepth, 1, rules::kMaxDepth);
    if (s.initMaxDepth < 1 || s.initMaxDepth > maxDepth)
        return outside("--init-max-depth", s.initMaxDepth, 1, maxDepth);
    if (s.initMinDepth < 1 || s.initMinDepth > s.initMaxDepth)
        return outside("--init-min-depth", s.initMinDepth, 1, s.initMaxDepth);
    if (s.mutationDepth < 1 || s.mutationDepth > maxDepth)
        return outside("--mutation-depth", s.mutationDepth, 1, maxDepth);
    std::string unknown;
    if (operatorsIn(s.functions, &unknown).empty() || !unknown.empty())
        return "--functions must list operators among + - * / neg max min pos exp, separated by commas (given: " +
               s.functions + ").";
    if (s.choiceDraws < 0 || s.choiceDraws > 100) return outside("--choice-draws", s.choiceDraws, 0, 100);
    const int preselect = s.preselect.value_or(1);  // left open: the environment's
    if (preselect < 1 || preselect > 10) return outside("--preselect", preselect, 1, 10);
    if (s.threads < 1 || s.threads > 1024) return outside("--threads", s.threads, 1, 1024);
    if (const std::string problem = criterionProblem(s.criterion); !problem.empty()) return problem;
    if (!s.scheme.empty() && !rules::schemeNamed(s.scheme))
        return "--scheme must be list, pair, active, bidirectional, justified, combined or iterated (given: " + s.scheme + ").";
    if (!s.selection.empty() && s.selection != "tournament" && s.selection != "lexicase")
        return "--selection must be tournament or lexicase (given: " + s.selection + ").";
    if (s.hallOfFame.empty() || s.log.empty() || sameFile(s.hallOfFame, s.log))
        return "--hof and --log must name two different files.";
    if (s.checkpointEvery < 1 || s.checkpointEvery > 1000000)
        return outside("--checkpoint-every", s.checkpointEvery, 1, 1000000);
    for (const std::string& ours : {s.checkpoint, ruleFileOf(s.checkpoint)})
        if (!s.checkpoint.empty() && (sameFile(ours, s.hallOfFame) || sameFile(ours, s.log)))
            return "--checkpoint and its rule file (its name with \".rules\" added) must be other files than --hof "
                   "and --log.";
    if (!s.resume.empty() && !sameFile(s.checkpoint, s.resume))
        return "--checkpoint and --resume must name the same file: a resumed run goes on checkpointing there.";
    return "";
}

int defaultPopulation(Environment environment) {
    return environment == Environment::JobShop || environment == Environment::Single ? 1000 : 500;
}

int defaultGenerations(Environment) { return 50; }
int defaultPreselect(Environment environment) { return environment == Environment::Single ? 3 : 1; }

int defaultMaxDepth(Environment environment) {
    return environment == Environment::Single || environment == Environment::Uniform ? 10 : 6;
}

std::string defaultSelection(Environment environment) {
    return environment == Environment::Single || environment == Environment::JobShop ? "lexicase" : "tournament";
}

std::string resolveFor(Settings& s, const Collection& training) {
    const Environment environment = training.environment;
    const std::string problem = rules::schemeProblem(s.scheme, environment);
    if (!problem.empty()) return problem;
    const std::string undrawable = drawProblem(training);
    if (s.resample.value_or(false) && !undrawable.empty()) return "--resample: " + undrawable + ".";
    if (!s.resample) s.resample = undrawable.empty();
    if (s.scheme.empty()) s.scheme = rules::nameOf(rules::defaultScheme(environment, criterionOf(s, environment)));
    if (s.selection.empty()) s.selection = defaultSelection(environment);
    if (!s.population) s.population = defaultPopulation(environment);
    if (!s.generations) s.generations = defaultGenerations(environment);
    if (!s.preselect) s.preselect = defaultPreselect(environment);
    if (!s.maxDepth) s.maxDepth = defaultMaxDepth(environment);
    return settingsProblem(s);
}

}  // namespace gp
