#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "generator/taillard.h"

namespace {

// Instance 1, job 0, as published: processing times in route order and their machines.
const int kTa01Job0Times[] = {94, 66, 10, 53, 26, 15, 65, 82, 10, 27, 93, 92, 96, 70, 83};
const int kTa01Job0Machines[] = {6, 12, 4, 7, 3, 2, 10, 11, 8, 14, 9, 13, 5, 0, 1};

struct TaillardSets {
    Matrix codes, jobs, sums;
    TaillardSets() { generateTaillardSets(codes, jobs, sums); }
};

const TaillardSets& sets() {
    static const TaillardSets generated;
    return generated;
}

TEST(TaillardGeneratorTest, MinimalStandardSteps) {
    std::int32_t seed = 1;
    EXPECT_EQ(taillardNext(seed), 16807 / 2147483647.0);
    EXPECT_EQ(seed, 16807);
    taillardNext(seed);
    EXPECT_EQ(seed, 282475249);
    // 2^31 - 2 is the last state before the modulus; its successor wraps below zero and back.
    seed = 2147483646;
    taillardNext(seed);
    EXPECT_EQ(seed, 2147483647 - 16807);
}

TEST(TaillardGeneratorTest, TellingSeedsOfThePublishedTable) {
    EXPECT_EQ(taillardEntry(1).timeSeed, 840612802);
    EXPECT_EQ(taillardEntry(1).machineSeed, 398197754);
    EXPECT_EQ(taillardEntry(2).timeSeed, 1314640371);
    EXPECT_EQ(taillardEntry(2).machineSeed, 386720536);
    EXPECT_EQ(taillardEntry(51).timeSeed, 17271);
    EXPECT_EQ(taillardEntry(51).machineSeed, 718939);
    EXPECT_EQ(taillardEntry(61).timeSeed, 8493988);
    EXPECT_EQ(taillardEntry(61).machineSeed, 2738939);
    EXPECT_EQ(taillardEntry(80).timeSeed, 682761130);
    EXPECT_EQ(taillardEntry(80).machineSeed, 262763021);
}

TEST(TaillardGeneratorTest, EightGroupsOfTenBySize) {
    const int groups[8][2] = {{15, 15}, {20, 15}, {20, 20}, {30, 15}, {30, 20}, {50, 15}, {50, 20}, {100, 20}};
    for (int instance = 1; instance <= kTaillardInstanceCount; ++instance) {
        const auto& group = groups[(instance - 1) / 10];
        EXPECT_EQ(taillardEntry(instance).jobs, group[0]) << "instance " << instance;
        EXPECT_EQ(taillardEntry(instance).machines, group[1]) << "instance " << instance;
    }
}

TEST(TaillardGeneratorTest, InstanceOneJobZeroAsPublished) {
    const TaillardInstance ta01 = generateTaillardInstance(1);
    for (int k = 0; k < 15; ++k) {
        EXPECT_EQ(ta01.times[0][k], kTa01Job0Times[k]) << "operation " << k;
        EXPECT_EQ(ta01.machineOf[0][k], kTa01Job0Machines[k]) << "operation " << k;
    }
    EXPECT_EQ(ta01.times[1][0], 74);
    EXPECT_EQ(ta01.machineOf[1][0], 4);
}

TEST(TaillardSetsTest, RowZeroBeginsWithTheCodesOfJobZero) {
    const double expected[] = {6094, 12066, 4010, 7053, 3026};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(sets().codes.get(0, k), expected[k]) << "column " << k;
    EXPECT_EQ(sets().codes.get(0, 15), 4074);  // job 1 starts after the 15 operations of job 0
    EXPECT_EQ(sets().sums.get(0), 11671.0 / 15);
    EXPECT_EQ(sets().jobs.get(0), 15);
}

TEST(TaillardSetsTest, ShapesAndPadding) {
    ASSERT_EQ(sets().codes.rows, 80);
    ASSERT_EQ(sets().codes.cols, 2000);
    ASSERT_EQ(sets().jobs.rows, 80);
    ASSERT_EQ(sets().sums.rows, 80);
    for (int row = 0; row < 80; ++row) {
        const TaillardEntry& entry = taillardEntry(row + 1);
        const int used = entry.jobs * entry.machines;
        for (int col = 0; col < 2000; ++col)
            ASSERT_EQ(sets().codes.get(row, col) == 0.0, col >= used) << "row " << row << ", column " << col;
    }
}

// Every job visits each machine once; the sum row is the mean load per machine.
TEST(TaillardSetsTest, CodesHoldRoutesAndSums) {
    for (int row = 0; row < 80; ++row) {
        const int n = taillardEntry(row + 1).jobs, m = taillardEntry(row + 1).machines;
        double total = 0.0;
        for (int j = 0; j < n; ++j) {
            std::vector<int> machines;
            for (int k = 0; k < m; ++k) {
                const int code = static_cast<int>(sets().codes.get(row, j * m + k));
                ASSERT_GE(code % 1000, 1);
                ASSERT_LE(code % 1000, 99);
                total += code % 1000;
                machines.push_back(code / 1000);
            }
            std::sort(machines.begin(), machines.end());
            for (int k = 0; k < m; ++k) ASSERT_EQ(machines[k], k) << "row " << row << ", job " << j;
        }
        EXPECT_EQ(sets().sums.get(row), total / m) << "row " << row;
        EXPECT_EQ(sets().jobs.get(row), n);
    }
}

// One published instance file: "n m", then per job m pairs "machine time" in route order.
struct PublishedInstance {
    int jobs = 0, machines = 0;
    std::vector<int> values;  // machine, time, machine, time, ...
};

PublishedInstance readPublished(const std::filesystem::path& path) {
    std::ifstream in(path);
    PublishedInstance instance;
    in >> instance.jobs >> instance.machines;
    int value;
    while (in >> value) instance.values.push_back(value);
    return instance;
}

TEST(TaillardSetsTest, AllEightyInstancesMatchThePublishedData) {
    const std::filesystem::path folder = std::filesystem::path(SHARED_DATA_DIR) / "taillard";
    if (!std::filesystem::exists(folder / "ta01"))
        GTEST_SKIP() << "published Taillard instances not found in " << folder << "; comparison skipped";
    for (int instance = 1; instance <= kTaillardInstanceCount; ++instance) {
        char name[8];
        std::snprintf(name, sizeof name, "ta%02d", instance);
        const PublishedInstance published = readPublished(folder / name);
        const TaillardInstance generated = generateTaillardInstance(instance);
        ASSERT_EQ(published.jobs, generated.jobs) << name;
        ASSERT_EQ(published.machines, generated.machines) << name;
        ASSERT_EQ(published.values.size(), static_cast<std::size_t>(2 * generated.jobs * generated.machines)) << name;
        for (int j = 0; j < generated.jobs; ++j)
            for (int k = 0; k < generated.machines; ++k) {
                const std::size_t at = 2 * static_cast<std::size_t>(j * generated.machines + k);
                ASSERT_EQ(generated.machineOf[j][k], published.values[at]) << name << " job " << j << " op " << k;
                ASSERT_EQ(generated.times[j][k], published.values[at + 1]) << name << " job " << j << " op " << k;
                ASSERT_EQ(sets().codes.get(instance - 1, j * generated.machines + k),
                          published.values[at + 1] + 1000.0 * published.values[at])
                    << name << " job " << j << " op " << k;
            }
    }
}

}  // namespace
