#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

using testing_support::runProgram;
using testing_support::TempDir;

namespace {

const char* const kEnvironmentLine = "Okruzenje: proizvolja obrada (job shop), kriterij Cmax\n";
const char* const kTableHeader = "\nDominacija: (kriteriji Twt, Uwt, Fwt, Cmax)\n";

const std::vector<std::string> kRuleResultFiles = {
    "rezultat_WSPT.txt", "rezultat_WSPT_TWKR.txt", "rezultat_WCOVERT.txt", "rezultat_WSLACK_TWKR.txt",
    "rezultat_WRM.txt",  "rezultat_EDD.txt",       "rezultat_WTWKR.txt",
};

// The two-machine set of every run: job 0 takes 3 units on machine 0, then 1 on machine 1;
// job 1 takes 1 on machine 0, then 3 on machine 1; due dates 4 and 12. Both jobs queue for
// machine 0 at once, and that first choice decides the whole schedule:
//   job 1 first (schedule 1 0 1 0): job 1 [0,1] [1,4], job 0 [1,4] [4,5], makespan 5;
//   job 0 first (schedule 0 1 0 1): job 0 [0,3] [3,4], job 1 [3,4] [4,7], makespan 7.
// Without weights WSPT, WSPT/TWKR, COVERT and RM take job 1; SLACK/TWKR (job 0 has no slack),
// EDD and WTWKR (a tie) take job 0.
const char* const kTwoMachineCodes = "3 1001 1 1003";

// Two sets: the two-machine set, and three jobs on one machine (4, 2 and 3 units, due 5, 3
// and 9) on which the rules order the jobs differently.
void writeTwoSets(const TempDir& dir) {
    dir.write("fitness.txt",
              "jobshop 1\nsets 2\nmax_jobs 3\nduration durations.txt\ndeadline deadlines.txt\nSP sums.txt\n"
              "jobs 2 3\nmachines 2 1\n");
    dir.write("durations.txt", std::string("2 6\n") + kTwoMachineCodes + " 0 0\n4 2 3 0 0 0\n");
    dir.write("deadlines.txt", "2 3\n4 12 0\n5 3 9\n");
    dir.write("sums.txt", "2 1\n8\n9\n");
    // Set 0: machine 0 takes job 1 then job 0, machine 1 job 0 then job 1. Set 1: jobs 1, 0, 2.
    dir.write("raspored_GP.txt", "2 6\n1 0 0 1 0 0\n1 0 2 0 0 0\n");
}

// The two-machine set alone; `extra` adds lines to the definition.
void writeOneSet(const TempDir& dir, const std::string& extra) {
    dir.write("fitness.txt",
              "jobshop 1\nsets 1\nmax_jobs 2\nduration durations.txt\ndeadline deadlines.txt\nSP sums.txt\n"
              "jobs 2\nmachines 2\n" +
                  extra);
    dir.write("durations.txt", std::string("1 4\n") + kTwoMachineCodes + "\n");
    dir.write("deadlines.txt", "1 2\n4 12\n");
    dir.write("sums.txt", "1 1\n8\n");
}

std::vector<std::string> resultFilesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("rezultat_", 0) == 0) names.push_back(name);
    }
    return names;
}

std::string valueLines(const char* const values[7]) {
    static const char* const kLabels[] = {"WSPT", "WSPT/TWKR", "COVERT", "SLACK/TWKR", "RM", "EDD", "WTWKR"};
    std::string lines;
    for (int r = 0; r < 7; ++r) lines += std::string(kLabels[r]) + ": " + values[r] + "\n";
    return lines;
}

const char* const kTableLabels[] = {"WSPT\t", "WSPT/TWKR", "COVERT\t", "SLACK/TWKR", "RM\t", "EDD\t", "WTWKR\t", "GP"};

// The table rows in the run's order; each cell is " %5.1f\t".
std::string tableRows(const char* const cells[8]) {
    std::string rows;
    for (int r = 0; r < 8; ++r) rows += std::string(kTableLabels[r]) + "\t" + cells[r] + "\n";
    return rows;
}

const char* const kAllBest = " 100.0\t 100.0\t 100.0\t 100.0\t";

