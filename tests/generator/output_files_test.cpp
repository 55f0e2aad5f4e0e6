// A generator run refused for any reason leaves the folder as it was: the data files of an
// earlier run stay whole. "--seed=N" is "--seed N".
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

using testing_support::runProgram;
using testing_support::TempDir;

// The uniform environment writes all six kinds of data file; m.txt is written first.
const std::string kDefinition =
    "uniform 1\nsets 2\nmax_jobs 4\nmax_machines 2\nduration t.txt\ndeadline d.txt\nSP sp.txt\n"
    "machine_file m.txt\nready r.txt\nweight_T w.txt\nR. 0.2 0.5\nT. 0.2 0.4\njobs 4 3\nmachines 2 1\n";

std::string withLine(const std::string& key, const std::string& value) {
    const std::size_t start = kDefinition.find("\n" + key + " ") + 1;
    return kDefinition.substr(0, start) + key + " " + value + kDefinition.substr(kDefinition.find('\n', start));
}

struct Refusal {
    const char* key;
    const char* value;
    const char* folder;  // made before the run, so that the value names a folder
    const char* message;
};

class RefusedRun : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedRun, LeavesTheFolderAsItWas) {
    TempDir dir;
    dir.write("fitness.txt", kDefinition);
    ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed 1", dir.path()).status, 0);
    if (GetParam().folder) std::filesystem::create_directory(dir.file(GetParam().folder));
    dir.write("fitness.txt", withLine(GetParam().key, GetParam().value));
    const auto before = dir.contents();
    const auto run = runProgram(GENERATOR_BIN, "--seed 2", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, GetParam().message);
    EXPECT_EQ(dir.contents(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, RefusedRun,
    testing::Values(
        Refusal{"machine_file", "sub", "sub", "Matrix file \"sub\" cannot be written: Is a directory\n"},
        Refusal{"weight_T", "no/w.txt", nullptr, "Matrix file \"no/w.txt\" cannot be written: No such file or directory\n"},
        Refusal{"ready", "t.txt/r.txt", nullptr, "Matrix file \"t.txt/r.txt\" cannot be written: Not a directory\n"},
        Refusal{"deadline", "/dev/full", nullptr,
                "Matrix file \"/dev/full\" cannot be written: No space left on device\n"},
        Refusal{"machines", "2 0", nullptr,
                "Definition file \"fitness.txt\": set 1 has 0 machines (\"machines\"); a set needs a whole number "
                "from 1 up.\n"}));

TEST(SeedOption, EqualsFormGivesTheSameFiles) {
    TempDir spaced, joined;
    spaced.write("fitness.txt", kDefinition);
    joined.write("fitness.txt", kDefinition);
    ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed 42", spaced.path()).status, 0);
    ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed=42", joined.path()).status, 0);
    EXPECT_EQ(joined.contents(), spaced.contents());
}

TEST(SeedOption, ArgumentsThatBeginWithSeedButGiveNoSeedAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"--seed=", ""}, {"--seed=x", "x"}, {"--seed=-1", "-1"}, {"--seed=4294967296", "4294967296"},
        {"--seed42", "--seed42"}, {"--seeds 4", "--seeds"}};
    for (const auto& [argument, shown] : cases) {
        SCOPED_TRACE(argument);
        TempDir dir;
        dir.write("fitness.txt", kDefinition);
        const auto run = runProgram(GENERATOR_BIN, argument, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err,
                  "generator: --seed needs a whole number from 0 to 4294967295, not \"" + std::string(shown) + "\".\n");
        EXPECT_EQ(dir.contents().size(), 1u);
    }
}

}  // namespace
