#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/platform.h"

// How the programs write their output files. A file that cannot be written stops the run with
// one message naming it and the system's reason, e.g.
// Matrix file "d.txt" cannot be written: No such file or directory

[[noreturn]] void cannotWrite(const char* kind, const std::string& fileName, int error);

// Writes contents as the whole of fileName: it keeps its old contents until the new ones are
// complete, so a kill or a failure never leaves it half-written.
void writeWholeFile(const std::string& fileName, std::string_view contents, const char* kind);

// Stops unless fileName could be written now; the folder is left as it was.
void requireWritable(const std::string& fileName, const char* kind);

// Whole files that appear together or not at all: a failure before commit() leaves every one
// of them as it was.
class OutputFiles {
public:
    explicit OutputFiles(const char* kind) : kind_(kind) {}
    void add(const std::string& fileName, std::string_view contents);
    void commit();

private:
    const char* kind_;
    platform::FileBatch batch_;
};

// For a file written piece by piece: stops when what was written so far did not reach it.
void flushOrStop(std::FILE* file, const char* kind, const std::string& fileName);
void closeOrStop(std::FILE* file, const char* kind, const std::string& fileName);
