#pragma once

// Reading what a learning run leaves behind, for the tests of the learner program: its hall of
// fame, log and printed lines.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/names.h"
#include "learning_collections.h"
#include "support/test_support.h"

namespace learning_files {

using learning_testing::Definition;
using testing_support::RunResult;
using testing_support::runProgram;
using testing_support::TempDir;

inline constexpr const char* kMarker = "-- Generacija: ";

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The word that follows `prefix` at the start of the line ("" when the line starts otherwise).
inline std::string wordAfter(const std::string& line, const std::string& prefix) {
    if (!startsWith(line, prefix)) return "";
    return line.substr(prefix.size(), line.find(' ', prefix.size()) - prefix.size());
}

inline std::vector<std::string> csvCells(const std::string& row) {
    std::vector<std::string> cells;
    std::istringstream in(row);
    for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
    return cells;
}

// The "Label: value" lines of a program's output, by label; a later line wins.
inline std::map<std::string, std::string> labelled(const std::string& out) {
    std::map<std::string, std::string> values;
    for (const std::string& line : linesOf(out)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::size_t value = line.find_first_not_of(" \t", colon + 1);
        values[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
    }
    return values;
}

// The six lines of every generation of a hall of fame, in order. The layout is checked on the
// way: an optional "# learner:" first line, then for G = 1, 2, ... the marker of G and six lines.
inline std::vector<std::vector<std::string>> generationsOf(const std::string& hallOfFame) {
    const std::vector<std::string> lines = linesOf(hallOfFame);
    std::size_t at = !lines.empty() && startsWith(lines[0], "# learner:") ? 1 : 0;
    std::vector<std::vector<std::string>> generations;
    while (at < lines.size()) {
        const std::string marker = kMarker + std::to_string(generations.size() + 1);
        if (at + 7 > lines.size() || lines[at] != marker) {
            ADD_FAILURE() << "line " << at + 1 << ": expected \"" << marker << "\" and six lines";
            break;
        }
        generations.emplace_back(lines.begin() + static_cast<std::ptrdiff_t>(at + 1),
                                 lines.begin() + static_cast<std::ptrdiff_t>(at + 7));
        at += 7;
    }
    return generations;
}

// "totals Twt 1.5, Uwt 2, ..." as {Twt: "1.5", Uwt: "2", ...}.
inline std::map<std::string, std::string> totalsOf(const std::string& line) {
    std::map<std::string, std::string> totals;
    if (!startsWith(line, "totals ")) {
        ADD_FAILURE() << "not a totals line: " << line;
        return totals;
    }
    std::istringstream in(line.substr(7));
    for (std::string name, value; in >> name >> value;) {
        if (!value.empty() && value.back() == ',') value.pop_back();
        totals[name] = value;
    }
    return totals;
}

// The seed file pomocni writes around a hall-of-fame individual.
inline std::string seedFileWith(const std::string& individual) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Beagle>\n<Seeds>\n<Individual>\n" + individual +
           "\n</Individual>\n</Seeds>\n</Beagle>\n";
}

inline RunResult learn(const TempDir& dir, const std::string& args) {
    return runProgram(LEARNER_BIN, "--population 30 --threads 2 " + args, dir.path());
}

inline const std::string& headlineOf(const Definition& c) {
    static const std::string kTwt = "Twt", kCmax = "Cmax";
    return c.environment == Environment::JobShop ? kCmax : kTwt;
}

}  // namespace learning_files
