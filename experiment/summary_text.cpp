#include "experiment/summary_text.h"

#include <algorithm>
#include <cmath>

#include "core/matrice.h"

namespace experiment {

namespace {

std::string figure(double value) {
    if (std::isnan(value)) return "-";
    char text[40];
    return std::string(text, formatG(text, value));
}

// The words of a paragraph on lines of at most `width` characters.
std::string wrapped(const std::string& paragraph, std::size_t width = 100) {
    std::string text, line;
    std::size_t start = 0;
    while (start < paragraph.size()) {
        std::size_t end = paragraph.find(' ', start);
        if (end == std::string::npos) end = paragraph.size();
        const std::string word = paragraph.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            text += line + "\n";
            line.clear();
        }
        if (!line.empty()) line += ' ';
        line += word;
        start = end + 1;
    }
    return text + line + "\n";
}

std::string padded(const std::string& text, std::size_t width, bool right = false) {
    const std::string fill(width > text.size() ? width - text.size() : 0, ' ');
    return right ? fill + text : text + fill;
}

std::string collections(const Plan& plan, int sets) {
    const Folders& f = plan.folders;
    std::string text = "Collections: training \"" + f.training + "\"";
    if (!f.validation.empty()) text += ", validation \"" + f.validation + "\"";
    return text + ", test \"" + f.test + "\" (" + std::to_string(sets) + " sets).\n";
}

std::string heading(const Plan& plan, const report::ExperimentData& data, const report::ExperimentSummary& s) {
    std::string options;
    for (const std::string& option : plan.learnerOptions) options += " " + option;
    return "Experiment: " + std::to_string(s.runs) + " runs with seeds " + std::to_string(plan.firstSeed) + " to " +
           std::to_string(plan.firstSeed + static_cast<std::uint64_t>(s.runs) - 1) + "; " + std::to_string(s.finished) +
           " finished, " + std::to_string(s.failed) + " failed.\n" + collections(plan, data.sets) +
           "Learner options:" + (options.empty() ? " (the learner's defaults)" : options) + "\n" +
           "Headline: " + data.headline + ", the total over the test sets (lower is better).\n\n";
}

std::string gpFigures(const report::ExperimentData& data, const report::ExperimentSummary& s) {
    const statistics::Descriptive& d = s.gp;
    std::string text = "GP, the final rule of each finished run, test " + data.headline + ":\n";
    if (d.n == 0) return text + "  no run finished.\n\n";
    return text + "  mean " + figure(d.mean) + ", sd " + figure(d.sd) + ", median " + figure(d.median) + ", min " +
           figure(d.min) + ", max " + figure(d.max) + "\n\n";
}

std::size_t nameWidth(const report::ExperimentSummary& s) {
    std::size_t width = 9;  // "heuristic"
    for (const report::BaselineComparison& b : s.baselines) width = std::max(width, b.name.size());
    return width + 2;
}

std::string baselineTotals(const report::ExperimentData& data, const report::ExperimentSummary& s) {
    std::string text = "Classical heuristics, test " + data.headline + ":\n";
    for (std::size_t b = 0; b < s.baselines.size(); ++b)
        text += "  " + padded(s.baselines[b].name, nameWidth(s)) + figure(s.baselines[b].total) +
                (static_cast<int>(b) == s.best ? "  (best)" : "") + "\n";
    if (s.best >= 0)
        text += "\nRuns better than the best classical heuristic (" +
                s.baselines[static_cast<std::size_t>(s.best)].name + "): " + std::to_string(s.runsBetter) + " of " +
                std::to_string(s.finished) + ".\n";
    return text + "\n";
}

std::string testTable(const report::ExperimentSummary& s, statistics::SignedRankTest report::BaselineComparison::*test) {
    const std::size_t width = nameWidth(s);
    std::string text = "  " + padded("heuristic", width) + padded("n", 5, true) + padded("zeros", 7, true) +
                       padded("W-", 10, true) + padded("W+", 10, true) + "  " + padded("p", 11) + "method\n";
    for (const report::BaselineComparison& b : s.baselines) {
        const statistics::SignedRankTest& t = b.*test;
        text += "  " + padded(b.name, width) + padded(std::to_string(t.n), 5, true) +
                padded(std::to_string(t.zeros), 7, true) + padded(figure(t.wMinus), 10, true) +
                padded(figure(t.wPlus), 10, true) + "  " + padded(report::probabilityText(t.p), 11) +
                (t.n == 0 ? "none" : t.exact ? "exact" : "normal") + "\n";
    }
    return text;
}

std::string tests(const report::ExperimentData& data, const report::ExperimentSummary& s) {
    if (s.baselines.empty() || s.medianRun < 0) return "";
    const report::RunRow& median = data.runs[static_cast<std::size_t>(s.medianRun)];
    return "Wilcoxon signed-rank tests of GP against each classical heuristic (two-sided; differences GP minus "
           "heuristic).\n\nThe runs' test totals against the heuristic's total (one-sample, a difference per run):\n" +
           testTable(s, &report::BaselineComparison::runs) + "\nThe median run (run " + std::to_string(median.run) +
           ", seed " + std::to_string(median.seed) + ", " + data.headline + " " +
           figure(median.test[static_cast<std::size_t>(data.headlineColumn)]) +
           ") against the heuristic over the test sets (paired, a difference per set):\n" +
           testTable(s, &report::BaselineComparison::medianRun) + "\n" + wrapped(statistics::kSignedRankTreatment) +
           wrapped(report::kMedianRunRule);
}

}  // namespace

std::string summaryText(const Plan& plan, const report::ExperimentData& data, const report::ExperimentSummary& summary) {
    return heading(plan, data, summary) + gpFigures(data, summary) + baselineTotals(data, summary) +
           tests(data, summary);
}

}  // namespace experiment
