// The worked examples of the reference in docs/ are terminal sessions in ```console blocks. Each
// block is replayed here in a fresh folder, and what the programs print and write is compared with
// what the block shows, so the reference cannot drift away from the programs.
//
// A session: "$ command" runs the command with sh in the folder, the build folder first on PATH;
// the lines up to the next "$ " are its expected output (standard output and error together, as a
// terminal shows them). Before the first other command, "$ cat FILE" writes FILE from those lines
// instead: that is the session's input (later, a misspelt output file fails as cat does). A line "..." stands for any number of lines. Lines compare
// with every run of blanks and tabs read as one blank and none at either end, since markdown
// editors are free with both; trailing empty lines do not count.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::runProgram;
using testing_support::TempDir;

const char* const kDocuments[] = {"definition-file.md", "criteria.md"};

struct Step {
    std::string command;
    std::vector<std::string> lines;  // the input it writes, or the output it must give
};

struct Session {
    std::string document;
    int line = 0;  // of the opening fence, for the test's name and messages
    std::vector<Step> steps;
};

void PrintTo(const Session& session, std::ostream* out) { *out << session.document << ":" << session.line; }

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<Session> sessionsIn(const std::string& document) {
    const std::vector<std::string> lines = linesOf(testing_support::readFile(std::string(DOCS_DIR) + "/" + document));
    std::vector<Session> sessions;
    bool inSession = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!inSession) {
            inSession = line == "```console";
            if (inSession) sessions.push_back({document, static_cast<int>(i + 1), {}});
        } else if (line.rfind("```", 0) == 0) {
            inSession = false;
        } else if (line.rfind("$ ", 0) == 0) {
            sessions.back().steps.push_back({line.substr(2), {}});
        } else if (!sessions.back().steps.empty()) {
            sessions.back().steps.back().lines.push_back(line);
        } else {
            sessions.back().steps.push_back({"", {line}});  // reported: a session begins with a command
        }
    }
    return sessions;
}

std::vector<Session> allSessions() {
    std::vector<Session> sessions;
    for (const char* document : kDocuments)
        for (Session& session : sessionsIn(document)) sessions.push_back(std::move(session));
    return sessions;
}

std::string normalized(const std::string& line) {
    std::string out;
    for (char c : line) {
        const bool blank = c == ' ' || c == '\t' || c == '\r';
        if (!blank)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::vector<std::string> comparable(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) out.push_back(normalized(line));
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

// Whether got[g..] reads as want[w..], a "..." taking any number of lines.
bool matches(const std::vector<std::string>& want, std::size_t w, const std::vector<std::string>& got, std::size_t g) {
    if (w == want.size()) return g == got.size();
    if (want[w] == "...") {
        for (std::size_t skip = g; skip <= got.size(); ++skip)
            if (matches(want, w + 1, got, skip)) return true;
        return false;
    }
    return g < got.size() && want[w] == got[g] && matches(want, w + 1, got, g + 1);
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

class DocumentedSession : public testing::TestWithParam<Session> {};

TEST_P(DocumentedSession, PrintsAndWritesWhatTheDocumentShows) {
    const Session& session = GetParam();
    const TempDir folder;
    const std::string programs = fs::path(FITNESS_BIN).parent_path().string();
    const std::regex inputFile(R"(cat ([^ ]+))");
    bool readingInput = true;
    for (const Step& step : session.steps) {
        ASSERT_FALSE(step.command.empty()) << "the session must begin with a \"$ \" line";
        std::smatch name;
        readingInput = readingInput && std::regex_match(step.command, name, inputFile);
        if (readingInput) {
            folder.write(name[1], joined(step.lines));
            continue;
        }
        const std::string script = "exec 2>&1; PATH=" + shellQuoted(programs) + ":\"$PATH\"; " + step.command;
        const testing_support::RunResult run = runProgram("/bin/sh", "-c " + shellQuoted(script), folder.path());
        EXPECT_TRUE(matches(comparable(step.lines), 0, comparable(linesOf(run.out)), 0))
            << "$ " << step.command << "\n--- the document shows:\n" << joined(step.lines) << "--- the programs give:\n"
            << run.out;
    }
}

std::string sessionName(const testing::TestParamInfo<Session>& info) {
    std::string stem = fs::path(info.param.document).stem().string();
    for (char& c : stem)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return stem + "_line_" + std::to_string(info.param.line);
}

INSTANTIATE_TEST_SUITE_P(Docs, DocumentedSession, testing::ValuesIn(allSessions()), sessionName);

// A session that the parser missed would leave its document unchecked without a word.
TEST(DocumentedSessions, EveryDocumentHasSessionsToReplay) {
    for (const char* document : kDocuments) EXPECT_FALSE(sessionsIn(document).empty()) << document;
}

}  // namespace
