#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "generator/instance_generator.h"
#include "support/test_support.h"

namespace {

RunSettings settingsFor(int environment, int sets, int maxJobs, int maxMachines) {
    RunSettings settings;
    settings.environment = environment;
    settings.sets = sets;
    settings.maxJobs = maxJobs;
    settings.maxMachines = maxMachines;
    return settings;
}

// A generator whose tables are shaped and whose per-set parameters are given, ready for the
// generation steps.
struct Prepared {
    InstanceGenerator generator;
    RunSettings settings;

    Prepared(const RunSettings& runSettings, std::vector<double> jobs, std::vector<double> machines,
             std::uint32_t seed = 17)
        : settings(runSettings) {
        generator.environment = settings.environment;
        generator.allocateTables(settings);
        SetParameters parameters;
        parameters.jobs = std::move(jobs);
        parameters.machines = std::move(machines);
        parameters.dueDateRange.assign(parameters.jobs.size(), 0.4);
        parameters.tardinessFactor.assign(parameters.jobs.size(), 0.2);
        generator.storeSetParameters(parameters);
        generator.random.seed(seed);
    }
};

bool isWholeTime(double value) { return value == std::trunc(value) && value >= 1 && value <= 100; }

TEST(ReleaseTimeTest, DrawModuloHalfTheSum) {
    EXPECT_EQ(releaseTime(10.0, 7), 2.0);       // q = 5
    EXPECT_EQ(releaseTime(11.9, 32767), 2.0);   // q = 5
    EXPECT_EQ(releaseTime(1000.0, 499), 499.0);
}

TEST(ReleaseTimeTest, ZeroWhenHalfTheSumTruncatesToZero) {
    EXPECT_EQ(releaseTime(1.0, 12345), 0.0);
    EXPECT_EQ(releaseTime(1.99, 1), 0.0);
    EXPECT_EQ(releaseTime(0.0, 0), 0.0);
}

// P = 100, T = 0.2, R = 0.4: window 60 ... 100.
TEST(DueDateTest, WindowOfTheWorkedExample) {
    EXPECT_EQ(dueDate(100, 0, 0.2, 0.4, 500), 80.0);
    EXPECT_EQ(dueDate(100, 0, 0.2, 0.4, 1500), 80.0);  // only the remainder modulo 1000 counts
    EXPECT_EQ(dueDate(100, 0, 0.2, 0.4, 0), 60.0);
    EXPECT_EQ(dueDate(100, 0, 0.2, 0.4, 999), 99.0);   // 60 + 39960 / 1000
}

TEST(DueDateTest, MeasuredFromTheReleaseTime) {
    // A = 100 - 20 = 80: window 48 ... 80, remainder 250 gives 48 + 8000 / 1000 = 56.
    EXPECT_EQ(dueDate(100, 20, 0.2, 0.4, 250), 76.0);
}

TEST(DueDateTest, NoWindowMeansDueAtRelease) {
    for (int draw : {0, 1, 999, 32767}) EXPECT_EQ(dueDate(250, 37, 1.0, 0.0, draw), 37.0);
}

TEST(DueDateTest, NegativeOffsetsAreCutToZero) {
    // T = 1.5, A = 90: window -45 ... -45; the due date falls back to the release time.
    EXPECT_EQ(dueDate(100, 10, 1.5, 0.0, 321), 10.0);
    // Window -20 ... 40 (T = 0.9, R = 0.6): remainder 100 gives -20 + 6 = -14, cut to 0.
    EXPECT_EQ(dueDate(100, 0, 0.9, 0.6, 100), 0.0);
}

// The window 0 ... 3,000,000 overflows a 32-bit product of draw and span.
TEST(DueDateTest, WideWindowsComputeIn64Bits) {
    EXPECT_EQ(dueDate(1e6, 0, -0.5, 3.0, 999), 2997000.0);
}

TEST(SingleMachineDataTest, JobsBeyondTheSetAreZeroEverywhere) {
    Prepared run(settingsFor(Single, 2, 5, 1), {3, 5}, {0, 0});
    InstanceGenerator& g = run.generator;
    g.hasReleaseTimes = 1;
    g.generateProcessingTimes(run.settings);
    g.generateReleaseTimes(run.settings);
    g.generateDueDates(run.settings);
    g.generateWeights(run.settings);
    double sum = 0.0;
    for (int j = 0; j < 3; ++j) {
        EXPECT_TRUE(isWholeTime(g.processingTimes.get(0, j)));
        sum += g.processingTimes.get(0, j);
    }
    EXPECT_EQ(g.processingSum.get(0), sum);
    for (const Matrix* table : {&g.processingTimes, &g.releaseTimes, &g.dueDates, &g.weights})
        for (int j = 3; j < 5; ++j) EXPECT_EQ(table->get(0, j), 0.0);
    for (int j = 0; j < 5; ++j) EXPECT_GT(g.weights.get(1, j), 0.0);
}

// Speeds 0.5 and 0.25 give the speed sum 2 + 4 = 6: P is the time sum divided by 6.
TEST(UniformDataTest, SumIsScaledByTheInverseSpeeds) {
    Prepared run(settingsFor(Uniform, 1, 4, 2), {4}, {2});
    InstanceGenerator& g = run.generator;
    g.speedSums.set(0, 1 / 0.5 + 1 / 0.25);
    g.generateProcessingTimes(run.settings);
    double sum = 0.0;
    for (int j = 0; j < 4; ++j) sum += g.processingTimes.get(0, j);
    EXPECT_EQ(g.processingSum.get(0), sum / 6);
}

// Two machines, three jobs, N = 4, K = 3: columns 0 ... 5 in job-major order, 6 ... 11 zero.
TEST(UnrelatedDataTest, JobsArePackedByTheSetsMachineCount) {
    Prepared run(settingsFor(Unrelated, 1, 4, 3), {3}, {2});
    InstanceGenerator& g = run.generator;
    g.generateProcessingTimes(run.settings);
    ASSERT_EQ(g.processingTimes.cols, 12);
    double sum = 0.0;
    for (int col = 0; col < 6; ++col) {
        EXPECT_TRUE(isWholeTime(g.processingTimes.get(0, col))) << "column " << col;
        sum += g.processingTimes.get(0, col);
    }
    for (int col = 6; col < 12; ++col) EXPECT_EQ(g.processingTimes.get(0, col), 0.0) << "column " << col;
    EXPECT_EQ(g.processingSum.get(0), sum / 4);
}

// The draws go job by job, machine by machine: column j * 2 + k holds draw 2j + k.
TEST(UnrelatedDataTest, DrawOrderIsJobMajor) {
    Prepared run(settingsFor(Unrelated, 1, 3, 2), {3}, {2}, 99);
    run.generator.generateProcessingTimes(run.settings);
    RandomSource expected(99);
    for (int col = 0; col < 6; ++col)
        EXPECT_EQ(run.generator.processingTimes.get(0, col), drawProcessingTime(expected, DistributionBounds{}));
}

TEST(JobShopDataTest, EachJobVisitsEveryMachineOnce) {
    Prepared run(settingsFor(JobShop, 2, 6, 3), {6, 4}, {3, 3});
    InstanceGenerator& g = run.generator;
    g.generateProcessingTimes(run.settings);
    for (int set = 0; set < 2; ++set) {
        const int jobs = static_cast<int>(g.jobCount.get(set));
        for (int j = 0; j < jobs; ++j) {
            std::vector<int> machines;
            for (int k = 0; k < 3; ++k) {
                const double code = g.processingTimes.get(set, j * 3 + k);
                const double time = std::fmod(code, 1000.0);
                machines.push_back(static_cast<int>(code / 1000));
                EXPECT_GE(time, 1.0);
                EXPECT_LE(time, 100.0);
                if (k != 2) {
                    EXPECT_EQ(time, std::trunc(time));
                }
            }
            std::sort(machines.begin(), machines.end());
            EXPECT_EQ(machines, (std::vector<int>{0, 1, 2})) << "set " << set << ", job " << j;
        }
        for (int col = jobs * 3; col < 18; ++col) EXPECT_EQ(g.processingTimes.get(set, col), 0.0);
    }
}

// Replays the draws of one three-machine job: times, route shuffle, third time raised by half.
TEST(JobShopDataTest, ThirdOperationIsRaisedByHalfUpTo100) {
    Prepared run(settingsFor(JobShop, 1, 1, 3), {1}, {3}, 4242);
    run.generator.generateProcessingTimes(run.settings);
    RandomSource expected(4242);
    double times[3], route[3] = {0, 1, 2}, sum = 0.0;
    for (double& time : times) sum += time = drawProcessingTime(expected, DistributionBounds{});
    for (int i = 0; i < 3; ++i) std::swap(route[i], route[static_cast<int>((expected.draw() % 100 + 1) / 100.0 * 2)]);
    times[2] = std::min(times[2] * 1.5, 100.0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(run.generator.processingTimes.get(0, k), times[k] + 1000 * route[k]);
    EXPECT_EQ(run.generator.processingSum.get(0), sum / 3);
}

TEST(JobShopDataTest, OneMachineGivesPlainTimes) {
    Prepared run(settingsFor(JobShop, 1, 5, 1), {5}, {1});
    run.generator.generateProcessingTimes(run.settings);
    double sum = 0.0;
    for (int j = 0; j < 5; ++j) {
        EXPECT_TRUE(isWholeTime(run.generator.processingTimes.get(0, j)));
        sum += run.generator.processingTimes.get(0, j);
    }
    EXPECT_EQ(run.generator.processingSum.get(0), sum);
}

// A set too small for a release window still takes its draws, so later data do not shift.
TEST(ReleaseStepTest, TinySumStillConsumesOneDrawPerJob) {
    Prepared run(settingsFor(Single, 1, 3, 1), {3}, {0}, 5);
    InstanceGenerator& g = run.generator;
    g.hasReleaseTimes = 1;
    g.processingSum.set(0, 1.0);
    g.generateReleaseTimes(run.settings);
    RandomSource expected(5);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(g.releaseTimes.get(0, j), 0.0);
        expected.draw();
    }
    EXPECT_EQ(g.random.draw(), expected.draw());
}

TEST(ReleaseStepTest, WithoutReleaseTimesNothingIsDrawn) {
    Prepared run(settingsFor(Single, 1, 3, 1), {3}, {0}, 5);
    InstanceGenerator& g = run.generator;
    g.processingSum.set(0, 300.0);
    g.generateReleaseTimes(run.settings);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(g.releaseTimes.get(0, j), 0.0);
    EXPECT_EQ(g.random.draw(), RandomSource(5).draw());
}

// A whole uniform run replayed from a twin source in the documented order: speeds, times,
// release times, due dates, weights; sets in order, jobs and machines in increasing order.
TEST(RunOrderTest, UniformRunDrawsStepByStep) {
    testing_support::TempDir dir;
    dir.write("fitness.txt",
              "uniform 1\nsets 2\nmax_jobs 4\nmax_machines 3\nduration d.txt\ndeadline dd.txt\nSP sp.txt\n"
              "machine_file m.txt\nready r.txt\ndistribution 1 1 1\nR. 0.4 0.6\nT. 0.3 0.5\njobs 3 4\nmachines 2 3\n");
    InstanceGenerator g;
    {
        testing_support::ScopedChdir inside(dir.path());
        g.generate("fitness.txt", 606);
    }
    const double shares[3] = {1, 1, 1};
    const DistributionBounds bounds = boundsFromShares(shares);
    const int jobs[] = {3, 4}, machines[] = {2, 3};
    const double range[] = {0.4, 0.6}, tardiness[] = {0.3, 0.5};
    RandomSource twin(606);
    double inverseSums[2] = {0, 0}, sums[2] = {0, 0};
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < machines[s]; ++k) {
            const double speed = (twin.draw() % 90) / 100.0 + 0.1;
            EXPECT_EQ(g.speeds.get(s, k), speed);
            inverseSums[s] += 1 / speed;
        }
    for (int s = 0; s < 2; ++s) {
        for (int j = 0; j < jobs[s]; ++j) {
            const double time = drawProcessingTime(twin, bounds);
            EXPECT_EQ(g.processingTimes.get(s, j), time);
            sums[s] += time;
        }
        sums[s] = sums[s] / inverseSums[s];
        EXPECT_EQ(g.processingSum.get(s), sums[s]);
    }
    for (int s = 0; s < 2; ++s)
        for (int j = 0; j < jobs[s]; ++j) EXPECT_EQ(g.releaseTimes.get(s, j), releaseTime(sums[s], twin.draw()));
    for (int s = 0; s < 2; ++s)
        for (int j = 0; j < jobs[s]; ++j)
            EXPECT_EQ(g.dueDates.get(s, j),
                      dueDate(sums[s], g.releaseTimes.get(s, j), tardiness[s], range[s], twin.draw()));
    for (int s = 0; s < 2; ++s)
        for (int j = 0; j < jobs[s]; ++j) EXPECT_EQ(g.weights.get(s, j), (twin.draw() % 100) / 100.0 + 0.01);
    Matrix written;
    written.read(dir.file("d.txt"));
    EXPECT_EQ(written.get(1, 3), g.processingTimes.get(1, 3));
}

}  // namespace
