#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/definition_file.h"
#include "core/matrice.h"

// A table and the shape that the sizes of a definition give it.
struct ShapedTable {
    Matrix* table;
    int rows;
    int cols;
};

// Allocates each table with its shape, in order (the shape assertions of init apply).
void allocateTables(const std::vector<ShapedTable>& tables);

// The lookups that size a program's tables, shared by the evaluator and the generator so that
// both refuse a definition for the same reasons and in the same words. Each refusal is one
// message naming the file and the key, and comes before any table is allocated or any file is
// written: a required entry that is missing, a per-set list shorter than "sets", a count that
// does not fit an int, and tables that need more memory than the machine has.
class DefinitionEntries {
public:
    DefinitionEntries(DefinitionFile& file, std::string fileName) : file_(file), fileName_(std::move(fileName)) {}

    DefinitionFile& file() { return file_; }
    const std::string& fileName() const { return fileName_; }

    // The key stands at the start of a line with a value after it.
    bool has(const char* key);
    bool text(const char* key, std::string& value);
    std::string requiredText(const char* key);
    // A count such as "sets" or "max_jobs"; false, with value untouched, when the key is absent.
    bool count(const char* key, int& value);
    int requiredCount(const char* key);

    // The sets values of one line. None when sets is below 1: the tables refuse that shape.
    std::vector<double> perSetList(const char* key, int sets, bool required);
    // A per-set list of counts ("jobs", "machines"): each value must also fit an int.
    std::vector<double> perSetCounts(const char* key, int sets, bool required);

    // Stops when the tables together need more bytes than memoryForTables(). shapingKeys are the
    // keys and values that shape them, for the message.
    void requireMemoryFor(const std::vector<ShapedTable>& tables,
                          std::initializer_list<std::pair<const char*, int>> shapingKeys) const;

    [[noreturn]] void stop(const std::string& what) const;  // "Definition file "<name>": <what>"
    [[noreturn]] void missing(const char* key) const;

private:
    DefinitionFile& file_;
    std::string fileName_;
};

// The bytes that the tables of one run may take: the machine's physical memory unless limited
// lower (a fuzzing run holds every input within its own memory limit).
std::uint64_t memoryForTables();
void limitMemoryForTables(std::uint64_t bytes);
