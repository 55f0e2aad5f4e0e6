#pragma once

// The page's charts, each one inline <svg> element appended to a parent node.
#include <vector>

#include <pugixml.hpp>

#include "report/evaluation.h"
#include "report/learner_log.h"
#include "report/svg.h"

namespace report {

// ---- parts of every chart

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

// ---- the charts

// The time axis shared by all charts of one set, so that they can be compared by eye: from 0 (or an
// earlier start) to the last completion, release or due date of any contender's schedule.
Scale timeAxisOf(const SetView& view);

// For each placed job or operation of the chart: whether it ends a job after its due date (the
// job's last operation, compared as the criteria compare).
std::vector<bool> tardyEnds(const SetView& view, const Chart& chart);

// One contender's schedule of one set: a row per machine, a bar per job or operation (setup as its
// own grey segment before it), release times as triangles at the foot of the row, due dates as
// triangles at its head, tardy jobs outlined in red. Each bar carries its job, machine, operation
// and exact times as data attributes.
void drawGantt(pugi::xml_node parent, const SetView& view, const Chart& chart, Scale time);

// The headline criterion of every set, one column per set with a point per contender; with GP
// schedules, a set's column is green where GP reached the best heuristic value and red where not.
void drawPerSet(pugi::xml_node parent, const Evaluation& evaluation, int criterion);

// The spread of the headline criterion over the sets: a box (quartiles, median, extremes) and the
// sets as points, one row per contender.
void drawDistribution(pugi::xml_node parent, const Evaluation& evaluation, int criterion);

// The learner's best and mean fitness per generation.
void drawLearning(pugi::xml_node parent, const LearnerLog& log);

}  // namespace report
