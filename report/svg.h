#pragma once

// The page is built as an XML tree (pugixml), which escapes every text and attribute on output
// and cannot produce markup that does not parse. These helpers add elements and format numbers
// for coordinates and for reading; Scale and ticks place values on a chart's axes.
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace report {

using Attributes = std::initializer_list<std::pair<const char*, std::string>>;

pugi::xml_node element(pugi::xml_node parent, const char* name, Attributes attributes = {});
// An element that holds only the given text.
pugi::xml_node textElement(pugi::xml_node parent, const char* name, const std::string& text,
                           Attributes attributes = {});

std::string coordinate(double value);  // pixels, at most two decimals
std::string exact(double value);       // the shortest text that reads back as the same double
std::string readable(double value);    // as the evaluator prints values (%g)

// A linear map of [low, high] onto [from, to] (pixels); a degenerate range maps to its middle.
struct Scale {
    double low, high, from, to;
    double operator()(double value) const {
        return high > low ? from + (value - low) / (high - low) * (to - from) : (from + to) / 2;
    }
};

// Round values (1, 2 or 5 times a power of ten apart) from low to high, about `count` of them.
std::vector<double> ticks(double low, double high, int count);

// Colours that tell jobs (Gantt bars) and contenders (points) apart.
std::string jobColour(int job);
std::string contenderColour(int index);
inline constexpr const char* kGPColour = "#d62728";

}  // namespace report
