#pragma once

// Taillard's instances against their best-known makespans: for every contender the gap of each
// instance, 100 x (makespan - upper bound) / upper bound, and its mean per size group (15x15 ...
// 100x20) and over all instances, as published tables give them.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "report/evaluation.h"

namespace report {

// One instance's best-known bounds of the optimal makespan; upperBound is the best makespan known.
struct TaillardBound {
    std::string_view instance;  // "ta01" ...
    int jobs;
    int machines;
    double lowerBound;
    double upperBound;
};

// ta01 to ta80 in order, from examples/taillard/bounds.csv (compiled in by the build).
std::span<const TaillardBound> taillardBounds();

struct GapTable {
    // Why the collection's sets are not Taillard's instances in order (too many sets, or a set
    // whose jobs or machines are not its instance's); empty when they are.
    std::string mismatch;
    struct Group {
        std::string label;  // jobs x machines
        int first;          // its first set
        int count;          // its sets in the collection
    };
    std::vector<Group> groups;
    std::vector<std::vector<double>> gaps;  // [contender][set], in percent
};

GapTable taillardGaps(const Evaluation& evaluation);

// The mean of gaps[first .. first + count).
double meanGap(const std::vector<double>& gaps, int first, int count);

// The page's section: the mean gaps per group and over all instances, then every instance's gap.
void taillardSection(pugi::xml_node body, const Evaluation& evaluation);

}  // namespace report
