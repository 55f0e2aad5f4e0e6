// A run's result file decides whether --resume runs the run again: only a whole one counts.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "experiment/run_result.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

TEST(RunResult, ReadsBackWhatWasWrittenToTheLastBit) {
    const TempDir dir;
    const report::RunRow written{3, 12, true, 0.1 + 0.2, 1.0 / 3, {59.8, 1e-300, 7, 0}, {0.1, 2.5e-17}, 9, 4, 1.25,
                                 "max(w, p) / d", ""};
    experiment::writeRunResult(dir.path().string(), written, true);
    const std::optional<report::RunRow> read = experiment::readRunResult(dir.path().string());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->run, 3);
    EXPECT_EQ(read->seed, 12u);
    EXPECT_EQ(read->training, written.training);
    EXPECT_EQ(read->validation, written.validation);
    EXPECT_EQ(read->test, written.test);
    EXPECT_EQ(read->testSets, written.testSets);
    EXPECT_EQ(read->rule, written.rule);
    // Nothing but the file itself: no temporary is left beside it.
    const auto files = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    EXPECT_EQ(files, 1);
}

struct Stored {
    const char* name;
    std::string text;
    bool complete;
};

class StoredResult : public testing::TestWithParam<Stored> {};

TEST_P(StoredResult, CountsOnlyWhenWhole) {
    const TempDir dir;
    dir.write(experiment::kResultFile, GetParam().text);
    EXPECT_EQ(experiment::readRunResult(dir.path().string()).has_value(), GetParam().complete);
}

const std::string kWhole =
    "run 0\nseed 1\nstatus ok\nseconds 2\ntraining 5\ntest 1 2 3 4\nsets 0.5 0.5\nsize 1\ndepth 1\nrule w\nend\n";

INSTANTIATE_TEST_SUITE_P(
    Experiment, StoredResult,
    testing::Values(Stored{"Whole", kWhole, true},
                    Stored{"Failed", "run 0\nseed 1\nstatus failed\nseconds 2\nmessage learner: no\nend\n", true},
                    Stored{"CutShort", kWhole.substr(0, kWhole.size() - 4), false},
                    Stored{"NotANumber", "run 0\nseed 1\nstatus ok\nseconds 2\ntraining x\ntest 1\nsets 1\nsize 1\n"
                                         "depth 1\nrule w\nend\n",
                           false},
                    Stored{"NoTotals", "run 0\nseed 1\nstatus ok\nseconds 2\ntraining 1\ntest\nsets 1\nsize 1\n"
                                       "depth 1\nrule w\nend\n",
                           false},
                    Stored{"Empty", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