// What the run prints after the usage text.
std::string expectedOutput(const char* const values[7], const std::string& gp, const char* const cells[8]) {
    return std::string(kEnvironmentLine) + valueLines(values) + "GP:\t " + gp + "\n" + kTableHeader + tableRows(cells) +
           "Gotovo!\n\n";
}

void expectEndsWith(const std::string& text, const std::string& tail) {
    ASSERT_GE(text.size(), tail.size()) << text;
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

}  // namespace

// --- complete runs

TEST(JobShopRun, SevenRulesThenGPThenTheComparison) {
    TempDir dir;
    writeTwoSets(dir);
    const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Set 1 has no idle time, so its makespan is 9 / 9 on every schedule; set 0 gives 5 / 8 or
    // 7 / 8. Set 1 orders: WSPT, RM and WTWKR 1 2 0 (RM: exp(-3/30)/2 beats exp(-9/30)/3 and
    // exp(-5/30)/4, then exp(-7/30)/3 beats exp(-3/30)/4); WSPT/TWKR (all equal), COVERT (all 0
    // on a last operation) and SLACK/TWKR (4/1 > 2/1 > 3/6) 0 1 2; EDD 1 0 2.
    const char* const values[7] = {"1.625", "1.625", "1.625", "1.875", "1.625", "1.875", "1.875"};
    // Per set and criterion (Twt, Uwt, Fwt, Cmax), with g the mean job duration and W the weight:
    //   set 0, job 1 first: C = (5, 4): 1/8, 1/2, 9/8, 5/8;  job 0 first: C = (4, 7): 0, 0, 11/8, 7/8;
    //   GP: C = (5, 8): 1/8, 1/2, 13/8, 1.
    //   set 1, order 0 1 2: C = (4, 6, 9): 3/9, 1/3, 19/9, 1;  1 2 0: (9, 2, 5): 4/9, 1/3, 16/9, 1;
    //   1 0 2 (EDD and GP): (6, 2, 9): 1/9, 1/3, 17/9, 1.
    // Best: set 0 (0, 0, 9/8, 5/8), set 1 (1/9, 1/3, 16/9, 1); each set is half of a share.
    const char* const cells[8] = {
        "   0.0\t  50.0\t 100.0\t 100.0\t",  // WSPT
        "   0.0\t  50.0\t  50.0\t 100.0\t",  // WSPT/TWKR
        "   0.0\t  50.0\t  50.0\t 100.0\t",  // COVERT
        "  50.0\t 100.0\t   0.0\t  50.0\t",  // SLACK/TWKR
        "   0.0\t  50.0\t 100.0\t 100.0\t",  // RM
        " 100.0\t 100.0\t   0.0\t  50.0\t",  // EDD
        "  50.0\t 100.0\t  50.0\t  50.0\t",  // WTWKR
        "  50.0\t  50.0\t   0.0\t  50.0\t",  // GP
    };
    expectEndsWith(run.out, expectedOutput(values, "2", cells));

    // GP totals 1/8 + 1/9, 1/2 + 1/3, 13/8 + 17/9, 1 + 1, then its shares.
    EXPECT_EQ(dir.read("summary.txt"), "\t0.236111\t0.833333\t3.51389\t2\t50\t50\t0\t50");
    std::vector<std::string> expectedFiles = kRuleResultFiles;
    expectedFiles.push_back("rezultat_fGP.txt");
    std::vector<std::string> files = resultFilesIn(dir);
    std::sort(files.begin(), files.end());
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(files, expectedFiles);
}

