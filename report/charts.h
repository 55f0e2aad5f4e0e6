#pragma once

// The page's charts, each one inline <svg> element appended to a parent node.
#include <vector>

#include <pugixml.hpp>

#include "core/learning_log.h"
#include "report/chart_parts.h"
#include "report/evaluation.h"

namespace report {

using learning_log::Generation;
using learning_log::LearnerLog;

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

// The learner's best and mean fitness per generation, and with a validation collection the chosen
// rule's total there.
void drawLearning(pugi::xml_node parent, const LearnerLog& log);

}  // namespace report
