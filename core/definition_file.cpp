#include "core/definition_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::size_t skipSpace(const std::string& line, std::size_t p) {
    while (p < line.size() && isSpace(line[p])) ++p;
    return p;
}

// Formatted-input "%d": the longest prefix that forms a decimal integer, after white space,
// held to the range of Int.
template <class Int>
bool convertInt(const std::string& line, std::size_t p, Int& value) {
    const char* start = line.c_str() + skipSpace(line, p);
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(start, &end, 10);
    if (end == start) return false;
    value = static_cast<Int>(std::clamp<long long>(parsed, std::numeric_limits<Int>::min(),
                                                   std::numeric_limits<Int>::max()));
    return true;
}

// Formatted-input "%lf": the longest prefix that forms a floating-point number.
bool convertDouble(const std::string& line, std::size_t p, double& value) {
    const char* start = line.c_str() + skipSpace(line, p);
    char* end = nullptr;
    double parsed = std::strtod(start, &end);
    if (end == start) return false;
    value = parsed;
    return true;
}

// Formatted-input "%s": the characters up to the next white space.
std::string convertToken(const std::string& line, std::size_t p) {
    std::size_t start = skipSpace(line, p);
    std::size_t end = start;
    while (end < line.size() && !isSpace(line[end])) ++end;
    return line.substr(start, end - start);
}

}  // namespace

int DefinitionFile::open(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return 0;
    lines_.clear();
    std::string line;
    // Lines keep their line end: a key must be followed by a blank, a tab or the line end.
    while (std::getline(in, line)) {
        if (!in.eof()) line.push_back('\n');
        lines_.push_back(std::move(line));
        line.clear();
    }
    isOpen_ = true;
    return 1;
}

int DefinitionFile::close() {
    lines_.clear();
    isOpen_ = false;
    return 1;
}

const std::string* DefinitionFile::findLine(std::string_view key, int count, int occurrence) const {
    if (!isOpen_ || count <= 0) return nullptr;
    for (const std::string& line : lines_) {
        const bool matches = line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
                             (isBlank(line[key.size()]) || line[key.size()] == '\n');
        if (matches && --occurrence == 0) return &line;
    }
    return nullptr;
}

// Steps from token to token along the line (the key first, then each value read) and hands
// the text after each step to store; stops with 0 when only white space is left.
template <class Store>
int DefinitionFile::readValues(const std::string& line, int count, Store store) const {
    std::size_t p = 0;
    for (int j = 0; j < count; ++j) {
        while (p < line.size() && isBlank(line[p])) ++p;
        while (p < line.size() && !isBlank(line[p]) && line[p] != '\n') ++p;
        if (skipSpace(line, p) == line.size()) return 0;
        store(j, p);
    }
    return 1;
}

int DefinitionFile::lookup(std::string_view key, int* out, int count, int occurrence) {
    const std::string* line = findLine(key, count, occurrence);
    if (!line) return 0;
    return readValues(*line, count, [&](int j, std::size_t p) { convertInt(*line, p, out[j]); });
}

int DefinitionFile::lookup(std::string_view key, long long* out, int count, int occurrence) {
    const std::string* line = findLine(key, count, occurrence);
    if (!line) return 0;
    return readValues(*line, count, [&](int j, std::size_t p) { convertInt(*line, p, out[j]); });
}

int DefinitionFile::lookup(std::string_view key, double* out, int count, int occurrence) {
    const std::string* line = findLine(key, count, occurrence);
    if (!line) return 0;
    return readValues(*line, count, [&](int j, std::size_t p) { convertDouble(*line, p, out[j]); });
}

int DefinitionFile::lookup(std::string_view key, std::vector<double>& out, int count, int occurrence) {
    const std::string* line = findLine(key, count, occurrence);
    if (!line) return 0;
    out.clear();
    return readValues(*line, count, [&](int, std::size_t p) {
        out.push_back(0.0);
        convertDouble(*line, p, out.back());
    });
}

int DefinitionFile::lookup(std::string_view key, std::string& out, int count, int occurrence) {
    const std::string* line = findLine(key, count, occurrence);
    if (!line) return 0;
    return readValues(*line, count, [&](int j, std::size_t p) {
        if (j == 0) out.clear();
        out += convertToken(*line, p);
    });
}
