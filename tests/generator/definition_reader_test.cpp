#include <gtest/gtest.h>

#include "generator/run_settings.h"
#include "support/test_support.h"

namespace {

// Reads the settings of a definition given as text, the way a run does.
struct ReadDefinition {
    testing_support::TempDir dir;
    DefinitionFile file;
    RunSettings settings;
    SetParameters parameters;

    explicit ReadDefinition(const std::string& text) {
        dir.write("fitness.txt", text);
        file.open(dir.file("fitness.txt"));
        DefinitionReader reader(file, "fitness.txt");
        settings = reader.settings(reader.environment());
        parameters = reader.setParameters(settings);
    }
};

const std::string kBase =
    "sets 2\nmax_jobs 4\nduration d.txt\ndeadline dd.txt\nSP sp.txt\nR. 0.1 0.2\nT. 0.3 0.4\njobs 3 4\n";

TEST(DefinitionReaderTest, SharesOneOneTwo) {
    const ReadDefinition read("single 1\ndistribution 1 1 2\n" + kBase);
    EXPECT_EQ(read.settings.distributionBounds.bounds[0], 0.25);
    EXPECT_EQ(read.settings.distributionBounds.bounds[1], 0.5);
    EXPECT_EQ(read.settings.distributionBounds.bounds[2], 1.0);
}

TEST(DefinitionReaderTest, FewerThanThreeSharesKeepTheUniformDistribution) {
    const ReadDefinition read("single 1\ndistribution 0 1\n" + kBase);
    EXPECT_EQ(read.settings.distributionBounds.bounds[0], 1.0);
}

TEST(DefinitionReaderTest, DefaultsAndOptionalFiles) {
    const ReadDefinition read("unrelated 1\nmachines 2 2\n" + kBase);
    EXPECT_EQ(read.settings.environment, Unrelated);
    EXPECT_EQ(read.settings.maxMachines, 1);
    EXPECT_FALSE(read.settings.taillardMode);
    EXPECT_FALSE(read.settings.hasWeights);
    EXPECT_FALSE(read.settings.hasReleaseTimes);
}

TEST(DefinitionReaderTest, EveryKeyLandsInItsField) {
    const ReadDefinition read("jobshop 1\ntaillard 1\nmax_machines 3\nmax_length 250\nweight_T w.txt\nready r.txt\n"
                              "machines 3 2\n" + kBase);
    EXPECT_EQ(read.settings.environment, JobShop);
    EXPECT_TRUE(read.settings.taillardMode);
    EXPECT_EQ(read.settings.sets, 2);
    EXPECT_EQ(read.settings.maxJobs, 4);
    EXPECT_EQ(read.settings.maxMachines, 3);
    EXPECT_EQ(read.settings.maxLength, 250);
    EXPECT_EQ(read.settings.durationFile, "d.txt");
    EXPECT_EQ(read.settings.deadlineFile, "dd.txt");
    EXPECT_EQ(read.settings.sumFile, "sp.txt");
    EXPECT_EQ(read.settings.weightFile, "w.txt");
    EXPECT_EQ(read.settings.readyFile, "r.txt");
    EXPECT_TRUE(read.settings.hasWeights);
    EXPECT_TRUE(read.settings.hasReleaseTimes);
    EXPECT_EQ(read.parameters.dueDateRange, (std::vector<double>{0.1, 0.2}));
    EXPECT_EQ(read.parameters.tardinessFactor, (std::vector<double>{0.3, 0.4}));
    EXPECT_EQ(read.parameters.jobs, (std::vector<double>{3, 4}));
    EXPECT_EQ(read.parameters.machines, (std::vector<double>{3, 2}));
}

TEST(SetValidationDeathTest, UnrelatedSetBeyondMaxJobsIsNamed) {
    RunSettings settings;
    settings.environment = Unrelated;
    settings.sets = 2;
    settings.maxJobs = 4;
    settings.maxMachines = 2;
    const SetParameters parameters{{0.5, 0.5}, {0.5, 0.5}, {4, 5}, {2, 2}};
    EXPECT_EXIT(validateSetParameters(settings, parameters, "fitness.txt"), testing::ExitedWithCode(1),
                "^Definition file \"fitness.txt\": set 1 has 5 jobs \\(\"jobs\"\\); a set needs a whole number "
                "from 0 to 4 \\(\"max_jobs\"\\)\\.\n$");
}

}  // namespace
