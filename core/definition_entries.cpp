#include "core/definition_entries.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

#include "core/fatal.h"

namespace {

std::uint64_t tableMemoryLimit = std::numeric_limits<std::uint64_t>::max();

std::uint64_t physicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

bool fitsInt(double value) { return value >= INT_MIN && value <= INT_MAX; }

// A whole count with every digit, anything else in the shortest text that reads back as it.
std::string countText(double value) {
    if (value == std::trunc(value) && std::fabs(value) < 1e18) return std::to_string(static_cast<long long>(value));
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

const char* const kIntRange = " (-2147483648 to 2147483647).";

std::string mebibytes(double bytes) { return std::to_string(static_cast<long long>(std::ceil(bytes / 1048576.0))); }

}  // namespace

std::uint64_t memoryForTables() { return std::min(physicalMemory(), tableMemoryLimit); }

void limitMemoryForTables(std::uint64_t bytes) { tableMemoryLimit = bytes; }

void DefinitionEntries::stop(const std::string& what) const {
    fatalError("Definition file \"" + fileName_ + "\": " + what);
}

void DefinitionEntries::missing(const char* key) const {
    stop("the required entry \"" + std::string(key) + "\" is missing.");
}

bool DefinitionEntries::has(const char* key) {
    int ignored = 0;
    return file_.lookup(key, &ignored) == 1;
}

bool DefinitionEntries::text(const char* key, std::string& value) { return file_.lookup(key, value) == 1; }

std::string DefinitionEntries::requiredText(const char* key) {
    std::string value;
    if (!text(key, value)) missing(key);
    return value;
}

bool DefinitionEntries::count(const char* key, int& value) {
    long long wide = value;
    if (file_.lookup(key, &wide) != 1) return false;
    if (wide < INT_MIN || wide > INT_MAX) {
        std::string written;
        text(key, written);
        stop("the entry \"" + std::string(key) + "\" gives " + written + ", which does not fit an int" + kIntRange);
    }
    value = static_cast<int>(wide);
    return true;
}

int DefinitionEntries::requiredCount(const char* key) {
    int value = 0;
    if (!count(key, value)) missing(key);
    return value;
}

std::vector<double> DefinitionEntries::perSetList(const char* key, int sets, bool required) {
    std::vector<double> values;
    if (sets < 1) return values;
    if (file_.lookup(key, values, sets) != 1 && required) {
        if (!has(key)) missing(key);
        stop("the entry \"" + std::string(key) + "\" must give " + std::to_string(sets) + " values, one per set.");
    }
    values.resize(static_cast<std::size_t>(sets), 0.0);  // an optional list that is short or absent
    return values;
}

std::vector<double> DefinitionEntries::perSetCounts(const char* key, int sets, bool required) {
    std::vector<double> values = perSetList(key, sets, required);
    for (std::size_t set = 0; set < values.size(); ++set)
        if (!std::isnan(values[set]) && !fitsInt(values[set]))
            stop("the entry \"" + std::string(key) + "\" gives set " + std::to_string(set) + " the count " +
                 countText(values[set]) + ", which does not fit an int" + kIntRange);
    return values;
}

void allocateTables(const std::vector<ShapedTable>& tables) {
    for (const ShapedTable& shaped : tables) shaped.table->init(shaped.rows, shaped.cols);
}

void DefinitionEntries::requireMemoryFor(const std::vector<ShapedTable>& tables,
                                         std::initializer_list<std::pair<const char*, int>> shapingKeys) const {
    double bytes = 0.0;  // exact far beyond any memory, and free of overflow
    for (const ShapedTable& table : tables)
        if (table.rows > 0 && table.cols > 0)
            bytes += static_cast<double>(table.rows) * static_cast<double>(table.cols) * sizeof(double);
    const std::uint64_t available = memoryForTables();
    if (bytes <= static_cast<double>(available)) return;
    std::string keys;
    for (const auto& [key, value] : shapingKeys)
        keys += std::string(keys.empty() ? "" : ", ") + "\"" + key + "\" " + std::to_string(value);
    stop("the tables that " + keys + " shape need " + mebibytes(bytes) + " MiB, more than the " +
         mebibytes(static_cast<double>(available)) + " MiB of memory of this machine.");
}
