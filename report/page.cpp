#include "report/page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "core/names.h"
#include "core/output_files.h"
#include "report/charts.h"
#include "report/svg.h"
#include "report/taillard_gaps.h"

namespace report {

namespace {

// No '<', '>' or '&' here: an HTML parser takes a style element's text as it stands.
constexpr const char* kStyle = R"(
body { font-family: "DejaVu Sans", Helvetica, Arial, sans-serif; color: #222; max-width: 980px; margin: 24px auto; padding: 0 12px; }
h1 { font-size: 22px; margin-bottom: 4px; }
h2 { font-size: 18px; border-bottom: 1px solid #ccc; padding-bottom: 3px; margin-top: 34px; }
p, li { font-size: 14px; line-height: 1.45; }
.facts { color: #555; margin-top: 0; }
nav a { margin-right: 14px; font-size: 14px; }
table.summary { border-collapse: collapse; font-size: 13px; margin: 8px 0; }
table.summary th, table.summary td { border: 1px solid #d6d6d6; padding: 3px 9px; text-align: right; white-space: nowrap; }
table.summary th.group { text-align: center; }
table.summary th.name, table.summary td.name { text-align: left; }
table.summary tr.gp td { font-weight: bold; border-top: 2px solid #d62728; border-bottom: 2px solid #d62728; }
table.summary td.name .tag { color: #d62728; font-weight: normal; font-size: 11px; margin-left: 6px; }
figure { margin: 10px 0 18px 0; break-inside: avoid; page-break-inside: avoid; }
figcaption { font-size: 13px; margin: 0 0 3px 0; }
figure.gp figcaption { color: #a31515; }
.note { color: #666; font-size: 13px; }
ul.legend { list-style: none; padding: 0; margin: 4px 0; }
ul.legend li { display: inline-block; margin-right: 14px; font-size: 13px; }
.swatch { display: inline-block; width: 10px; height: 10px; margin-right: 4px; border: 1px solid #666; }
svg { display: block; max-width: 100%; height: auto; }
svg text { font-size: 11px; fill: #333; }
svg .tick { fill: #666; }
svg .middle { text-anchor: middle; }
svg .end { text-anchor: end; }
svg .name.gp { fill: #a31515; font-weight: bold; }
svg .grid { stroke: #e2e2e2; stroke-width: 1; }
svg .axis { stroke: #999; stroke-width: 1; }
svg .lane.even { fill: #f5f5f5; }
svg .lane.odd { fill: #fcfcfc; }
svg .work { stroke: #555; stroke-width: 0.5; }
svg .setup { fill: #bdbdbd; stroke: #888; stroke-width: 0.5; }
svg .tardy .work { stroke: #d00000; stroke-width: 2; }
svg .label { font-size: 10px; fill: #111; text-anchor: middle; }
svg .due { stroke: #333; stroke-width: 0.6; }
svg .due.late { fill: #d00000; }
svg .release { fill: #1a8f4c; stroke: #0d5c2f; stroke-width: 0.6; }
svg .gp-wins { fill: #e2f3df; }
svg .gp-loses { fill: #fae1e1; }
svg .point { stroke: #fff; stroke-width: 0.6; }
svg .point.gp { fill: #d62728; stroke: #700; stroke-width: 0.8; }
svg .gp-row { fill: #fdeeee; }
svg .whisker, svg .median { stroke: #444; stroke-width: 1.2; }
svg .quartiles { fill: #e8e8e8; stroke: #666; stroke-width: 1; }
svg .box.gp .quartiles { fill: #f7caca; stroke: #a31515; }
svg .sample { opacity: 0.75; }
svg polyline { fill: none; stroke-width: 1.8; }
svg polyline.best { stroke: #d62728; }
svg polyline.mean { stroke: #1f77b4; stroke-dasharray: 5 3; }
@media print {
  body { max-width: none; margin: 0; }
  nav { display: none; }
  h2 { break-after: avoid; page-break-after: avoid; }
  * { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
}
)";

// The rules of the parts only some pages have, added to those pages alone: every other page keeps
// its stylesheet, and so its bytes.
constexpr const char* kGapsStyle = "table.gaps td.best { font-weight: bold; }\n";
constexpr const char* kValidationStyle = "svg polyline.validation { stroke: #2ca02c; stroke-dasharray: 2 2; }\n";

std::string styleOf(const Evaluation& evaluation, const PageSource& source) {
    std::string style = kStyle;
    if (evaluation.taillard) style += kGapsStyle;
    if (source.log && source.log->validated) style += kValidationStyle;
    return style;
}

// The column labels of an environment's criteria.
std::vector<std::string> criteriaLabels(Environment environment) {
    std::vector<std::string> labels;
    for (const CriterionName& criterion : criteriaOf(environment)) labels.emplace_back(criterion.label);
    return labels;
}

// Green for the best value of a column, through yellow to red for the worst.
std::string shade(double badness) {
    return "background-color: hsl(" + coordinate(120 * (1 - badness)) + ", 55%, 86%)";
}

// Shades a column's cells by their values; `lowerIsBetter` tells which end is green.
void shadeColumn(std::vector<pugi::xml_node>& cells, const std::vector<double>& values, bool lowerIsBetter) {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const double v : values)
        if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (!std::isfinite(values[i])) continue;
        double t = high > low ? (values[i] - low) / (high - low) : 0;
        if (!lowerIsBetter) t = 1 - t;
        cells[i].append_attribute("style").set_value(shade(t).c_str());
    }
}

void summarySection(pugi::xml_node body, const Evaluation& evaluation) {
    pugi::xml_node section = element(body, "section", {{"id", "summary"}});
    textElement(section, "h2", "Summary");
    const std::vector<std::string> criteria = criteriaLabels(evaluation.environment);
    textElement(section, "p",
                "Totals: each criterion summed over the " + std::to_string(evaluation.sets) +
                    " sets, as in the last row of a result file (lower is better). Best on: the share of sets on "
                    "which the schedule reached the best value of all schedules here, ties counting for each "
                    "(higher is better). Each column is shaded from its best value (green) to its worst (red).",
                {{"class", "note"}});
    pugi::xml_node table = element(section, "table", {{"class", "summary"}});
    pugi::xml_node head = element(table, "thead");
    pugi::xml_node groups = element(head, "tr");
    textElement(groups, "th", "Schedules", {{"class", "name"}, {"rowspan", "2"}});
    textElement(groups, "th", "Totals", {{"class", "group"}, {"colspan", std::to_string(criteria.size())}});
    textElement(groups, "th", "Best on", {{"class", "group"}, {"colspan", "4"}});
    pugi::xml_node names = element(head, "tr");
    for (const std::string& name : criteria) textElement(names, "th", name);
    for (int c = 0; c < 4; ++c) textElement(names, "th", criteria[static_cast<std::size_t>(c)]);

    pugi::xml_node rows = element(table, "tbody");
    const std::size_t columns = criteria.size() + 4;
    std::vector<std::vector<pugi::xml_node>> cells(columns);
    std::vector<std::vector<double>> values(columns);
    for (const Contender& contender : evaluation.contenders) {
        pugi::xml_node row = element(rows, "tr", {{"class", contender.isGP ? "gp" : "heuristic"}});
        pugi::xml_node name = textElement(row, "td", contender.name, {{"class", "name"}});
        if (contender.isGP) textElement(name, "span", "learned", {{"class", "tag"}});
        const int totals = contender.results.rows - 1;
        for (std::size_t c = 0; c < columns; ++c) {
            const bool share = c >= criteria.size();
            const double value = share ? contender.shares[c - criteria.size()]
                                       : contender.results.get(totals, static_cast<int>(c));
            char text[32];
            std::snprintf(text, sizeof text, share ? "%.1f %%" : "%g", value);
            cells[c].push_back(textElement(row, "td", text, {{"data-value", exact(value)}}));
            values[c].push_back(value);
        }
    }
    for (std::size_t c = 0; c < columns; ++c) shadeColumn(cells[c], values[c], c < criteria.size());
}

void legendOfContenders(pugi::xml_node parent, const Evaluation& evaluation) {
    pugi::xml_node legend = element(parent, "ul", {{"class", "legend"}});
    for (std::size_t c = 0; c < evaluation.contenders.size(); ++c) {
        const Contender& contender = evaluation.contenders[c];
        pugi::xml_node item = element(legend, "li");
        const std::string colour = contender.isGP ? kGPColour : contenderColour(static_cast<int>(c));
        textElement(item, "span", " ", {{"class", "swatch"}, {"style", "background-color: " + colour}});
        item.append_child(pugi::node_pcdata).set_value(contender.name.c_str());
    }
}

void perSetSection(pugi::xml_node body, const Evaluation& evaluation) {
    const int criterion = headlineCriterion(evaluation.environment);
    const std::string name = criteriaLabels(evaluation.environment)[static_cast<std::size_t>(criterion)];
    pugi::xml_node section = element(body, "section", {{"id", "per-set"}});
    textElement(section, "h2", name + " per set");
    std::string note = "The evaluation's headline criterion (" + name + ", lower is better) on every set: one point per heuristic";
    if (evaluation.hasGP)
        note += ", a red diamond for GP. A green column marks a set on which GP reached the best heuristic value, a "
                "red one a set on which it did not";
    textElement(section, "p", note + ".", {{"class", "note"}});
    pugi::xml_node values = element(section, "figure");
    drawPerSet(values, evaluation, criterion);
    legendOfContenders(values, evaluation);
    pugi::xml_node spread = element(section, "figure");
    textElement(spread, "figcaption",
                "Distribution of " + name + " over the sets: the box spans the middle half, the line inside it is the "
                "median, the whiskers reach the extremes; each point is a set.");
    drawDistribution(spread, evaluation, criterion);
}

std::string setTitle(const Evaluation& evaluation, const SetView& view) {
    std::string title = "Set " + std::to_string(view.set) + ": " + std::to_string(view.jobs) + " jobs";
    if (evaluation.environment != Environment::Single) title += " on " + std::to_string(view.machines) + " machines";
    return title;
}

std::string chartCaption(const Evaluation& evaluation, const SetView& view, const Chart& chart,
                         const Contender& contender) {
    double makespan = 0;
    for (const timeline::Occupation& o : chart.placed)
        if (std::isfinite(o.completion)) makespan = std::max(makespan, o.completion);
    const std::vector<bool> tardy = tardyEnds(view, chart);
    const auto tardyJobs = std::count(tardy.begin(), tardy.end(), true);
    std::string caption = " — makespan " + readable(makespan);
    const std::vector<std::string> criteria = criteriaLabels(evaluation.environment);
    for (std::size_t c = 0; c < criteria.size(); ++c)
        caption += (c == 0 ? "; " : " · ") + criteria[c] + " " + readable(contender.results.get(view.set, static_cast<int>(c)));
    caption += "; " + std::to_string(tardyJobs) + (tardyJobs == 1 ? " tardy job" : " tardy jobs");
    const long long expected = static_cast<long long>(view.jobs) * view.operationsPerJob;
    if (static_cast<long long>(chart.placed.size()) < expected)
        caption += "; " + std::to_string(expected - static_cast<long long>(chart.placed.size())) + " of " +
                   std::to_string(expected) + " operations never start: the machine sequences block each other";
    return caption;
}

void setSection(pugi::xml_node body, const Evaluation& evaluation, const SetView& view) {
    pugi::xml_node section = element(body, "section", {{"id", "set-" + std::to_string(view.set)}, {"class", "set"}});
    textElement(section, "h2", setTitle(evaluation, view));
    std::string legend = "One row per machine and one bar per ";
    legend += view.operationsPerJob > 1 ? "operation, coloured by job" : "job, coloured by job";
    legend += ", labelled with the job where it fits (hover for the times). Grey segments are setups, red outlines "
              "mark tardy jobs, triangles at the head of a row mark due dates";
    if (view.hasReleaseTimes) legend += ", green triangles at its foot release times";
    legend += ". All charts of the set share one time axis.";
    textElement(section, "p", legend, {{"class", "note"}});
    const Scale time = timeAxisOf(view);
    for (std::size_t c = 0; c < evaluation.contenders.size(); ++c) {
        const Contender& contender = evaluation.contenders[c];
        const Chart& chart = view.charts[c];
        pugi::xml_node figure = element(section, "figure", {{"class", contender.isGP ? "gantt gp" : "gantt"}});
        pugi::xml_node caption = element(figure, "figcaption");
        textElement(caption, "strong", contender.name);
        if (!chart.measured) {
            const std::string source = contender.isGP ? kGPScheduleFile : "the duration file";
            caption.append_child(pugi::node_pcdata).set_value((": " + source + " has no row for this set.").c_str());
            continue;
        }
        caption.append_child(pugi::node_pcdata).set_value(chartCaption(evaluation, view, chart, contender).c_str());
        drawGantt(figure, view, chart, time);
    }
}

void learningSection(pugi::xml_node body, const LearnerLog& log) {
    pugi::xml_node section = element(body, "section", {{"id", "learning"}});
    textElement(section, "h2", "Learning");
    std::string note = "Best (red) and mean (blue, dashed) fitness per generation";
    if (log.validated) note += ", and the total on the validation collection of the rule it chose (green, dotted)";
    note += ", from " + log.file + ".";
    if (log.generations.empty()) note = log.file + " holds no generation yet.";
    else {
        const Generation& lastOne = log.generations.back();
        note += " Generation " + readable(lastOne.generation) + ": best fitness " + readable(lastOne.bestFitness) +
                ", size " + readable(lastOne.bestSize) + ", depth " + readable(lastOne.bestDepth) + ", " +
                readable(lastOne.rulesMeasured) + " rules measured.";
    }
    textElement(section, "p", note, {{"class", "note"}});
    if (!log.generations.empty()) drawLearning(element(section, "figure"), log);
}

std::string facts(const Evaluation& evaluation) {
    std::string text(namesOf(evaluation.environment).title);
    text += " · " + std::to_string(evaluation.sets) + (evaluation.sets == 1 ? " set" : " sets");
    if (evaluation.hasReleaseTimes) text += " · release times";
    if (evaluation.hasWeights) text += " · weights";
    if (evaluation.hasSetups) text += " · setup times";
    if (evaluation.hasConstraints) text += " · precedence constraints";
    const std::size_t heuristics = evaluation.contenders.size() - (evaluation.hasGP ? 1 : 0);
    text += " · " + std::to_string(heuristics) + (heuristics == 1 ? " heuristic" : " heuristics");
    text += evaluation.hasGP ? " and the GP schedules of " + std::string(kGPScheduleFile)
                             : " (no " + std::string(kGPScheduleFile) + ")";
    return text;
}

void navigation(pugi::xml_node body, const Evaluation& evaluation, const PageSource& source) {
    pugi::xml_node nav = element(body, "nav");
    textElement(nav, "a", "Summary", {{"href", "#summary"}});
    textElement(nav, "a", "Per set", {{"href", "#per-set"}});
    if (evaluation.taillard) textElement(nav, "a", "Gaps", {{"href", "#taillard"}});
    for (const SetView& view : evaluation.views)
        textElement(nav, "a", "Set " + std::to_string(view.set), {{"href", "#set-" + std::to_string(view.set)}});
    if (source.log) textElement(nav, "a", "Learning", {{"href", "#learning"}});
    if (source.experiment) textElement(nav, "a", "Experiment", {{"href", "#experiment"}});
}

}  // namespace

std::string renderPage(const Evaluation& evaluation, const PageSource& source) {
    pugi::xml_document document;
    document.append_child(pugi::node_doctype).set_value("html");
    pugi::xml_node html = element(document, "html", {{"xmlns", "http://www.w3.org/1999/xhtml"}, {"lang", "en"}});
    pugi::xml_node head = element(html, "head");
    element(head, "meta", {{"charset", "utf-8"}});
    const std::string title = "Evaluation report: " + source.folder;
    textElement(head, "title", title);
    textElement(head, "style", styleOf(evaluation, source));

    pugi::xml_node body = element(html, "body");
    textElement(body, "h1", title);
    textElement(body, "p", facts(evaluation), {{"class", "facts"}});
    navigation(body, evaluation, source);
    summarySection(body, evaluation);
    perSetSection(body, evaluation);
    if (evaluation.taillard) taillardSection(body, evaluation);
    for (const SetView& view : evaluation.views) setSection(body, evaluation, view);
    if (source.log) learningSection(body, *source.log);
    if (source.experiment) experimentSection(body, *source.experiment);
    textElement(body, "p",
                "The schedules were made in memory by the evaluator's own heuristics and measured by its criteria; the "
                "bars show the times the criteria measured.",
                {{"class", "note"}});

    std::ostringstream out;
    document.save(out, "  ", pugi::format_indent | pugi::format_no_declaration | pugi::format_no_empty_element_tags,
                  pugi::encoding_utf8);
    return out.str();
}

void writePage(const std::string& fileName, const std::string& page) { writeWholeFile(fileName, page, "Report page"); }

}  // namespace report
