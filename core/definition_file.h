#pragma once

#include <string>
#include <string_view>
#include <vector>

// Keyed lookup of values in the environment definition file (fitness.txt): an entry is a
// line that begins with its key, followed by a blank, a tab or the line end, then its values.
// Every lookup scans the file from its first line, so entries may stand in any order.
class DefinitionFile {
public:
    enum ValueType { String = 0, Integer = 1, Double = 2 };

    int open(const std::string& fileName);  // 1 when the file could be read, else 0
    int close();                            // always 1

    // Each reads up to count values after the key on the occurrence-th line that begins with
    // it. Returns 1 when the values were read, 0 when the key is absent, count is 0 or the line
    // holds fewer values (the values read before the shortage stay stored). A token that is
    // not a number leaves its element untouched and the lookup goes on with the next token.
    int lookup(std::string_view key, int* out, int count = 1, int occurrence = 1);
    // As the int form, but a value beyond an int is kept as written (up to the long long range),
    // so that a caller can refuse it instead of working with a clamped count.
    int lookup(std::string_view key, long long* out, int count = 1, int occurrence = 1);
    int lookup(std::string_view key, double* out, int count = 1, int occurrence = 1);
    // As the double form, into a list that grows with the values the line holds (a token that is
    // not a number gives 0), so a count far beyond the line costs no more memory than the line.
    int lookup(std::string_view key, std::vector<double>& out, int count, int occurrence = 1);
    // String tokens are concatenated without a separator, as they are stored one behind another.
    int lookup(std::string_view key, std::string& out, int count = 1, int occurrence = 1);

private:
    std::vector<std::string> lines_;
    bool isOpen_ = false;

    const std::string* findLine(std::string_view key, int count, int occurrence) const;
    template <class Store>
    int readValues(const std::string& line, int count, Store store) const;
};
