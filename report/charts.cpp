#include "report/charts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace report {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- Gantt charts

double entryOf(const std::vector<double>& values, int job) {
    return job >= 0 && job < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(job)] : kNaN;
}

std::string triangle(double x, double base, double tip) {
    return coordinate(x - 4) + "," + coordinate(base) + " " + coordinate(x + 4) + "," + coordinate(base) + " " +
           coordinate(x) + "," + coordinate(tip);
}

std::string describe(const timeline::Occupation& o, const SetView& view, bool tardy) {
    std::string text = "Job " + std::to_string(o.job);
    if (view.operationsPerJob > 1) text += ", operation " + std::to_string(o.operation);
    text += " on machine " + std::to_string(o.machine) + ": ";
    if (o.setup != 0) text += "setup " + readable(o.start) + " to " + readable(o.start + o.setup) + ", ";
    text += "processed " + readable(o.start + o.setup) + " to " + readable(o.completion);
    const double due = entryOf(view.due, o.job);
    if (tardy) text += ", due " + readable(due) + ", tardy by " + readable(o.completion - due);
    return text;
}

struct Rows {
    double top, height;
    double of(int machine) const { return top + machine * height; }
};

void drawBar(pugi::xml_node svg, const timeline::Occupation& o, const SetView& view, const Scale& x, const Rows& rows,
             bool tardy) {
    pugi::xml_node bar = element(svg, "g",
                                 {{"class", tardy ? "bar tardy" : "bar"},
                                  {"data-job", std::to_string(o.job)},
                                  {"data-machine", std::to_string(o.machine)},
                                  {"data-operation", std::to_string(o.operation)},
                                  {"data-start", exact(o.start)},
                                  {"data-setup", exact(o.setup)},
                                  {"data-end", exact(o.completion)}});
    textElement(bar, "title", describe(o, view, tardy));
    const double top = rows.of(o.machine) + 7;
    const double height = rows.height - 14;
    const double setupEnd = x(o.start + o.setup);
    if (o.setup > 0)
        element(bar, "rect",
                {{"class", "setup"},
                 {"x", coordinate(x(o.start))},
                 {"y", coordinate(top)},
                 {"width", coordinate(std::max(setupEnd - x(o.start), 0.0))},
                 {"height", coordinate(height)}});
    // A job of no duration still shows as a sliver.
    const double width = std::max(x(o.completion) - setupEnd, 1.0);
    element(bar, "rect",
            {{"class", "work"},
             {"x", coordinate(setupEnd)},
             {"y", coordinate(top)},
             {"width", coordinate(width)},
             {"height", coordinate(height)},
             {"fill", jobColour(o.job)}});
    const std::string name = std::to_string(o.job);
    if (width >= 6.5 * static_cast<double>(name.size()) + 4)
        label(bar, "label", setupEnd + width / 2, top + height / 2 + 3.5, name);
}

void drawDueDate(pugi::xml_node svg, int job, double due, bool tardy, double x, double rowTop) {
    pugi::xml_node marker =
        element(svg, "polygon", {{"class", tardy ? "due late" : "due"}, {"points", triangle(x, rowTop + 1, rowTop + 7)}});
    if (!tardy) marker.append_attribute("fill").set_value(jobColour(job).c_str());
    textElement(marker, "title", "Job " + std::to_string(job) + " due at " + readable(due));
}

void drawRelease(pugi::xml_node svg, int job, double release, double x, double rowBottom) {
    pugi::xml_node marker =
        element(svg, "polygon", {{"class", "release"}, {"points", triangle(x, rowBottom - 1, rowBottom - 7)}});
    textElement(marker, "title", "Job " + std::to_string(job) + " released at " + readable(release));
}

// Where each job's first and last placed operation stand in the chart (-1: nothing placed). The
// walk places a job's operations in route order.
struct JobEnds {
    std::vector<int> first, last;
};

JobEnds jobEndsOf(const SetView& view, const Chart& chart) {
    JobEnds ends{std::vector<int>(static_cast<std::size_t>(view.jobs), -1), {}};
    ends.last = ends.first;
    for (std::size_t i = 0; i < chart.placed.size(); ++i) {
        const int job = chart.placed[i].job;
        if (job < 0 || job >= view.jobs) continue;  // a schedule file may name any job
        const std::size_t j = static_cast<std::size_t>(job);
        if (ends.first[j] < 0) ends.first[j] = static_cast<int>(i);
        ends.last[j] = static_cast<int>(i);
    }
    return ends;
}

bool drawable(const timeline::Occupation& o) {
    return std::isfinite(o.start) && std::isfinite(o.setup) && std::isfinite(o.completion);
}

// ---- per-set values

double valueOf(const Contender& contender, int set, int criterion) {
    return set < contender.results.rows - 1 ? contender.results.get(set, criterion) : kNaN;
}

std::vector<double> valuesOf(const Contender& contender, int sets, int criterion) {
    std::vector<double> values;
    for (int set = 0; set < sets; ++set) values.push_back(valueOf(contender, set, criterion));
    return values;
}

