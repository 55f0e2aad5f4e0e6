#include "report/taillard_gaps.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "report/svg.h"

namespace report {

namespace {

std::string sizeOf(const TaillardBound& bound) {
    return std::to_string(bound.jobs) + "x" + std::to_string(bound.machines);
}

std::string mismatchOf(const Evaluation& evaluation) {
    const std::span<const TaillardBound> bounds = taillardBounds();
    if (evaluation.sets > static_cast<int>(bounds.size()))
        return "the collection has " + std::to_string(evaluation.sets) + " sets, Taillard's benchmark " +
               std::to_string(bounds.size()) + " instances";
    for (int set = 0; set < evaluation.sets; ++set) {
        const TaillardBound& bound = bounds[static_cast<std::size_t>(set)];
        const std::string shape = std::to_string(evaluation.jobs[static_cast<std::size_t>(set)]) + "x" +
                                  std::to_string(evaluation.machines[static_cast<std::size_t>(set)]);
        if (shape != sizeOf(bound))
            return "set " + std::to_string(set) + " is " + shape + " (jobs x machines) where " +
                   std::string(bound.instance) + " is " + sizeOf(bound);
    }
    return "";
}

std::vector<GapTable::Group> groupsOf(int sets) {
    std::vector<GapTable::Group> groups;
    const std::span<const TaillardBound> bounds = taillardBounds();
    for (int set = 0; set < sets; ++set) {
        const std::string label = sizeOf(bounds[static_cast<std::size_t>(set)]);
        if (groups.empty() || groups.back().label != label)
            groups.push_back({label, set, 0});
        ++groups.back().count;
    }
    return groups;
}

// Two decimals, as published tables give gaps; a dash where the contender has no schedule for the set.
std::string percent(double gap) {
    if (std::isnan(gap)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", gap);
    return text;
}

void headRow(pugi::xml_node table, const char* first, const Evaluation& evaluation, const char* second = nullptr) {
    pugi::xml_node row = element(element(table, "thead"), "tr");
    textElement(row, "th", first, {{"class", "name"}});
    if (second) textElement(row, "th", second);
    for (const Contender& contender : evaluation.contenders) textElement(row, "th", contender.name);
}

// A row of gaps, one cell per contender, the smallest one marked.
void gapRow(pugi::xml_node rows, const std::string& name, const std::vector<double>& values, const char* extra = nullptr) {
    pugi::xml_node row = element(rows, "tr");
    textElement(row, "td", name, {{"class", "name"}});
    if (extra) textElement(row, "td", extra);
    double best = std::numeric_limits<double>::infinity();
    for (const double v : values)
        if (v < best) best = v;
    for (const double v : values) {
        pugi::xml_node cell = textElement(row, "td", percent(v), {{"data-value", exact(v)}});
        if (v == best) cell.append_attribute("class").set_value("best");
    }
}

}  // namespace

double meanGap(const std::vector<double>& gaps, int first, int count) {
    double sum = 0;
    for (int set = first; set < first + count; ++set) sum += gaps[static_cast<std::size_t>(set)];
    return sum / count;
}

GapTable taillardGaps(const Evaluation& evaluation) {
    GapTable table;
    table.mismatch = mismatchOf(evaluation);
    if (!table.mismatch.empty()) return table;
    table.groups = groupsOf(evaluation.sets);
    const std::span<const TaillardBound> bounds = taillardBounds();
    for (const Contender& contender : evaluation.contenders) {
        std::vector<double> gaps;
        for (std::size_t set = 0; set < contender.makespans.size(); ++set)
            gaps.push_back(100 * (contender.makespans[set] - bounds[set].upperBound) / bounds[set].upperBound);
        table.gaps.push_back(std::move(gaps));
    }
    return table;
}

void taillardSection(pugi::xml_node body, const Evaluation& evaluation) {
    pugi::xml_node section = element(body, "section", {{"id", "taillard"}});
    textElement(section, "h2", "Gap to the best-known makespan");
    const GapTable table = taillardGaps(evaluation);
    if (!table.mismatch.empty()) {
        textElement(section, "p", "The definition names Taillard's instances, but " + table.mismatch +
                                      ", so no gaps are shown.", {{"class", "note"}});
        return;
    }
    textElement(section, "p",
                "Per instance, 100 x (makespan - best-known upper bound) / upper bound, in percent (lower is better; "
                "0 reaches the best-known makespan); the means are over the instances of each size group (jobs x "
                "machines) and over all of them. The smallest value of each row is in bold.",
                {{"class", "note"}});
    const auto meansOver = [&](int first, int count) {
        std::vector<double> means;
        for (const std::vector<double>& gaps : table.gaps)
            means.push_back(static_cast<int>(gaps.size()) >= first + count ? meanGap(gaps, first, count) : std::nan(""));
        return means;
    };
    pugi::xml_node means = element(section, "table", {{"class", "summary gaps"}});
    headRow(means, "Instances", evaluation);
    pugi::xml_node rows = element(means, "tbody");
    for (const GapTable::Group& group : table.groups)
        gapRow(rows, group.label + " (" + std::to_string(group.count) + ")", meansOver(group.first, group.count));
    gapRow(rows, "all " + std::to_string(evaluation.sets), meansOver(0, evaluation.sets));

    pugi::xml_node each = element(section, "table", {{"class", "summary gaps"}});
    headRow(each, "Instance", evaluation, "best known");
    rows = element(each, "tbody");
    for (int set = 0; set < evaluation.sets; ++set) {
        const TaillardBound& bound = taillardBounds()[static_cast<std::size_t>(set)];
        std::vector<double> gaps;
        for (const std::vector<double>& contender : table.gaps)
            gaps.push_back(set < static_cast<int>(contender.size()) ? contender[static_cast<std::size_t>(set)] : std::nan(""));
        gapRow(rows, std::string(bound.instance), gaps, readable(bound.upperBound).c_str());
    }
}

}  // namespace report
