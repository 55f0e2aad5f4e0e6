#include "report/experiment_section.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "report/charts.h"
#include "report/svg.h"

namespace report {

namespace {

std::vector<double> finishedTotals(const ExperimentData& data) {
    std::vector<double> totals;
    for (const RunRow& run : data.runs)
        if (run.finished) totals.push_back(run.test[static_cast<std::size_t>(data.headlineColumn)]);
    return totals;
}

// The runs' totals as a box, each run a point, and each heuristic's total as a vertical line.
void drawTotals(pugi::xml_node parent, const ExperimentData& data) {
    const std::vector<double> totals = finishedTotals(data);
    std::vector<double> all = totals;
    for (const Baseline& baseline : data.baselines) all.push_back(baseline.total);
    const double top = 8, labels = 14 * static_cast<double>(data.baselines.size()), middle = top + labels + 24;
    const double bottom = middle + 24;
    const Scale x = valueScale(all, 60, kWidth - 60, false);
    pugi::xml_node svg = svgOf(parent, "experiment-totals", bottom + 24, "Test totals of the runs and the heuristics");
    valueAxisBelow(svg, x, top, bottom);
    for (std::size_t b = 0; b < data.baselines.size(); ++b) {
        const Baseline& baseline = data.baselines[b];
        const std::string colour = contenderColour(static_cast<int>(b));
        const double at = x(baseline.total), y = top + 11 + 14 * static_cast<double>(b);
        pugi::xml_node mark = element(svg, "g", {{"class", "baseline"}, {"data-value", exact(baseline.total)}});
        textElement(mark, "title", baseline.name + ": " + readable(baseline.total));
        element(mark, "line",
                {{"x1", coordinate(at)}, {"y1", coordinate(y + 3)}, {"x2", coordinate(at)}, {"y2", coordinate(bottom)},
                 {"stroke", colour}, {"stroke-width", "1.5"}, {"stroke-dasharray", "4 3"}});
        textElement(mark, "text", baseline.name,
                    {{"x", coordinate(at + 4)}, {"y", coordinate(y)}, {"fill", colour}});
    }
    if (!totals.empty()) drawBox(svg, x, middle, totals, "GP runs", true, kGPColour);
}

// The best fitness per generation over the runs: its median as a line, between the best and the
// worst run as a band.
void drawCurves(pugi::xml_node parent, const std::vector<LearnerLog>& logs) {
    std::size_t generations = 0;
    for (const LearnerLog& log : logs) generations = std::max(generations, log.generations.size());
    std::vector<double> xs, lows, medians, highs;
    for (std::size_t g = 0; g < generations; ++g) {
        std::vector<double> values;
        for (const LearnerLog& log : logs)
            if (g < log.generations.size() && std::isfinite(log.generations[g].bestFitness))
                values.push_back(log.generations[g].bestFitness);
        if (values.empty()) continue;
        std::sort(values.begin(), values.end());
        xs.push_back(static_cast<double>(g + 1));
        lows.push_back(values.front());
        medians.push_back(quantile(values, 0.5));
        highs.push_back(values.back());
    }
    if (xs.empty()) return;
    std::vector<double> range = lows;
    range.insert(range.end(), highs.begin(), highs.end());
    const PerGeneration chart =
        perGenerationChart(parent, "experiment-learning", "Best fitness per generation over the runs", xs, range);
    const Scale& x = chart.x;
    const Scale& y = chart.y;
    std::string band, middle;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        band += coordinate(x(xs[i])) + "," + coordinate(y(lows[i])) + " ";
        if (i > 0) middle += ' ';
        middle += coordinate(x(xs[i])) + "," + coordinate(y(medians[i]));
    }
    for (std::size_t i = xs.size(); i-- > 0;) band += coordinate(x(xs[i])) + "," + coordinate(y(highs[i])) + " ";
    element(chart.svg, "polygon",
            {{"class", "band"}, {"points", band}, {"fill", kGPColour}, {"fill-opacity", "0.18"}});
    element(chart.svg, "polyline", {{"class", "best"}, {"points", middle}});
}

// A row's cells, the first naming what the row is about.
void cells(pugi::xml_node row, const std::vector<std::string>& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i)
        textElement(row, "td", texts[i], {{"class", i == 0 ? "name" : "value"}});
}

std::string pOf(const statistics::SignedRankTest& test) {
    return probabilityText(test.p) + (test.n == 0 ? " (all zero)" : test.exact ? " (exact)" : " (normal)");
}