std::vector<double> allValues(const Evaluation& evaluation, int criterion) {
    std::vector<double> values;
    for (const Contender& contender : evaluation.contenders) {
        const std::vector<double> own = valuesOf(contender, evaluation.sets, criterion);
        values.insert(values.end(), own.begin(), own.end());
    }
    return values;
}

// The best value any heuristic reached on the set, or NaN.
double bestHeuristicValue(const Evaluation& evaluation, int set, int criterion) {
    double best = kNaN;
    for (const Contender& contender : evaluation.contenders) {
        const double v = valueOf(contender, set, criterion);
        if (!contender.isGP && std::isfinite(v) && !(best <= v)) best = v;
    }
    return best;
}

// Equal within the tolerance of the dominance shares.
bool reaches(double value, double best) { return value <= best || std::fabs(value - best) < 1e-10; }

void drawPoint(pugi::xml_node svg, const Contender& contender, int index, int set, double value, double x, double y) {
    pugi::xml_node point;
    if (contender.isGP) {
        point = element(svg, "polygon",
                        {{"class", "point gp"},
                         {"points", coordinate(x) + "," + coordinate(y - 5) + " " + coordinate(x + 5) + "," +
                                        coordinate(y) + " " + coordinate(x) + "," + coordinate(y + 5) + " " +
                                        coordinate(x - 5) + "," + coordinate(y)}});
    } else {
        point = element(svg, "circle",
                        {{"class", "point"},
                         {"cx", coordinate(x)},
                         {"cy", coordinate(y)},
                         {"r", "3"},
                         {"fill", contenderColour(index)}});
    }
    point.append_attribute("data-set").set_value(set);
    point.append_attribute("data-value").set_value(exact(value).c_str());
    textElement(point, "title", contender.name + ", set " + std::to_string(set) + ": " + readable(value));
}

// ---- learning curve

// One polyline per run of consecutive finite values.
void drawSeries(pugi::xml_node svg, const char* kind, const std::vector<Generation>& generations,
                double Generation::*field, const Scale& x, const Scale& y) {
    std::string points;
    const auto flush = [&] {
        if (!points.empty()) element(svg, "polyline", {{"class", kind}, {"points", points}});
        points.clear();
    };
    for (const Generation& g : generations) {
        const double value = g.*field;
        if (!std::isfinite(value) || !std::isfinite(g.generation)) {
            flush();
            continue;
        }
        if (!points.empty()) points += ' ';
        points += coordinate(x(g.generation)) + "," + coordinate(y(value));
    }
    flush();
}

}  // namespace

std::vector<bool> tardyEnds(const SetView& view, const Chart& chart) {
    const std::vector<int> last = jobEndsOf(view, chart).last;
    std::vector<bool> tardy(chart.placed.size(), false);
    for (std::size_t job = 0; job < last.size(); ++job) {
        if (last[job] < 0) continue;
        const std::size_t i = static_cast<std::size_t>(last[job]);
        tardy[i] = chart.placed[i].completion > view.due[job];
    }
    return tardy;
}

Scale timeAxisOf(const SetView& view) {
    std::vector<double> times;
    for (const Chart& chart : view.charts)
        for (const timeline::Occupation& o : chart.placed) {
            times.push_back(o.start);
            times.push_back(o.completion);
        }
    times.insert(times.end(), view.due.begin(), view.due.end());
    if (view.hasReleaseTimes) times.insert(times.end(), view.release.begin(), view.release.end());
    return valueScale(times, 0, 0, true);
}

void drawGantt(pugi::xml_node parent, const SetView& view, const Chart& chart, Scale time) {
    const Rows rows{6, view.machines <= 8 ? 30.0 : 20.0};
    const double bottom = rows.of(view.machines);
    time.from = 46;
    time.to = kWidth - 14;
    pugi::xml_node svg = svgOf(parent, "gantt", bottom + 24, "Gantt chart of set " + std::to_string(view.set));
    for (int k = 0; k < view.machines; ++k) {
        element(svg, "rect",
                {{"class", k % 2 == 0 ? "lane even" : "lane odd"},
                 {"x", coordinate(time.from)},
                 {"y", coordinate(rows.of(k))},
                 {"width", coordinate(time.to - time.from)},
                 {"height", coordinate(rows.height)}});
        std::string machine = "M";  // appended, not "M" + ...: GCC 12 warns falsely of overlapping copies there
        machine += std::to_string(k);
        label(svg, "tick end", time.from - 6, rows.of(k) + rows.height / 2 + 4, machine);
    }
    valueAxisBelow(svg, time, rows.top, bottom);

    const std::vector<bool> tardy = tardyEnds(view, chart);
    for (std::size_t i = 0; i < chart.placed.size(); ++i)
        if (drawable(chart.placed[i])) drawBar(svg, chart.placed[i], view, time, rows, tardy[i]);
    // A job's due date shows on the row of its last operation, its release on that of its first.
    const JobEnds ends = jobEndsOf(view, chart);
    for (std::size_t job = 0; job < ends.last.size(); ++job) {
        if (ends.last[job] < 0) continue;
        const std::size_t lastOne = static_cast<std::size_t>(ends.last[job]);
        const std::size_t firstOne = static_cast<std::size_t>(ends.first[job]);
        const double due = view.due[job];
        if (std::isfinite(due))
            drawDueDate(svg, static_cast<int>(job), due, tardy[lastOne], time(due), rows.of(chart.placed[lastOne].machine));
        const double release = view.release[job];
        if (view.hasReleaseTimes && std::isfinite(release))
            drawRelease(svg, static_cast<int>(job), release, time(release),
                        rows.of(chart.placed[firstOne].machine) + rows.height);
    }
}

