#include "report/svg.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace report {

pugi::xml_node element(pugi::xml_node parent, const char* name, Attributes attributes) {
    pugi::xml_node node = parent.append_child(name);
    for (const auto& [key, value] : attributes) node.append_attribute(key).set_value(value.c_str());
    return node;
}

pugi::xml_node textElement(pugi::xml_node parent, const char* name, const std::string& text, Attributes attributes) {
    pugi::xml_node node = element(parent, name, attributes);
    node.append_child(pugi::node_pcdata).set_value(text.c_str());
    return node;
}

std::string coordinate(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.2f", std::abs(value) < 0.005 ? 0.0 : value);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string exact(double value) {
    char text[40];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string readable(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::vector<double> ticks(double low, double high, int count) {
    std::vector<double> values;
    if (!(high > low) || !std::isfinite(high - low) || count < 1) return {low};
    // The round step nearest (by ratio) to an even split into `count` parts.
    const double rough = (high - low) / count;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (const double factor : {2.0, 5.0, 10.0})
        if (std::fabs(std::log(factor * power / rough)) < std::fabs(std::log(step / rough))) step = factor * power;
    if (!(step > 0)) return {low};
    // At most about 1.6 x count values fit; the bound also ends the loop where k + 1 == k.
    double k = std::ceil(low / step);
    for (int i = 0; i < 2 * count + 3 && k * step <= high + step * 1e-9; ++i, k += 1)
        values.push_back(k * step + 0.0);  // + 0.0: no "-0" label where k is -0
    return values;
}

std::string jobColour(int job) {
    // Hues a golden angle apart, in two lightness bands, so that neighbouring jobs differ.
    const double hue = std::fmod(job * 137.508, 360.0);
    const int lightness = job % 2 == 0 ? 72 : 58;
    return "hsl(" + coordinate(hue) + ",62%," + std::to_string(lightness) + "%)";
}

std::string contenderColour(int index) {
    static const char* const kPalette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#9467bd", "#8c564b", "#e377c2",
                                           "#7f7f7f", "#bcbd22", "#17becf", "#393b79", "#637939", "#843c39"};
    return kPalette[index % (sizeof kPalette / sizeof kPalette[0])];
}

}  // namespace report
