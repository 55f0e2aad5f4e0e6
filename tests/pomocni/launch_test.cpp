#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/platform.h"
#include "pomocni/scripts.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScopedChdir;
using testing_support::TempDir;

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (previous_) {
            setenv(name_, previous_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

// ---- Splitting the command line into the program's arguments ----

class CommandLine : public ::testing::Test {
protected:
    // Starts the recording script with the given argument text and returns what it received,
    // one argument per line in brackets.
    std::string argumentsOf(const std::string& arguments) {
        EXPECT_EQ(platform::launch(recorder_ + " " + arguments), 0);
        return dir_.exists("args.log") ? dir_.read("args.log") : "(not run)";
    }

    TempDir dir_;
    std::string recorder_ =
        writeScript(dir_, "args.sh", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done >> '" + dir_.file("args.log") + "'\n");
};

TEST_F(CommandLine, BlanksSeparateArguments) { EXPECT_EQ(argumentsOf("a b\tc"), "[a]\n[b]\n[c]\n"); }

TEST_F(CommandLine, RunsOfBlanksAndTrailingBlanksMakeNoArguments) {
    EXPECT_EQ(argumentsOf("  a \t\t b  \t"), "[a]\n[b]\n");
}

TEST_F(CommandLine, NoArgumentsAfterTheProgram) {
    EXPECT_EQ(platform::launch(recorder_), 0);
    EXPECT_EQ(dir_.read("args.log"), "");
}

TEST_F(CommandLine, DoubleQuotesGroupAndAreDropped) {
    EXPECT_EQ(argumentsOf("\"a b c\" d e"), "[a b c]\n[d]\n[e]\n");
}

TEST_F(CommandLine, QuotesMayStandInsideAnArgument) { EXPECT_EQ(argumentsOf("d\"e f\"g h"), "[de fg]\n[h]\n"); }

TEST_F(CommandLine, QuotedEmptyStringIsAnArgument) { EXPECT_EQ(argumentsOf("x \"\" y"), "[x]\n[]\n[y]\n"); }

TEST_F(CommandLine, UnclosedQuoteRunsToTheEnd) { EXPECT_EQ(argumentsOf("\"a  b"), "[a  b]\n"); }

TEST_F(CommandLine, BackslashQuoteIsALiteralQuote) {
    EXPECT_EQ(argumentsOf("\"ab\\\"c\" \"\\\\\" d"), "[ab\"c]\n[\\]\n[d]\n");
}

TEST_F(CommandLine, BackslashesNotBeforeAQuoteStayAsTheyAre) {
    EXPECT_EQ(argumentsOf("a\\\\\\b c\\d\\\\"), "[a\\\\\\b]\n[c\\d\\\\]\n");
}

TEST_F(CommandLine, OddBackslashesBeforeAQuoteHalveAndKeepTheQuote) {
    EXPECT_EQ(argumentsOf("a\\\\\\\"b c d"), "[a\\\"b]\n[c]\n[d]\n");
}

TEST_F(CommandLine, EvenBackslashesBeforeAQuoteHalveAndTheQuoteGroups) {
    EXPECT_EQ(argumentsOf("a\\\\\\\\\"b c\" d e"), "[a\\\\b c]\n[d]\n[e]\n");
}

TEST_F(CommandLine, TwoQuotesInsideQuotesGiveOneQuote) { EXPECT_EQ(argumentsOf("a\"b\"\" c d"), "[ab\" c d]\n"); }

TEST_F(CommandLine, NoShellInterpretsTheLine) {
    ScopedChdir chdir(dir_.path());
    EXPECT_EQ(argumentsOf("a>out | b;c $HOME *"), "[a>out]\n[|]\n[b;c]\n[$HOME]\n[*]\n");
    EXPECT_FALSE(dir_.exists("out"));
}

TEST_F(CommandLine, QuotedProgramPathMayHoldBlanks) {
    fs::create_directory(dir_.file("with space"));
    std::string program = writeScript(dir_, "with space/rec.sh", "printf '[%s]\\n' \"$@\" > '" + dir_.file("log") + "'\n");
    EXPECT_EQ(platform::launch("  \"" + program + "\" x"), 0);
    EXPECT_EQ(dir_.read("log"), "[x]\n");
}

TEST_F(CommandLine, BackslashInTheProgramNameIsAPlainCharacter) {
    // Program names end in a backslash where folders are written that way; the quote after
    // it still closes the name.
    std::string program = writeScript(dir_, "odd\\", "printf '[%s]\\n' \"$@\" > '" + dir_.file("log") + "'\n");
    EXPECT_EQ(platform::launch("\"" + program + "\" y"), 0);
    EXPECT_EQ(dir_.read("log"), "[y]\n");
}

// ---- Starting the program ----

TEST(Launch, FindsTheProgramOnThePath) {
    TempDir dir;
    fs::create_directory(dir.file("bin"));
    writeScript(dir, "bin/pomocni-probe", "echo \"$1\" > '" + dir.file("log") + "'\n");
    ScopedEnvironment path("PATH", dir.file("bin") + ":" + std::getenv("PATH"));
    EXPECT_EQ(platform::launch("pomocni-probe found"), 0);
    EXPECT_EQ(dir.read("log"), "found\n");
}

TEST(Launch, ProgramGetsOurEnvironmentAndWorkingDirectory) {
    TempDir dir;
    fs::create_directory(dir.file("work"));
    std::string program = writeScript(dir, "probe.sh", "{ echo \"$POMOCNI_PROBE\"; pwd -P; } > log\n");
    ScopedEnvironment probe("POMOCNI_PROBE", "vrijednost");
    ScopedChdir chdir(dir.file("work"));
    EXPECT_EQ(platform::launch(program), 0);
    EXPECT_EQ(dir.read("work/log"), "vrijednost\n" + fs::canonical(dir.file("work")).string() + "\n");
}

TEST(Launch, WaitsForTheProgramToEnd) {
    TempDir dir;
    std::string program = writeScript(dir, "slow.sh", "sleep 0.3; echo gotovo > '" + dir.file("log") + "'\n");
    EXPECT_EQ(platform::launch(program), 0);
    ASSERT_TRUE(dir.exists("log"));
    EXPECT_EQ(dir.read("log"), "gotovo\n");
}

TEST(Launch, ExitCodeOfTheProgramIsNotAnError) {
    TempDir dir;
    EXPECT_EQ(platform::launch(writeScript(dir, "fails.sh", "exit 3\n")), 0);
}

TEST(Launch, OnlyTheStandardFilesAreInherited) {
    TempDir dir;
    dir.write("held.txt", "x");
    int held = open(dir.file("held.txt").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    int high = fcntl(held, F_DUPFD, 50);  // far from the descriptors the shell opens for itself
    close(held);
    ASSERT_GE(high, 50);
    std::string program = writeScript(
        dir, "fds.sh",
        "for fd in 1 " + std::to_string(high) +
            "; do if [ -e /proc/self/fd/$fd ]; then echo \"$fd open\"; else echo \"$fd closed\"; fi; done > '" +
            dir.file("log") + "'\n");
    EXPECT_EQ(platform::launch(program), 0);
    close(high);
    EXPECT_EQ(dir.read("log"), "1 open\n" + std::to_string(high) + " closed\n");
}

// ---- Programs that cannot be started ----

TEST(LaunchFailure, ProgramNotOnThePathIsNoSuchFile) {
    EXPECT_EQ(platform::launch("pomocni-no-such-program-x7 a b"), ENOENT);
}

TEST(LaunchFailure, MissingPathIsNoSuchFile) {
    TempDir dir;
    EXPECT_EQ(platform::launch(dir.file("missing.sh")), ENOENT);
}

TEST(LaunchFailure, FileWithoutExecutePermissionIsAccessDenied) {
    TempDir dir;
    dir.write("plain.sh", "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(platform::launch(dir.file("plain.sh")), EACCES);
}

TEST(LaunchFailure, EmptyOrBlankCommandLineNamesNoProgram) {
    EXPECT_EQ(platform::launch(""), ENOENT);
    EXPECT_EQ(platform::launch(" \t "), ENOENT);
    EXPECT_EQ(platform::launch("\"\" a"), ENOENT);
}

}  // namespace
