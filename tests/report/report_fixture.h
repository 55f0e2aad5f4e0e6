#pragma once

// Runs the report program in an evaluation folder and reads the page back as XML; measures the
// same folder in this process through the evaluator's run tables and timeline, for comparison.
#include <filesystem>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "core/matrice.h"
#include "fitness/timeline.h"
#include "support/test_support.h"

namespace report_testing {

// A copy of one of the bundled examples (single, uniform, unrelated, jobshop).
void copyExample(const std::string& name, const std::filesystem::path& to);

// A single-machine instance with release times, weights, precedence constraints (Sidney's
// sequences included) and setup times, so that all eleven heuristics run. Set 0 has 5 jobs, set 1 has 4.
void writeFullSingleMachine(const testing_support::TempDir& dir);

testing_support::RunResult runReport(const std::filesystem::path& dir, const std::string& args = "");

// The page as XML; a test fails when it does not parse.
struct Page {
    pugi::xml_document document;
    pugi::xml_parse_result parsed;
    pugi::xpath_node_set select(const std::string& xpath) const { return document.select_nodes(xpath.c_str()); }
};
void readPage(const std::string& file, Page& page);

// One contender's schedule of one set as the evaluator measures it.
struct Measured {
    std::string name;
    Matrix results;
    std::vector<timeline::Occupation> placed;
};

// The heuristics of the folder's environment (and GP when raspored_GP.txt is there), measured by
// the criteria and walked for `set`, in the order the evaluation runs them.
std::vector<Measured> measureInProcess(const std::filesystem::path& dir, int set);

// The bars of one chart: its <g class="bar ..."> elements in document order.
std::vector<pugi::xml_node> barsOf(pugi::xml_node svg);
double attributeNumber(pugi::xml_node node, const char* name);

}  // namespace report_testing