void summaryTable(pugi::xml_node section, const ExperimentView& view) {
    const ExperimentSummary& s = view.summary;
    const std::string headline = view.data.headline;
    pugi::xml_node gp = element(section, "table", {{"class", "summary experiment-gp"}});
    pugi::xml_node head = element(element(gp, "thead"), "tr");
    for (const std::string& name : {"GP, test " + headline, std::string("runs"), std::string("mean"),
                                    std::string("sd"), std::string("median"), std::string("min"), std::string("max")})
        textElement(head, "th", name);
    pugi::xml_node row = element(element(gp, "tbody"), "tr", {{"class", "gp"}});
    cells(row, {"finished runs", std::to_string(s.finished), readable(s.gp.mean), readable(s.gp.sd),
                readable(s.gp.median), readable(s.gp.min), readable(s.gp.max)});
    pugi::xml_node tests = element(section, "table", {{"class", "summary experiment-tests"}});
    pugi::xml_node names = element(element(tests, "thead"), "tr");
    for (const char* name : {"heuristic", "test total", "runs: n", "W-", "W+", "p", "median run: n", "W-", "W+", "p"})
        textElement(names, "th", name);
    pugi::xml_node body = element(tests, "tbody");
    for (std::size_t b = 0; b < s.baselines.size(); ++b) {
        const BaselineComparison& c = s.baselines[b];
        pugi::xml_node line = element(body, "tr", {{"class", static_cast<int>(b) == s.best ? "best" : "heuristic"}});
        cells(line, {c.name + (static_cast<int>(b) == s.best ? " (best)" : ""), readable(c.total),
                     std::to_string(c.runs.n), readable(c.runs.wMinus), readable(c.runs.wPlus), pOf(c.runs),
                     std::to_string(c.medianRun.n), readable(c.medianRun.wMinus), readable(c.medianRun.wPlus),
                     pOf(c.medianRun)});
    }
}

std::string overview(const ExperimentView& view) {
    const ExperimentSummary& s = view.summary;
    std::string text = std::to_string(s.runs) + " learner runs in " + view.folder + ": " + std::to_string(s.finished) +
                       " finished, " + std::to_string(s.failed) + " failed. Each run's final rule was measured on the "
                       "test collection of " + std::to_string(view.data.sets) + " sets (" + view.data.headline +
                       " total, lower is better).";
    if (s.best >= 0)
        text += " Runs that beat the best classical heuristic, " +
                s.baselines[static_cast<std::size_t>(s.best)].name + ": " + std::to_string(s.runsBetter) + " of " +
                std::to_string(s.finished) + ".";
    return text;
}

}  // namespace

ExperimentView readExperimentView(const std::string& folder) {
    ExperimentView view{folder, readExperiment(folder), {}, {}};
    view.summary = summarize(view.data);
    const int runs = static_cast<int>(view.data.runs.size());
    for (const RunRow& run : view.data.runs)
        if (run.finished)
            view.logs.push_back(learning_log::readLearnerLog(
                (std::filesystem::path(folder) / runFolderName(run.run, runs) / learning_log::kDefaultFile).string()));
    return view;
}

void experimentSection(pugi::xml_node body, const ExperimentView& view) {
    pugi::xml_node section = element(body, "section", {{"id", "experiment"}});
    textElement(section, "h2", "Experiment");
    textElement(section, "p", overview(view), {{"class", "note"}});
    pugi::xml_node totals = element(section, "figure");
    textElement(totals, "figcaption",
                "Test " + view.data.headline + " totals: the box spans the middle half of the runs, the line inside it "
                "is their median, the whiskers reach the best and the worst run; each point is a run, each dashed line "
                "a classical heuristic.");
    drawTotals(totals, view.data);
    summaryTable(section, view);
    textElement(section, "p",
                std::string("Wilcoxon signed-rank tests of GP minus each heuristic, two-sided: the runs' test totals "
                            "against the heuristic's (runs), and the median run against it set by set (median run). ") +
                    statistics::kSignedRankTreatment + " " + kMedianRunRule,
                {{"class", "note"}});
    pugi::xml_node curves = element(section, "figure");
    textElement(curves, "figcaption",
                "Learning: the best training fitness per generation, the median over the runs as a line and the band "
                "between the best and the worst run.");
    drawCurves(curves, view.logs);
}

}  // namespace report
