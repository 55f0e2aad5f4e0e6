#include "report/evaluation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string>

#include "core/fatal.h"
#include "fitness/run_sequence.h"

namespace report {

namespace {

SetView viewOf(const Scheduler& s, int set) {
    SetView view;
    view.set = set;
    view.jobs = s.jobsIn(set);
    view.machines = s.environment == Single ? 1 : s.machinesIn(set);
    view.operationsPerJob = s.environment == JobShop ? view.machines : 1;
    view.hasReleaseTimes = s.hasReleaseTimes;
    for (int j = 0; j < view.jobs; ++j) {
        view.release.push_back(s.releaseTimes.get(set, j));
        // The single-machine criteria compare whole numbers.
        const double due = s.dueDates.get(set, j);
        view.due.push_back(s.environment == Single ? std::trunc(due) : due);
    }
    return view;
}

// Measures the schedules in hand as the next contender: its criteria, the best values so far (as
// the fitness run keeps them) and the bars of the chosen sets.
void addContender(Scheduler& s, Evaluation& evaluation, const char* name, bool isGP) {
    s.evaluateCriteria();
    if (evaluation.contenders.empty())
        s.best = s.results;
    else
        s.updateBest();
    evaluation.contenders.push_back({name, isGP, s.results, {}});
    const int measuredSets = s.results.rows - 1;
    for (SetView& view : evaluation.views) {
        Chart chart;
        chart.measured = view.set < measuredSets;
        if (chart.measured)
            timeline::walkSet(s, view.set, [&](const timeline::Occupation& placed) { chart.placed.push_back(placed); });
        view.charts.push_back(std::move(chart));
    }
}

}  // namespace

std::vector<int> parseSetList(const std::string& text) {
    std::vector<int> sets;
    std::size_t begin = 0;
    while (true) {
        const std::size_t end = std::min(text.find(',', begin), text.size());
        const std::string entry = text.substr(begin, end - begin);
        int set = 0;
        const auto [rest, error] = std::from_chars(entry.data(), entry.data() + entry.size(), set);
        if (entry.empty() || error != std::errc() || rest != entry.data() + entry.size())
            fatalError("--sets \"" + text + "\": \"" + entry +
                       "\" is not a set number; give set numbers separated by commas, such as 0,3,7.");
        if (std::find(sets.begin(), sets.end(), set) == sets.end()) sets.push_back(set);
        if (end == text.size()) return sets;
        begin = end + 1;
    }
}

void requireSetsInCollection(const std::vector<int>& chosen, int sets) {
    for (const int set : chosen)
        if (set < 0 || set >= sets)
            fatalError("Set " + std::to_string(set) + " is not in the collection: the definition file has " +
                       std::to_string(sets) + " set(s), numbered 0 to " + std::to_string(sets - 1) + ".");
}

Evaluation evaluate(Scheduler& s, const std::vector<int>& chosen) {
    Evaluation evaluation;
    evaluation.environment = s.environment;
    evaluation.sets = s.jobCount.rows;
    evaluation.hasReleaseTimes = s.hasReleaseTimes;
    evaluation.hasWeights = s.hasWeights;
    evaluation.hasSetups = s.hasSetups;
    evaluation.hasConstraints = s.hasConstraints;
    requireSetsInCollection(chosen, evaluation.sets);

    const RunSequence& sequence = runSequenceOf(s.environment);
    sequence.prepare(s);
    for (const int set : chosen) evaluation.views.push_back(viewOf(s, set));
    for (const Heuristic& heuristic : sequence.heuristics) {
        if (!heuristic.applies(s)) continue;
        heuristic.makeSchedules(s);
        addContender(s, evaluation, heuristic.name, false);
    }
    evaluation.hasGP = std::filesystem::exists(kGPScheduleFile);
    if (evaluation.hasGP) {
        readGPSchedules(s);
        addContender(s, evaluation, "GP", true);
    }
    for (Contender& contender : evaluation.contenders) contender.shares = dominanceShares(contender.results, s.best);
    return evaluation;
}

std::vector<std::string> criteriaNames(int environment) {
    switch (environment) {
        case Single:
            return {"Twt", "Uwt", "Fwt", "Cmax"};
        case JobShop:
            return {"Twt", "Uwt", "Fwt", "Cmax", "mean T", "tardy share", "mean F"};
        default:
            return {"Twt", "Uwt", "Fwt", "Cmax", "Tmax"};
    }
}

int headlineCriterion(int environment) { return environment == JobShop ? 3 : 0; }

}  // namespace report
