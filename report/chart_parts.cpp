#include "report/chart_parts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace report {

pugi::xml_node svgOf(pugi::xml_node parent, const char* kind, double height, const std::string& label) {
    const std::string h = coordinate(height);
    return element(parent, "svg",
                   {{"xmlns", "http://www.w3.org/2000/svg"},
                    {"class", kind},
                    {"width", coordinate(kWidth)},
                    {"height", h},
                    {"viewBox", "0 0 " + coordinate(kWidth) + " " + h},
                    {"role", "img"},
                    {"aria-label", label}});
}

void line(pugi::xml_node svg, const char* kind, double x1, double y1, double x2, double y2) {
    element(svg, "line",
            {{"class", kind}, {"x1", coordinate(x1)}, {"y1", coordinate(y1)}, {"x2", coordinate(x2)}, {"y2", coordinate(y2)}});
}

void label(pugi::xml_node svg, const char* kind, double x, double y, const std::string& text) {
    textElement(svg, "text", text, {{"class", kind}, {"x", coordinate(x)}, {"y", coordinate(y)}});
}

// Vertical grid lines over [top, bottom] and their values below it.
void valueAxisBelow(pugi::xml_node svg, const Scale& x, double top, double bottom) {
    for (const double t : ticks(x.low, x.high, 8)) {
        line(svg, "grid", x(t), top, x(t), bottom);
        label(svg, "tick middle", x(t), bottom + 14, readable(t));
    }
}

// Horizontal grid lines over [left, right] and their values left of it.
void valueAxisLeft(pugi::xml_node svg, const Scale& y, double left, double right) {
    for (const double t : ticks(y.low, y.high, 5)) {
        line(svg, "grid", left, y(t), right, y(t));
        label(svg, "tick end", left - 6, y(t) + 4, readable(t));
    }
}

// Over the finite values, from 0 (or below, for negative values) when `fromZero`, else from the
// smallest with a margin; 0 to 1 without any finite value.
Scale valueScale(const std::vector<double>& values, double from, double to, bool fromZero) {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const double v : values) {
        if (!std::isfinite(v)) continue;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (!(high >= low)) return {0, 1, from, to};
    if (fromZero) low = std::min(low, 0.0);
    const double margin = fromZero ? 0 : (high - low) * 0.05;
    low -= margin;
    high += margin;
    if (!(high > low)) high = low + 1;
    return {low, high, from, to};
}

// Linear interpolation between the order statistics of sorted values.
double quantile(const std::vector<double>& sorted, double p) {
    const double h = (static_cast<double>(sorted.size()) - 1) * p;
    const std::size_t below = static_cast<std::size_t>(std::floor(h));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (h - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

void drawBox(pugi::xml_node svg, const Scale& x, double middle, const std::vector<double>& values,
             const std::string& name, bool highlighted, const std::string& colour) {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const double q1 = quantile(sorted, 0.25), median = quantile(sorted, 0.5), q3 = quantile(sorted, 0.75);
    pugi::xml_node box = element(svg, "g", {{"class", highlighted ? "box gp" : "box"}});
    textElement(box, "title",
                name + ": minimum " + readable(sorted.front()) + ", quartiles " + readable(q1) + ", " +
                    readable(median) + ", " + readable(q3) + ", maximum " + readable(sorted.back()));
    line(box, "whisker", x(sorted.front()), middle, x(sorted.back()), middle);
    element(box, "rect",
            {{"class", "quartiles"},
             {"x", coordinate(x(q1))},
             {"y", coordinate(middle - 7)},
             {"width", coordinate(std::max(x(q3) - x(q1), 1.0))},
             {"height", "14"}});
    line(box, "median", x(median), middle - 7, x(median), middle + 7);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double jitter = static_cast<double>(static_cast<int>((i * 7919) % 11) - 5);
        element(box, "circle",
                {{"class", "sample"},
                 {"cx", coordinate(x(values[i]))},
                 {"cy", coordinate(middle + jitter)},
                 {"r", "2"},
                 {"fill", colour}});
    }
}

PerGeneration perGenerationChart(pugi::xml_node parent, const char* kind, const std::string& name,
                                 const std::vector<double>& generations, const std::vector<double>& values) {
    const double left = 64, right = kWidth - 10, top = 8, bottom = 232;
    const Scale x = valueScale(generations, left, right, false);
    const Scale y = valueScale(values, bottom, top, false);
    pugi::xml_node svg = svgOf(parent, kind, bottom + 26, name);
    valueAxisLeft(svg, y, left, right);
    for (const double t : ticks(x.low, x.high, 10)) label(svg, "tick middle", x(t), bottom + 16, readable(t));
    line(svg, "axis", left, bottom, right, bottom);
    return {svg, x, y};
}

}  // namespace report