TEST(JobShopRun, ResultFilesHoldTheSevenCriteriaPerSetAndTheirTotals) {
    TempDir dir;
    writeTwoSets(dir);
    ASSERT_EQ(runProgram(FITNESS_BIN, "summary.txt", dir.path()).status, 0);
    // Columns: Twt, Uwt, Fwt, Cmax, mean tardiness, share of tardy jobs, mean flowtime.
    EXPECT_EQ(dir.read("rezultat_WSPT.txt"),
              "3 7\n"
              " 0.125  0.5  1.125  0.625  0.5  0.5  4.5 \n"
              " 0.444444  0.333333  1.77778  1  1.33333  0.333333  5.33333 \n"
              " 0.569444  0.833333  2.90278  1.625  1.83333  0.833333  9.83333 \n");
    EXPECT_EQ(dir.read("rezultat_EDD.txt"),
              "3 7\n"
              " 0  0  1.375  0.875  0  0  5.5 \n"
              " 0.111111  0.333333  1.88889  1  0.333333  0.333333  5.66667 \n"
              " 0.111111  0.333333  3.26389  1.875  0.333333  0.333333  11.1667 \n");
    EXPECT_EQ(dir.read("rezultat_fGP.txt"),
              "3 7\n"
              " 0.125  0.5  1.625  1  0.5  0.5  6.5 \n"
              " 0.111111  0.333333  1.88889  1  0.333333  0.333333  5.66667 \n"
              " 0.236111  0.833333  3.51389  2  0.833333  0.833333  12.1667 \n");
}

TEST(JobShopRun, WeightsSteerTheRulesAndWeighTheCriteria) {
    TempDir dir;
    // Weights 4 and 1 make every rule start with job 0; both jobs are released at 2, so the
    // machines idle until then: job 0 [2,5] [5,6], job 1 [5,6] [6,9], makespan 9 / 8.
    writeOneSet(dir, "weight_T weights.txt\nready release.txt\n");
    dir.write("weights.txt", "1 2\n4 1\n");
    dir.write("release.txt", "1 2\n2 2\n");
    dir.write("raspored_GP.txt", "1 4\n0 1 0 1\n");
    const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const char* const values[7] = {"1.125", "1.125", "1.125", "1.125", "1.125", "1.125", "1.125"};
    const char* const cells[8] = {kAllBest, kAllBest, kAllBest, kAllBest, kAllBest, kAllBest, kAllBest, kAllBest};
    expectEndsWith(run.out, expectedOutput(values, "1.125", cells));
    // Job 0 is 2 late: Twt = 4 x 2 / (4 x 5), Uwt = 4 / 5, Fwt = (4 x 4 + 1 x 7) / 20; mean
    // tardiness 1, half the jobs tardy, mean flowtime (4 + 7) / 2.
    const std::string row = " 0.4  0.8  1.15  1.125  1  0.5  5.5 \n";
    EXPECT_EQ(dir.read("rezultat_WSPT.txt"), "2 7\n" + row + row);
    EXPECT_EQ(dir.read("rezultat_fGP.txt"), "2 7\n" + row + row);
    EXPECT_EQ(dir.read("summary.txt"), "\t0.4\t0.8\t1.15\t1.125\t100\t100\t100\t100");
}

TEST(JobShopRun, ReleaseTimesWithoutWeights) {
    TempDir dir;
    // Released at 2, unweighted: job 1 first gives job 1 [2,3] [3,6], job 0 [3,6] [6,7]
    // (7 / 8); job 0 first gives 9 / 8 as with weights.
    writeOneSet(dir, "ready release.txt\n");
    dir.write("release.txt", "1 2\n2 2\n");
    dir.write("raspored_GP.txt", "1 4\n1 0 1 0\n");
    const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const char* const values[7] = {"0.875", "0.875", "0.875", "1.125", "0.875", "1.125", "1.125"};
    EXPECT_NE(run.out.find(valueLines(values) + "GP:\t 0.875\n"), std::string::npos) << run.out;
    // Job 1 first: C = (7, 6), job 0 late by 3; flowtimes 5 and 4.
    EXPECT_EQ(dir.read("rezultat_fGP.txt"),
              "2 7\n 0.375  0.5  1.125  0.875  1.5  0.5  4.5 \n"
              " 0.375  0.5  1.125  0.875  1.5  0.5  4.5 \n");
}

