#include "support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "gpsched-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void TempDir::write(const std::string& name, const std::string& content) const { writeFile(file(name), content); }
std::string TempDir::read(const std::string& name) const { return readFile(file(name)); }
bool TempDir::exists(const std::string& name) const { return fs::exists(path_ / name); }

std::map<std::string, std::string> TempDir::contents() const {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path_)) {
        const std::string name = fs::relative(entry.path(), path_).string();
        files[entry.is_directory() ? name + "/" : name] =
            entry.is_regular_file() ? readFile(entry.path().string()) : "";
    }
    return files;
}

ScopedChdir::ScopedChdir(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
ScopedChdir::~ScopedChdir() { fs::current_path(previous_); }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << content;
}

RunResult runProgram(const std::string& binary, const std::string& args, const fs::path& dir,
                     const std::string& stdinText) {
    TempDir io;
    io.write("stdin", stdinText);
    std::string command = "cd '" + dir.string() + "' && '" + binary + "' " + args + " <'" + io.file("stdin") +
                          "' >'" + io.file("stdout") + "' 2>'" + io.file("stderr") + "'";
    int raw = std::system(command.c_str());
    RunResult result;
    result.out = io.read("stdout");
    result.err = io.read("stderr");
    result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    return result;
}

}  // namespace testing_support
