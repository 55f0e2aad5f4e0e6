#include "core/learning_log.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "core/fatal.h"

namespace learning_log {

namespace {

// Whole-field numbers only ("12", "0.5", "1e+06", "inf", "nan"), as %g writes them.
std::optional<double> numberIn(const std::string& field) {
    if (field.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(field.c_str(), &end);
    if (end != field.c_str() + field.size()) return std::nullopt;
    return value;
}

std::optional<Generation> rowOf(const std::string& line, int columns) {
    double values[kColumns + 1];
    std::istringstream fields(line);
    std::string field;
    int count = 0;
    while (std::getline(fields, field, ',')) {
        const std::optional<double> value = numberIn(field);
        if (!value || count == columns) return std::nullopt;
        values[count++] = *value;
    }
    if (count != columns || line.back() == ',') return std::nullopt;
    Generation row{values[0], values[1], values[2], values[3], values[4], values[5]};
    if (columns > kColumns) row.validationBest = values[kColumns];
    return row;
}

[[noreturn]] void badLine(const std::string& file, int line, const std::string& fault) {
    fatalError("Learner log \"" + file + "\", line " + std::to_string(line) + ": " + fault);
}

}  // namespace

std::string header(bool validated) { return validated ? std::string(kHeader) + "," + kValidationColumn : kHeader; }

std::string row(int generation, double bestFitness, double meanFitness, int bestSize, int bestDepth,
                std::size_t rulesMeasured, std::optional<double> validationBest) {
    char text[200];
    int length = std::snprintf(text, sizeof text, "%d,%.10g,%.10g,%d,%d,%zu", generation, bestFitness, meanFitness,
                               bestSize, bestDepth, rulesMeasured);
    if (validationBest) std::snprintf(text + length, sizeof text - length, ",%.10g", *validationBest);
    return text;
}

LearnerLog parseLearnerLog(const std::string& file, const std::string& text) {
    LearnerLog log{file, false, {}};
    std::size_t begin = 0;
    for (int line = 1; begin < text.size(); ++line) {
        const std::size_t end = text.find('\n', begin);
        const bool complete = end != std::string::npos;
        std::string content = text.substr(begin, complete ? end - begin : std::string::npos);
        begin = complete ? end + 1 : text.size();
        if (!content.empty() && content.back() == '\r') content.pop_back();
        if (line == 1) {
            log.validated = content == header(true);
            if (content != kHeader && !log.validated)
                badLine(file, line, "the first line must be \"" + std::string(kHeader) + "\".");
            continue;
        }
        if (content.empty()) continue;
        const int columns = kColumns + (log.validated ? 1 : 0);
        const std::optional<Generation> row = rowOf(content, columns);
        if (row)
            log.generations.push_back(*row);
        else if (complete)
            badLine(file, line,
                    "a generation's row must hold " + std::to_string(columns) + " numbers separated by commas.");
    }
    if (text.empty()) badLine(file, 1, "the file is empty.");
    return log;
}

LearnerLog readLearnerLog(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) fatalError("Learner log \"" + file + "\" cannot be read.");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return parseLearnerLog(file, text);
}

}  // namespace learning_log
