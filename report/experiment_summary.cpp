#include "report/experiment_summary.h"

#include <algorithm>
#include <charconv>

namespace report {

namespace {

double headlineOf(const ExperimentData& data, const RunRow& run) {
    return run.test[static_cast<std::size_t>(data.headlineColumn)];
}

// The index of the median run among the finished ones.
int medianRunOf(const ExperimentData& data) {
    std::vector<int> finished;
    for (std::size_t i = 0; i < data.runs.size(); ++i)
        if (data.runs[i].finished) finished.push_back(static_cast<int>(i));
    if (finished.empty()) return -1;
    std::stable_sort(finished.begin(), finished.end(), [&](int a, int b) {
        return headlineOf(data, data.runs[static_cast<std::size_t>(a)]) <
               headlineOf(data, data.runs[static_cast<std::size_t>(b)]);
    });
    return finished[(finished.size() - 1) / 2];
}

BaselineComparison compare(const ExperimentData& data, const Baseline& baseline, const std::vector<double>& totals,
                           int medianRun) {
    BaselineComparison comparison{baseline.name, baseline.total, {}, {}};
    std::vector<double> differences;
    for (const double total : totals) differences.push_back(total - baseline.total);
    comparison.runs = statistics::signedRankTest(differences);
    if (medianRun >= 0) {
        const std::vector<double>& sets = data.runs[static_cast<std::size_t>(medianRun)].testSets;
        std::vector<double> perSet;
        for (std::size_t s = 0; s < sets.size() && s < baseline.testSets.size(); ++s)
            perSet.push_back(sets[s] - baseline.testSets[s]);
        comparison.medianRun = statistics::signedRankTest(perSet);
    }
    return comparison;
}

}  // namespace

std::string probabilityText(double p) {
    char text[40];
    return std::string(text, std::to_chars(text, text + sizeof text, p, std::chars_format::general, 4).ptr);
}

ExperimentSummary summarize(const ExperimentData& data) {
    ExperimentSummary summary;
    summary.runs = static_cast<int>(data.runs.size());
    std::vector<double> totals;
    for (const RunRow& run : data.runs)
        if (run.finished) totals.push_back(headlineOf(data, run));
    summary.finished = static_cast<int>(totals.size());
    summary.failed = summary.runs - summary.finished;
    summary.gp = statistics::describe(totals);
    summary.medianRun = medianRunOf(data);
    for (std::size_t b = 0; b < data.baselines.size(); ++b) {
        summary.baselines.push_back(compare(data, data.baselines[b], totals, summary.medianRun));
        if (summary.best < 0 || data.baselines[b].total < data.baselines[static_cast<std::size_t>(summary.best)].total)
            summary.best = static_cast<int>(b);
    }
    if (summary.best >= 0) {
        const double best = data.baselines[static_cast<std::size_t>(summary.best)].total;
        summary.runsBetter = static_cast<int>(std::count_if(
            totals.begin(), totals.end(), [&](double total) { return best - total >= statistics::kEqualWithin; }));
    }
    return summary;
}

}  // namespace report
