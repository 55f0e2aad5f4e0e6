#pragma once

// The parts every chart of the page is built from: its svg element, lines and labels, value axes
// and scales, a box of a sample, and the frame of a chart per generation.
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "report/svg.h"

namespace report {

inline constexpr double kWidth = 960;  // of every chart, in pixels

// An inline <svg> of the chart width, with its kind as class and a label for screen readers.
pugi::xml_node svgOf(pugi::xml_node parent, const char* kind, double height, const std::string& label);
void line(pugi::xml_node svg, const char* kind, double x1, double y1, double x2, double y2);
void label(pugi::xml_node svg, const char* kind, double x, double y, const std::string& text);
// Grid lines across the chart and their values below it, or left of it.
void valueAxisBelow(pugi::xml_node svg, const Scale& x, double top, double bottom);
void valueAxisLeft(pugi::xml_node svg, const Scale& y, double left, double right);
// Over the finite values, from 0 (or below, for negative values) when `fromZero`, else from the
// smallest with a margin; 0 to 1 without any finite value.
Scale valueScale(const std::vector<double>& values, double from, double to, bool fromZero);
// Linear interpolation between the order statistics of sorted values.
double quantile(const std::vector<double>& sorted, double p);
// A box of the values around the line `middle` (quartiles, median, whiskers to the extremes) with
// each value as a point, and a tooltip naming them.
void drawBox(pugi::xml_node svg, const Scale& x, double middle, const std::vector<double>& values,
             const std::string& name, bool highlighted, const std::string& colour);

// A chart of values per generation (as many generations as given): its svg with the value axis
// left, the generations below, and the scales that place a point.
struct PerGeneration {
    pugi::xml_node svg;
    Scale x, y;
};
PerGeneration perGenerationChart(pugi::xml_node parent, const char* kind, const std::string& name,
                                 const std::vector<double>& generations, const std::vector<double>& values);

}  // namespace report
