#pragma once

// Everything the experiment asks of the evaluator and of the learner's scheduling code, kept in
// this one unit: loading the collections, measuring a run's final rule on them, and measuring the
// classical heuristics of the environment on the test collection through the evaluator's own run
// tables. Nothing else in experiment/ calls into fitness/ or the learner's scheduling.
#include <memory>
#include <string>
#include <vector>

#include "learner/settings.h"
#include "report/experiment_files.h"

namespace experiment {

struct Folders {
    std::string training, test, validation;  // validation empty: none
};

struct RuleMeasure {
    std::string infix;
    int size = 0, depth = 0;
    double training = 0, validation = 0;  // the headline totals
    std::vector<double> test;             // every criterion's total
    std::vector<double> testSets;         // the headline per set
};

class Measurement {
public:
    // Loads the collections, each with the evaluator's checks (a fault ends the program with the
    // evaluator's message, which names the collection's file in its folder), and ends the program
    // with a message when they are not all of one environment. Then measures the classical
    // heuristics on the test collection, so that a collection they cannot be measured on is refused
    // before any run, as are learner options that do not fit the environment (a scheme) and a seed
    // file the learner could not read. `learner` holds the runs' learner options; the measurement
    // follows their criterion and scheme.
    Measurement(const Folders& folders, const gp::Settings& learner);
    ~Measurement();
    Measurement(const Measurement&) = delete;
    Measurement& operator=(const Measurement&) = delete;

    const std::string& headline() const;
    const std::vector<std::string>& criteria() const;
    int headlineColumn() const;
    int testSets() const;

    // The rule of a hall-of-fame individual (its one-line XML form) scheduled and measured on the
    // collections; false, with the reason in `error`, when it is not a rule of the environment.
    bool measureRule(const std::string& individual, RuleMeasure& measure, std::string& error) const;

    // The classical heuristics of the environment on the test collection, in the evaluator's order.
    const std::vector<report::Baseline>& baselines() const;

private:
    struct Loaded;
    std::unique_ptr<const Loaded> loaded_;
};

}  // namespace experiment
