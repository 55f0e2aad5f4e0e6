#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace testing_support {

// A fresh folder under the system's temporary directory, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // Every file below the folder by its relative path, with its contents ("" for a folder, whose
    // path ends in "/", and for a pipe): equal snapshots mean nothing was created, removed or
    // changed.
    std::map<std::string, std::string> contents() const;

private:
    std::filesystem::path path_;
};

// Changes the working directory for the lifetime of the object.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::filesystem::path& dir);
    ~ScopedChdir();

private:
    std::filesystem::path previous_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

struct RunResult {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or -1 when the process did not exit normally
};

// Runs a program in dir with the given arguments (each quoted for the shell) and standard
// input taken from stdinText (empty: end of input at once). Never waits on a terminal.
RunResult runProgram(const std::string& binary, const std::string& args, const std::filesystem::path& dir,
                     const std::string& stdinText = "");

}  // namespace testing_support
