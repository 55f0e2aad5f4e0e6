#include "report/evaluation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string>

#include "core/fatal.h"
#include "fitness/results.h"
#include "fitness/run_sequence.h"
#include "fitness/workspace.h"

namespace report {

namespace {

SetView viewOf(const Collection& c, int set) {
    SetView view;
    view.set = set;
    view.jobs = c.jobsIn(set);
    view.machines = c.environment == Environment::Single ? 1 : c.machinesIn(set);
    view.operationsPerJob = c.environment == Environment::JobShop ? view.machines : 1;
    view.hasReleaseTimes = c.hasReleaseTimes;
    for (int j = 0; j < view.jobs; ++j) {
        view.release.push_back(c.releaseTimes.get(set, j));
        // The single-machine criteria compare whole numbers.
        const double due = c.dueDates.get(set, j);
        view.due.push_back(c.environment == Environment::Single ? std::trunc(due) : due);
    }
    return view;
}

// Each measured set's makespan as the job shop's criteria find it: the latest completion of a job.
std::vector<double> makespansOf(Workspace& work, const Matrix& schedule, int sets) {
    std::vector<double> makespans;
    for (int set = 0; set < sets; ++set) {
        timeline::jobShopSet(work, schedule, set, [](const timeline::Occupation&) {});
        double makespan = 0;
        for (int j = 0; j < work.collection.jobsIn(set); ++j) makespan = std::max(makespan, work.floor.jobReady[j]);
        makespans.push_back(makespan);
    }
    return makespans;
}

// One more contender: its criteria compared with the others' and the bars of the chosen sets.
void addContender(Workspace& work, Evaluation& evaluation, Comparison& comparison, const char* name, bool isGP,
                  const Matrix& schedule, const Matrix& results) {
    comparison.record(name, results);
    evaluation.contenders.push_back({name, isGP, results, {}, {}});
    const int measuredSets = results.rows - 1;
    if (evaluation.taillard) evaluation.contenders.back().makespans = makespansOf(work, schedule, measuredSets);
    for (SetView& view : evaluation.views) {
        Chart chart;
        chart.measured = view.set < measuredSets;
        if (chart.measured)
            timeline::walkSet(work, schedule, view.set,
                              [&](const timeline::Occupation& placed) { chart.placed.push_back(placed); });
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

Evaluation evaluate(const Collection& c, const std::vector<int>& chosen) {
    Evaluation evaluation;
    evaluation.environment = c.environment;
    evaluation.sets = c.sets();
    evaluation.hasReleaseTimes = c.hasReleaseTimes;
    evaluation.hasWeights = c.hasWeights;
    evaluation.hasSetups = c.hasSetups;
    evaluation.hasConstraints = c.hasConstraints;
    evaluation.taillard = c.taillard;
    for (int set = 0; set < c.sets(); ++set) {
        evaluation.jobs.push_back(c.jobsIn(set));
        evaluation.machines.push_back(c.environment == Environment::Single ? 1 : c.machinesIn(set));
    }
    for (const int set : chosen) evaluation.views.push_back(viewOf(c, set));

    Workspace work(c);
    Comparison comparison;
    forEachHeuristic(work, [&](const Heuristic& heuristic, const Matrix& schedule, const Matrix& results, double) {
        addContender(work, evaluation, comparison, heuristic.name, false, schedule, results);
    });
    evaluation.hasGP = std::filesystem::exists(kGPScheduleFile);
    if (evaluation.hasGP) {
        const Matrix schedule = readGPSchedules(c);
        Matrix results;
        measureSchedules(work, schedule, results);
        addContender(work, evaluation, comparison, "GP", true, schedule, results);
    }
    for (std::size_t i = 0; i < evaluation.contenders.size(); ++i)
        evaluation.contenders[i].shares = comparison.shares(comparison.entries()[i]);
    return evaluation;
}

}  // namespace report
