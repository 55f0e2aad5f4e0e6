// What fitness does with its outputs: a result, schedule or summary file that cannot be written
// ends the run with one message naming it and the system's reason; --help touches no file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

using testing_support::runProgram;
using testing_support::TempDir;

void copySingleExample(const TempDir& dir) {
    std::filesystem::copy(std::string(EXAMPLES_DIR) + "/single", dir.path(), std::filesystem::copy_options::recursive);
}

struct Blocked {
    const char* folder;  // made where an output file would go; none when the argument blocks itself
    const char* argument;
    const char* message;
};

class UnwritableOutput : public testing::TestWithParam<Blocked> {};

// Root passes every permission check, so the outputs are blocked by names that cannot be files.
TEST_P(UnwritableOutput, EndsTheRunWithTheFileAndTheReason) {
    TempDir dir;
    copySingleExample(dir);
    if (GetParam().folder) std::filesystem::create_directory(dir.file(GetParam().folder));
    const auto run = runProgram(FITNESS_BIN, GetParam().argument, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, UnwritableOutput,
    testing::Values(
        Blocked{"rezultat_EDD.txt", "s.txt", "Matrix file \"rezultat_EDD.txt\" cannot be written: Is a directory\n"},
        Blocked{"raspored_RM.txt", "s.txt", "Matrix file \"raspored_RM.txt\" cannot be written: Is a directory\n"},
        Blocked{"rezultat_fGP.txt", "s.txt", "Matrix file \"rezultat_fGP.txt\" cannot be written: Is a directory\n"},
        Blocked{nullptr, "no/s.txt", "Summary file \"no/s.txt\" cannot be written: No such file or directory\n"},
        Blocked{nullptr, "/dev/full", "Summary file \"/dev/full\" cannot be written: No space left on device\n"}));

TEST(Help, PrintsTheUsageAndTouchesNoFile) {
    for (const char* option : {"--help", "-h"}) {
        SCOPED_TRACE(option);
        TempDir dir;
        copySingleExample(dir);
        const auto before = dir.contents();
        const auto run = runProgram(FITNESS_BIN, option, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind("Usage: fitness [SUMMARY-FILE]\n", 0), 0u) << run.out;
        EXPECT_EQ(dir.contents(), before);
    }
}

// Only the two help options are taken as such: anything else still names the summary file.
TEST(Help, OtherArgumentsStillNameTheSummaryFile) {
    TempDir dir;
    copySingleExample(dir);
    EXPECT_EQ(runProgram(FITNESS_BIN, "-hx", dir.path()).status, 0);
    EXPECT_EQ(dir.read("-hx").rfind('\t', 0), 0u);
}

}  // namespace
