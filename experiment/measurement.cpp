#include "experiment/measurement.h"

#include <optional>

#include "core/fatal.h"
#include "fitness/run_sequence.h"
#include "learner/collection.h"
#include "learner/evolution.h"
#include "learner/rule_scheduling.h"
#include "learner/rule_xml.h"
#include "platform/platform.h"

namespace experiment {

namespace {

// As the definition file names the environment.
const char* const kEnvironmentKeys[] = {"single", "uniform", "unrelated", "jobshop"};

Scheduler load(const std::string& folder) {
    // The evaluator's line naming the environment would only repeat itself for every collection.
    const platform::QuietStandardOutput quiet;
    return rules::loadCollection(gp::Settings().definition, folder);
}

// The rule's headline total on a collection, after which `s.results` holds all its figures.
double scheduleOn(Scheduler& s, const rules::Tree& tree, int column) {
    rules::CompiledRule rule(tree, s.environment);
    rules::scheduleWithRule(s, rule);
    return rules::criterionTotal(s, column);
}

std::vector<double> columnOf(const Matrix& results, int column) {
    std::vector<double> values;
    for (int set = 0; set + 1 < results.rows; ++set) values.push_back(results.get(set, column));
    return values;
}

}  // namespace

struct Measurement::Loaded {
    Folders folders;
    Scheduler training, test;
    std::optional<Scheduler> validation;
    std::string headline;
    std::vector<std::string> criteria;
    int column = 0;
};

Measurement::Measurement(const Folders& folders, const std::string& criterion) : loaded_(new Loaded) {
    Loaded& l = *loaded_;
    l.folders = folders;
    l.training = load(folders.training);
    if (!folders.validation.empty()) l.validation = load(folders.validation);
    l.test = load(folders.test);
    const auto differs = [&](const Scheduler& s) { return s.environment != l.training.environment; };
    if (differs(l.test) || (l.validation && differs(*l.validation))) {
        std::string text = "experiment: the collections are of different environments: training \"" +
                           folders.training + "\" " + kEnvironmentKeys[l.training.environment];
        if (l.validation)
            text += ", validation \"" + folders.validation + "\" " + kEnvironmentKeys[l.validation->environment];
        fatalError(text + ", test \"" + folders.test + "\" " + kEnvironmentKeys[l.test.environment] + ".");
    }
    gp::Settings settings;
    settings.criterion = criterion;
    l.headline = gp::criterionOf(settings, l.training.environment);
    for (const std::string_view name : rules::criterionNames(l.training.environment)) l.criteria.emplace_back(name);
    l.column = rules::criterionColumn(l.headline, l.training.environment);
}

Measurement::~Measurement() = default;

const std::string& Measurement::headline() const { return loaded_->headline; }
const std::vector<std::string>& Measurement::criteria() const { return loaded_->criteria; }
int Measurement::headlineColumn() const { return loaded_->column; }
int Measurement::testSets() const { return loaded_->test.jobCount.rows; }

bool Measurement::measureRule(const std::string& individual, RuleMeasure& measure, std::string& error) {
    Loaded& l = *loaded_;
    const int environment = l.training.environment;
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
    measure.training = scheduleOn(l.training, tree, l.column);
    if (l.validation) measure.validation = scheduleOn(*l.validation, tree, l.column);
    scheduleOn(l.test, tree, l.column);
    measure.test.clear();
    for (std::size_t c = 0; c < l.criteria.size(); ++c)
        measure.test.push_back(rules::criterionTotal(l.test, static_cast<int>(c)));
    measure.testSets = columnOf(l.test.results, l.column);
    return true;
}

std::vector<report::Baseline> Measurement::measureBaselines() {
    // Some heuristics read their schedules from the collection's folder (Sidney's sequences).
    const rules::InCollectionFolder inside(loaded_->folders.test);
    Scheduler s = loaded_->test;
    std::vector<report::Baseline> baselines;
    for (const Heuristic& heuristic : runSequenceOf(s.environment).heuristics) {
        if (!heuristic.applies(s)) continue;
        heuristic.makeSchedules(s);
        s.evaluateCriteria();
        baselines.push_back(
            {heuristic.name, s.results.get(s.results.rows - 1, loaded_->column), columnOf(s.results, loaded_->column)});
    }
    return baselines;
}

}  // namespace experiment
