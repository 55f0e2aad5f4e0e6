#include "experiment/measurement.h"

#include <optional>

#include "core/fatal.h"
#include "core/names.h"
#include "fitness/collection.h"
#include "fitness/run_sequence.h"
#include "fitness/workspace.h"
#include "learner/rule_scheduling.h"
#include "learner/rule_xml.h"
#include "learner/seed_rules.h"

namespace experiment {

namespace {

// The evaluator's line naming the environment would only repeat itself for every collection.
Collection load(const std::string& folder) {
    return loadCollection(gp::Settings().definition, folder, EnvironmentLine::Silent);
}

std::vector<double> columnOf(const Matrix& results, int column) {
    std::vector<double> values;
    for (int set = 0; set + 1 < results.rows; ++set) values.push_back(results.get(set, column));
    return values;
}

// Every criterion of the rule's schedules on the collection, a row per set and the totals last.
Matrix criteriaOn(const Collection& collection, const rules::Tree& tree, rules::Scheme scheme) {
    Workspace work(collection);
    rules::CompiledRule rule(tree, collection.environment);
    return rules::criteriaOfRule(work, rule, scheme);
}

std::string named(const char* role, const std::string& folder, Environment environment) {
    return std::string(role) + " \"" + folder + "\" " + std::string(namesOf(environment).keyword);
}

}  // namespace

struct Measurement::Loaded {
    Collection training;
    std::optional<Collection> validation;
    Collection test;
    std::string headline;
    std::vector<std::string> criteria;
    int column = 0;
    rules::Scheme scheme = rules::Scheme::List;
    std::vector<report::Baseline> baselines;

    Loaded(const Folders& folders, const gp::Settings& learner);
    void requireOneEnvironment(const Folders& folders) const;
    void measureBaselines();
};

Measurement::Loaded::Loaded(const Folders& folders, const gp::Settings& learner)
    : training(load(folders.training)),
      validation(folders.validation.empty() ? std::nullopt : std::optional(load(folders.validation))),
      test(load(folders.test)) {
    requireOneEnvironment(folders);
    gp::Settings settings = learner;
    const std::string problem = gp::resolveFor(settings, training);
    if (!problem.empty()) fatalError("experiment: learner options: " + problem);
    gp::seedTrees(settings, training.environment);
    scheme = *rules::schemeNamed(settings.scheme);
    headline = gp::criterionOf(settings, training.environment);
    for (const CriterionName& name : criteriaOf(training.environment)) criteria.emplace_back(name.name);
    column = criterionColumn(headline, training.environment);
    measureBaselines();
}

void Measurement::Loaded::requireOneEnvironment(const Folders& folders) const {
    const Environment environment = training.environment;
    if (test.environment == environment && (!validation || validation->environment == environment)) return;
    std::string text = "experiment: the collections are of different environments: " +
                       named("training", folders.training, environment);
    if (validation) text += ", " + named("validation", folders.validation, validation->environment);
    fatalError(text + ", " + named("test", folders.test, test.environment) + ".");
}

void Measurement::Loaded::measureBaselines() {
    Workspace work(test);
    forEachHeuristic(work, [&](const Heuristic& heuristic, const Matrix&, const Matrix& results, double) {
        baselines.push_back({heuristic.name, rules::criterionTotal(results, column), columnOf(results, column)});
    });
}

Measurement::Measurement(const Folders& folders, const gp::Settings& learner)
    : loaded_(std::make_unique<const Loaded>(folders, learner)) {}

Measurement::~Measurement() = default;

const std::string& Measurement::headline() const { return loaded_->headline; }
const std::vector<std::string>& Measurement::criteria() const { return loaded_->criteria; }
int Measurement::headlineColumn() const { return loaded_->column; }
int Measurement::testSets() const { return loaded_->test.sets(); }
const std::vector<report::Baseline>& Measurement::baselines() const { return loaded_->baselines; }

bool Measurement::measureRule(const std::string& individual, RuleMeasure& measure, std::string& error) const {
    const Loaded& l = *loaded_;
    const Environment environment = l.training.environment;
    rules::Tree tree;
    try {
        tree = rules::fromXml(individual, environment);
    } catch (const rules::RuleError& refused) {
        error = refused.what();
        return false;
    }
    measure.infix = rules::toInfix(tree, environment);
    measure.size = tree.size();
    measure.depth = tree.depth();
    measure.training = rules::criterionTotal(criteriaOn(l.training, tree, l.scheme), l.column);
    if (l.validation) measure.validation = rules::criterionTotal(criteriaOn(*l.validation, tree, l.scheme), l.column);
    const Matrix test = criteriaOn(l.test, tree, l.scheme);
    measure.test.clear();
    for (std::size_t c = 0; c < l.criteria.size(); ++c)
        measure.test.push_back(rules::criterionTotal(test, static_cast<int>(c)));
    measure.testSets = columnOf(test, l.column);
    return true;
}

}  // namespace experiment