TEST(JobShopRun, SetupTimesAreDrawnForTheSetAndReplayedAlike) {
    TempDir dir;
    // Set 0 seeds the setups with 0; with max_length 10 and factor 1: before a first job 0 9,
    // before a first job 1 8, job 0 to job 1 8, job 1 to job 0 6.
    //   job 1 first: machine 0 job 1 [8,9], job 0 [15,18]; machine 1 job 1 [17,20], job 0
    //   [26,27]: makespan 27 / 8;
    //   job 0 first: machine 0 job 0 [9,12], job 1 [20,21]; machine 1 job 0 [21,22], job 1
    //   [30,33]: makespan 33 / 8.
    writeOneSet(dir, "setup 1\nmax_length 10\n");
    dir.write("raspored_GP.txt", "1 4\n1 0 1 0\n");
    const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const char* const values[7] = {"3.375", "3.375", "3.375", "4.125", "3.375", "4.125", "4.125"};
    // Both jobs are late on either schedule; job 1 first is better in every other criterion.
    const char* const jobZeroFirst = "   0.0\t 100.0\t   0.0\t   0.0\t";
    const char* const cells[8] = {kAllBest, kAllBest,     kAllBest,     jobZeroFirst,
                                  kAllBest, jobZeroFirst, jobZeroFirst, kAllBest};
    expectEndsWith(run.out, expectedOutput(values, "3.375", cells));
    // GP replays job 1 first: C = (27, 20), tardiness 23 and 8, flowtimes 27 and 20.
    EXPECT_EQ(dir.read("summary.txt"), "\t3.875\t1\t5.875\t3.375\t100\t100\t100\t100");
}

// --- faults that end the run

TEST(JobShopRunFaults, SetupsWithoutMaxLengthEndBeforeAnyResultFile) {
    for (const std::string extra : {"setup 1\n", "setup 1\nmax_length 0\n"}) {
        TempDir dir;
        writeOneSet(dir, extra);
        dir.write("raspored_GP.txt", "1 4\n1 0 1 0\n");
        const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
        EXPECT_EQ(run.status, 1) << extra;
        EXPECT_NE(run.err.find("\"max_length\" of at least 1"), std::string::npos) << run.err;
        EXPECT_TRUE(resultFilesIn(dir).empty()) << extra;
    }
}

TEST(JobShopRunFaults, MachineBeyondTheSetEndsBeforeAnyResultFile) {
    TempDir dir;
    writeTwoSets(dir);
    dir.write("durations.txt", std::string("2 6\n") + kTwoMachineCodes + " 0 0\n4 2 1003 0 0 0\n");
    const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Duration file \"durations.txt\": set 1, job 2: operation 0 has the code 1003, which "
                           "names machine 1, but the set has 1 machines"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(resultFilesIn(dir).empty());
    EXPECT_EQ(run.out.find("WSPT:"), std::string::npos);
}

TEST(JobShopRunFaults, RouteThatMissesAMachineEndsBeforeAnyResultFile) {
    TempDir dir;
    writeTwoSets(dir);
    dir.write("durations.txt", "2 6\n3 1001 1 3 0 0\n4 2 3 0 0 0\n");
    const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Duration file \"durations.txt\": set 0, job 1: the route visits machine 0 twice"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(resultFilesIn(dir).empty());
}

TEST(JobShopRunFaults, GPJobOutsideTheSetEndsAfterTheRulesResults) {
    const struct {
        const char* schedule;
        const char* message;
    } cases[] = {
        {"2 6\n1 0 0 1 0 0\n1 0 3 0 0 0\n",
         "Schedule file \"raspored_GP.txt\": set 1, position 2 (machine 0, place 2): "
         "3 is not a job of the set, which has 3 jobs"},
        {"2 6\n-1 0 0 1 0 0\n1 0 2 0 0 0\n",
         "Schedule file \"raspored_GP.txt\": set 0, position 0 (machine 0, place 0): "
         "-1 is not a job of the set, which has 2 jobs"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeTwoSets(dir);
        dir.write("raspored_GP.txt", c.schedule);
        const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        std::vector<std::string> files = resultFilesIn(dir);
        std::sort(files.begin(), files.end());
        std::vector<std::string> expected = kRuleResultFiles;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files, expected);  // the rules' results stay, GP has none
        EXPECT_NE(run.out.find("WTWKR: 1.875\n"), std::string::npos);
        EXPECT_EQ(run.out.find("GP:"), std::string::npos);
    }
}