void drawPerSet(pugi::xml_node parent, const Evaluation& evaluation, int criterion) {
    const double left = 64, right = kWidth - 10, top = 8, bottom = 212;
    const int sets = evaluation.sets;
    const Scale y = valueScale(allValues(evaluation, criterion), bottom, top, false);
    const double band = (right - left) / std::max(sets, 1);
    pugi::xml_node svg = svgOf(parent, "per-set", bottom + 26, "Values per set");
    for (int set = 0; set < sets; ++set) {
        const double x = left + band * set;
        if (evaluation.hasGP) {
            const double gp = valueOf(evaluation.contenders.back(), set, criterion);
            const double best = bestHeuristicValue(evaluation, set, criterion);
            if (std::isfinite(gp) && std::isfinite(best)) {
                const bool wins = reaches(gp, best);
                pugi::xml_node stripe = element(svg, "rect",
                                                {{"class", wins ? "gp-wins" : "gp-loses"},
                                                 {"x", coordinate(x)},
                                                 {"y", coordinate(top)},
                                                 {"width", coordinate(band)},
                                                 {"height", coordinate(bottom - top)}});
                textElement(stripe, "title",
                            "Set " + std::to_string(set) + ": GP " + readable(gp) + ", best heuristic " +
                                readable(best) + (wins ? " (GP reaches it)" : " (GP does not)"));
            }
        }
        const int every = (sets + 29) / 30;
        if (set % every == 0) label(svg, "tick middle", x + band / 2, bottom + 14, std::to_string(set));
    }
    valueAxisLeft(svg, y, left, right);
    line(svg, "axis", left, bottom, right, bottom);
    const int count = static_cast<int>(evaluation.contenders.size());
    const double spread = std::min(3.0, band * 0.6 / std::max(count, 1));
    for (int c = 0; c < count; ++c) {
        const Contender& contender = evaluation.contenders[static_cast<std::size_t>(c)];
        for (int set = 0; set < sets; ++set) {
            const double value = valueOf(contender, set, criterion);
            if (!std::isfinite(value)) continue;
            const double x = left + band * (set + 0.5) + (c - (count - 1) / 2.0) * spread;
            drawPoint(svg, contender, c, set, value, x, y(value));
        }
    }
}

void drawDistribution(pugi::xml_node parent, const Evaluation& evaluation, int criterion) {
    const double rowHeight = 26, top = 4;
    const double bottom = top + rowHeight * static_cast<double>(evaluation.contenders.size());
    const Scale x = valueScale(allValues(evaluation, criterion), 130, kWidth - 14, false);
    pugi::xml_node svg = svgOf(parent, "distribution", bottom + 24, "Distribution over the sets");
    valueAxisBelow(svg, x, top, bottom);
    for (std::size_t c = 0; c < evaluation.contenders.size(); ++c) {
        const Contender& contender = evaluation.contenders[c];
        const double rowTop = top + rowHeight * static_cast<double>(c), middle = rowTop + rowHeight / 2;
        if (contender.isGP)
            element(svg, "rect",
                    {{"class", "gp-row"},
                     {"x", "0"},
                     {"y", coordinate(rowTop)},
                     {"width", coordinate(kWidth)},
                     {"height", coordinate(rowHeight)}});
        label(svg, contender.isGP ? "name gp" : "name", 8, middle + 4, contender.name);
        std::vector<double> values;
        for (const double v : valuesOf(contender, evaluation.sets, criterion))
            if (std::isfinite(v)) values.push_back(v);
        if (values.empty()) continue;
        drawBox(svg, x, middle, values, contender.name, contender.isGP,
                contender.isGP ? kGPColour : contenderColour(static_cast<int>(c)));
    }
}

void drawLearning(pugi::xml_node parent, const LearnerLog& log) {
    std::vector<double> generations, fitness;
    for (const Generation& g : log.generations) {
        generations.push_back(g.generation);
        fitness.push_back(g.bestFitness);
        fitness.push_back(g.meanFitness);
        if (log.validated) fitness.push_back(g.validationBest);
    }
    const PerGeneration chart = perGenerationChart(parent, "learning", "Fitness per generation", generations, fitness);
    drawSeries(chart.svg, "mean", log.generations, &Generation::meanFitness, chart.x, chart.y);
    drawSeries(chart.svg, "best", log.generations, &Generation::bestFitness, chart.x, chart.y);
    if (log.validated) drawSeries(chart.svg, "validation", log.generations, &Generation::validationBest, chart.x, chart.y);
}

}  // namespace report
