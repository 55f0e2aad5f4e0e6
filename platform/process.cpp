#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/spawn.h"

namespace platform {

namespace {

// Command lines come in the form users type them on Windows, so they are split the way the
// C runtime there builds argv.

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t skipBlanks(const std::string& line, std::size_t pos) {
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    return pos;
}

// The program name: double quotes only group (a path may hold blanks) and backslashes are
// plain characters, since they separate folders there.
std::size_t readProgramName(const std::string& line, std::size_t pos, std::string& name) {
    bool inQuotes = false;
    for (; pos < line.size() && (inQuotes || !isBlank(line[pos])); ++pos) {
        if (line[pos] == '"') {
            inQuotes = !inQuotes;
        } else {
            name += line[pos];
        }
    }
    return pos;
}

// Backslashes before a double quote: each pair gives one backslash, an odd one left over
// makes the quote literal. Anywhere else backslashes are kept as they are.
std::size_t readBackslashes(const std::string& line, std::size_t pos, std::string& argument) {
    std::size_t end = line.find_first_not_of('\\', pos);
    if (end == std::string::npos) end = line.size();
    std::size_t count = end - pos;
    if (end == line.size() || line[end] != '"') {
        argument.append(count, '\\');
        return end;
    }
    argument.append(count / 2, '\\');
    if (count % 2 == 0) return end;  // the quote still groups
    argument += '"';
    return end + 1;
}

// A later argument: double quotes group and are dropped, "" inside quotes is one literal
// quote, and a quoted empty string is an argument of its own.
std::size_t readArgument(const std::string& line, std::size_t pos, std::string& argument) {
    bool inQuotes = false;
    while (pos < line.size() && (inQuotes || !isBlank(line[pos]))) {
        if (line[pos] == '\\') {
            pos = readBackslashes(line, pos, argument);
        } else if (line[pos] != '"') {
            argument += line[pos++];
        } else if (inQuotes && pos + 1 < line.size() && line[pos + 1] == '"') {
            argument += '"';
            pos += 2;
        } else {
            inQuotes = !inQuotes;
            ++pos;
        }
    }
    return pos;
}

std::vector<std::string> splitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::size_t pos = skipBlanks(line, 0);
    if (pos == line.size()) return words;
    words.emplace_back();
    pos = skipBlanks(line, readProgramName(line, pos, words.back()));
    while (pos < line.size()) {
        words.emplace_back();
        pos = skipBlanks(line, readArgument(line, pos, words.back()));
    }
    return words;
}

}  // namespace

int launch(const std::string& commandLine) {
    std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty()) return ENOENT;  // no program named at all
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const int started = detail::spawn(argv, true, detail::ChildSetup{});
    if (started < 0) return -started;
    int status = 0;
    while (waitpid(started, &status, 0) < 0 && errno == EINTR) {
    }
    return 0;
}

}  // namespace platform
