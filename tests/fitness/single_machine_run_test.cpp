// The single-machine evaluation run of the built program, end to end: printed values, the
// dominance table, the result and schedule files and the summary file. Every expected number
// was worked out by hand from the instances below (sequences per rule, then the criteria).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

using testing_support::readFile;
using testing_support::RunResult;
using testing_support::runProgram;
using testing_support::TempDir;

namespace {

const std::string kUsage =
    "-- Program za ispitivanje ucinkovitosti postupaka rasporedjivanja u zadanom okruzenju\n"
    "Ulazne datoteke:\n"
    "- fitness.txt : datoteka definicije okruzenja i ispitnih primjera\n"
    "- raspored_GP.txt :  datoteka s rasporedima za zadane ispitne primjere (generira je program za ucenje)\n"
    "Izlazne datoteke: rasporedi za prikladne algoritme rasporedjivanja (ovisno o okruzenju)\n\n";
const std::string kHeader = "Okruzenje: jedan stroj\n";
const std::string kTableHeader = "\nDominacija: (kriteriji Twt, Uwt, Fwt, Cmax)\n";
const std::string kEnd = "Gotovo!\n\n";

using Files = std::vector<std::pair<std::string, std::string>>;

// Two sets. Set 0: p (1, 5, 3), d (10, 6, 4), w (1, 4, 1), SP 9. Set 1: two equal jobs p 2,
// d 10, w 1, SP 4, on which every sequence is equally good.
Files twoSets(const std::string& extraKeys) {
    return {{"fitness.txt", "single 1\nsets 2\nmax_jobs 3\nduration trajanje.txt\ndeadline rokovi.txt\n"
                            "SP suma.txt\nweight_T tezine.txt\njobs 3 2\n" + extraKeys},
            {"trajanje.txt", "2 3\n1 5 3\n2 2 0\n"},
            {"rokovi.txt", "2 3\n10 6 4\n10 10 0\n"},
            {"tezine.txt", "2 3\n1 4 1\n1 1 0\n"},
            {"suma.txt", "2 1\n9\n4\n"}};
}

RunResult runIn(const TempDir& dir, const Files& files) {
    for (const auto& [name, content] : files) dir.write(name, content);
    return runProgram(FITNESS_BIN, "summary.txt", dir.path());
}

void expectNoFiles(const TempDir& dir, std::initializer_list<const char*> names) {
    for (const char* name : names) EXPECT_FALSE(dir.exists(name)) << name;
}

}  // namespace

// EDD 2,1,0; WSPT 0,1,2; R&M, X-D R&M and Nwt 1,0,2; MON 1,2,0; GP 0,2,1 (set 0).
TEST(SingleMachineRun, PlainInstancesRunTheSevenEntries) {
    TempDir dir;
    Files files = twoSets("");
    files.push_back({"raspored_GP.txt", "2 3\n0 2 1\n0 1 0\n"});
    const RunResult run = runIn(dir, files);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, kUsage + kHeader +
                           "EDD:\t 0.444444\n"
                           "WSPT:\t 0.277778\n"
                           "R&M:\t 0.277778\n"
                           "X-D R&M:\t 0.277778\n"
                           "MON:\t 0.222222\n"
                           "Nwt heuristika 1:\t 0.277778\n"
                           "GP:\t 0.666667\n" +
                           kTableHeader +
                           "EDD\t  50.0\t  50.0\t  50.0\t 100.0\t\n"
                           "WSPT\t  50.0\t 100.0\t  50.0\t 100.0\t\n"
                           "RM\t  50.0\t 100.0\t  50.0\t 100.0\t\n"
                           "XD\t  50.0\t 100.0\t  50.0\t 100.0\t\n"
                           "MON\t 100.0\t 100.0\t  50.0\t 100.0\t\n"
                           "Nwt_1\t  50.0\t 100.0\t  50.0\t 100.0\t\n"
                           "GP\t  50.0\t  50.0\t 100.0\t 100.0\t\n" +
                           kEnd);
    EXPECT_EQ(dir.read("summary.txt"), "\t0.666667\t0.666667\t2.27778\t2\t50\t50\t100\t100");
    EXPECT_EQ(dir.read("rezultat_EDD.txt"),
              "3 4\n 0.444444  0.666667  1.11111  1 \n 0  0  1.5  1 \n 0.444444  0.666667  2.61111  2 \n");
    EXPECT_EQ(dir.read("rezultat_WSPT.txt"),
              "3 4\n 0.277778  0.166667  0.888889  1 \n 0  0  1.5  1 \n 0.277778  0.166667  2.38889  2 \n");
    EXPECT_EQ(dir.read("rezultat_MON.txt"),
              "3 4\n 0.222222  0.166667  1.22222  1 \n 0  0  1.5  1 \n 0.222222  0.166667  2.72222  2 \n");
    const std::string rm = "3 4\n 0.277778  0.166667  1.11111  1 \n 0  0  1.5  1 \n 0.277778  0.166667  2.61111  2 \n";
    EXPECT_EQ(dir.read("rezultat_RM.txt"), rm);
    EXPECT_EQ(dir.read("rezultat_XD.txt"), rm);
    EXPECT_EQ(dir.read("rezultat_Nwt.txt"), rm);
    EXPECT_EQ(dir.read("rezultat_fGP.txt"),
              "3 4\n 0.666667  0.666667  0.777778  1 \n 0  0  1.5  1 \n 0.666667  0.666667  2.27778  2 \n");
    // Only the columns within each set's job count are defined.
    EXPECT_EQ(dir.read("raspored_RM.txt").rfind("2 3\n 1  0  2 \n 0  1 ", 0), 0u);
    expectNoFiles(dir, {"rezultat_Sidney.txt", "rezultat_HLF.txt", "rezultat_LNS.txt", "rezultat_ATCS.txt",
                        "rezultat_SQSBD_makespan.txt"});
}

// Release times (2.5, 0, 0) and (1, 0). EDD 2,1,0; WSPT, R&M, X-D R&M 1,0,2; MON 1,2,0 and on
// set 1 0,1 (the others 1,0); GP 0,2,1: job 0 idles the machine to trunc(2.5) = 2.
TEST(SingleMachineRun, ReleaseTimesLeaveOutNwt) {
    TempDir dir;
    Files files = twoSets("ready spremni.txt\n");
    files.push_back({"spremni.txt", "2 3\n2.5 0 0\n1 0 0\n"});
    files.push_back({"raspored_GP.txt", "2 3\n0 2 1\n1 0 0\n"});
    const RunResult run = runIn(dir, files);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kUsage + kHeader +
                           "EDD:\t 0.444444\n"
                           "WSPT:\t 0.277778\n"
                           "R&M:\t 0.277778\n"
                           "X-D R&M:\t 0.277778\n"
                           "MON:\t 0.222222\n"
                           "GP:\t 1.22222\n" +
                           kTableHeader +
                           "EDD\t  50.0\t  50.0\t 100.0\t 100.0\t\n"
                           "WSPT\t  50.0\t 100.0\t 100.0\t 100.0\t\n"
                           "RM\t  50.0\t 100.0\t 100.0\t 100.0\t\n"
                           "XD\t  50.0\t 100.0\t 100.0\t 100.0\t\n"
                           "MON\t 100.0\t 100.0\t   0.0\t  50.0\t\n"
                           "GP\t  50.0\t  50.0\t 100.0\t  50.0\t\n" +
                           kEnd);
    EXPECT_EQ(dir.read("summary.txt"), "\t1.22222\t0.833333\t2.22222\t2.22222\t50\t50\t100\t50");
    EXPECT_EQ(dir.read("rezultat_MON.txt"),
              "3 4\n 0.222222  0.166667  1.08333  1 \n 0  0  1.75  1.25 \n 0.222222  0.166667  2.83333  2.25 \n");
    EXPECT_EQ(dir.read("rezultat_fGP.txt"),
              "3 4\n 1.22222  0.833333  0.972222  1.22222 \n 0  0  1.25  1 \n 1.22222  0.833333  2.22222  2.22222 \n");
    expectNoFiles(dir, {"rezultat_Nwt.txt", "rezultat_Sidney.txt", "rezultat_ATCS.txt"});
}

// Job 2 of set 0 follows job 0, job 1 of set 1 follows job 0. EDD, R&M, X-D R&M, MON and HLF
// 1,0,2; WSPT and LNS 0,1,2; Sidney 0,2,1 (numbered from 1 in its file); GP 2,0,1.
TEST(SingleMachineRun, ConstraintsAddSidneyHLFAndLNS) {
    TempDir dir;
    Files files = twoSets("constraints prethodnici.txt\n");
    files.push_back({"prethodnici.txt", "2 3\n0 0 2\n0 1 0\n"});
    files.push_back({"raspored_Sidney.txt", "2 3\n1 3 2\n1 2 1\n"});
    files.push_back({"raspored_GP.txt", "2 3\n2 0 1\n0 1 0\n"});
    const RunResult run = runIn(dir, files);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kUsage + kHeader +
                           "EDD:\t 0.277778\n"
                           "WSPT:\t 0.277778\n"
                           "R&M:\t 0.277778\n"
                           "X-D R&M:\t 0.277778\n"
                           "MON:\t 0.277778\n"
                           "Sidney:\t 0.666667\n"
                           "HLF:\t 0.277778\n"
                           "LNS:\t 0.277778\n"
                           "GP:\t 0.666667\n" +
                           kTableHeader +
                           "EDD\t 100.0\t 100.0\t  50.0\t 100.0\t\n"
                           "WSPT\t 100.0\t 100.0\t  50.0\t 100.0\t\n"
                           "RM\t 100.0\t 100.0\t  50.0\t 100.0\t\n"
                           "XD\t 100.0\t 100.0\t  50.0\t 100.0\t\n"
                           "MON\t 100.0\t 100.0\t  50.0\t 100.0\t\n"
                           "Sidney\t  50.0\t  50.0\t 100.0\t 100.0\t\n"
                           "HLF\t 100.0\t 100.0\t  50.0\t 100.0\t\n"
                           "LNS\t 100.0\t 100.0\t  50.0\t 100.0\t\n"
                           "GP\t  50.0\t  50.0\t  50.0\t 100.0\t\n" +
                           kEnd);
    EXPECT_EQ(dir.read("summary.txt"), "\t0.666667\t0.666667\t2.38889\t2\t50\t50\t50\t100");
    EXPECT_EQ(dir.read("rezultat_Sidney.txt"),
              "3 4\n 0.666667  0.666667  0.777778  1 \n 0  0  1.5  1 \n 0.666667  0.666667  2.27778  2 \n");
    EXPECT_EQ(dir.read("rezultat_HLF.txt"),
              "3 4\n 0.277778  0.166667  1.11111  1 \n 0  0  1.5  1 \n 0.277778  0.166667  2.61111  2 \n");
    EXPECT_EQ(dir.read("rezultat_LNS.txt"),
              "3 4\n 0.277778  0.166667  0.888889  1 \n 0  0  1.5  1 \n 0.277778  0.166667  2.38889  2 \n");
    expectNoFiles(dir, {"rezultat_Nwt.txt", "rezultat_ATCS.txt", "rezultat_SQSBD_makespan.txt"});
}

// Setups from p (2, 5, 9) with factor 1 (table in the unit tests); weights (4, 1, 1); due
// dates (20, 12, 30). EDD 1,0,2; WSPT 0,1,2; every other rule 2,1,0; GP 0,2,1. Set 1: two
// equal jobs, first setup 2, between them 0, whatever the order.
TEST(SingleMachineRun, SetupsAddATCSAndTheSetupMakespanRule) {
    TempDir dir;
    const Files files = {
        {"fitness.txt", "single 1\nsets 2\nmax_jobs 3\nduration p.txt\ndeadline d.txt\nSP sp.txt\n"
                        "weight_T w.txt\nsetup 1\njobs 3 2\n"},
        {"p.txt", "2 3\n2 5 9\n2 2 0\n"},
        {"d.txt", "2 3\n20 12 30\n10 10 0\n"},
        {"w.txt", "2 3\n4 1 1\n1 1 0\n"},
        {"sp.txt", "2 1\n16\n4\n"},
        {"raspored_GP.txt", "2 3\n0 2 1\n0 1 0\n"}};
    const RunResult run = runIn(dir, files);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kUsage + kHeader +
                           "EDD:\t 0.09375\n"
                           "WSPT:\t 0.1875\n"
                           "R&M:\t 0.875\n"
                           "X-D R&M:\t 0.875\n"
                           "MON:\t 0.875\n"
                           "ATCS:\t 0.875\n"
                           "SDS-BD makespan:\t 0.875\n"
                           "GP:\t 0.5\n" +
                           kTableHeader +
                           "EDD\t 100.0\t  50.0\t  50.0\t  50.0\t\n"
                           "WSPT\t  50.0\t  50.0\t  50.0\t  50.0\t\n"
                           "RM\t  50.0\t  50.0\t  50.0\t 100.0\t\n"
                           "XD\t  50.0\t  50.0\t  50.0\t 100.0\t\n"
                           "MON\t  50.0\t  50.0\t  50.0\t 100.0\t\n"
                           "ATCS\t  50.0\t  50.0\t  50.0\t 100.0\t\n"
                           "makespan\t  50.0\t  50.0\t  50.0\t 100.0\t\n"
                           "GP\t  50.0\t 100.0\t 100.0\t  50.0\t\n" +
                           kEnd);
    EXPECT_EQ(dir.read("summary.txt"), "\t0.5\t0.166667\t4.1875\t3.25\t50\t100\t100\t50");
    EXPECT_EQ(dir.read("rezultat_EDD.txt"),
              "3 4\n 0.09375  0.333333  2  1.9375 \n 0  0  2.5  1.5 \n 0.09375  0.333333  4.5  3.4375 \n");
    EXPECT_EQ(dir.read("rezultat_WSPT.txt"),
              "3 4\n 0.1875  0.333333  1.71875  2 \n 0  0  2.5  1.5 \n 0.1875  0.333333  4.21875  3.5 \n");
    const std::string late = "3 4\n 0.875  0.833333  1.75  1.5625 \n 0  0  2.5  1.5 \n 0.875  0.833333  4.25  3.0625 \n";
    EXPECT_EQ(dir.read("rezultat_ATCS.txt"), late);
    EXPECT_EQ(dir.read("rezultat_SQSBD_makespan.txt"), late);
    expectNoFiles(dir, {"rezultat_Nwt.txt", "rezultat_Sidney.txt", "rezultat_HLF.txt"});
}

namespace {

// One set of two equal jobs (p 2, d 10), job 1 released at 0 and job 0 at 3, job 1 after
// job 0 when constraints are in force; setups 2 before a first job and 0 between the two.
struct Combination {
    const char* keys;
    std::vector<const char*> labels;  // the table's rows in order
    const char* gp;                   // GP row, the sequence every heuristic also finds
    const char* fwtAndCmax;           // the set's Fwt and Cmax as the summary writes them
};

std::string printedLines(const std::vector<const char*>& labels) {
    std::string lines;
    for (const char* label : labels) {
        const std::string name = label;
        const std::string printed = name == "RM"         ? "R&M"
                                    : name == "XD"       ? "X-D R&M"
                                    : name == "makespan" ? "SDS-BD makespan"
                                                         : name;
        lines += printed + ":\t 0\n";
    }
    return lines;
}

std::string allBestRows(const std::vector<const char*>& labels) {
    std::string rows;
    for (const char* label : labels) rows += std::string(label) + "\t 100.0\t 100.0\t 100.0\t 100.0\t\n";
    return rows;
}

class SingleMachineCombinations : public ::testing::TestWithParam<Combination> {};

}  // namespace

TEST_P(SingleMachineCombinations, RunTheirHeuristicsInOrder) {
    const Combination& c = GetParam();
    TempDir dir;
    const Files files = {
        {"fitness.txt", std::string("single 1\nsets 1\nmax_jobs 2\nduration p.txt\ndeadline d.txt\nSP sp.txt\n"
                                    "jobs 2\n") + c.keys},
        {"p.txt", "1 2\n2 2\n"},
        {"d.txt", "1 2\n10 10\n"},
        {"sp.txt", "1 1\n4\n"},
        {"r.txt", "1 2\n3 0\n"},
        {"c.txt", "1 2\n0 1\n"},
        {"raspored_Sidney.txt", "1 2\n1 2\n"},
        {"raspored_GP.txt", std::string("1 2\n") + c.gp + "\n"}};
    const RunResult run = runIn(dir, files);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<const char*> heuristics(c.labels.begin(), c.labels.end() - 1);
    EXPECT_EQ(run.out, kUsage + kHeader + printedLines(heuristics) + "GP:\t 0\n" + kTableHeader +
                           allBestRows(c.labels) + kEnd);
    EXPECT_EQ(dir.read("summary.txt"), std::string("\t0\t0\t") + c.fwtAndCmax + "\t100\t100\t100\t100");
}

INSTANTIATE_TEST_SUITE_P(
    FlagSets, SingleMachineCombinations,
    ::testing::Values(
        // Job 0 from 3: 3 + 2 + 2 = 7, flow 4; job 1: 7 + 2 + 0 = 9. Fwt 13 * 2 / 8, Cmax 9 / 4.
        Combination{"ready r.txt\nconstraints c.txt\nsetup 1\n",
                    {"EDD", "WSPT", "RM", "XD", "MON", "Sidney", "HLF", "LNS", "ATCS", "makespan", "GP"},
                    "0 1",
                    "3.25\t2.25"},
        // 3 + 2 = 5, flow 2; 7. Fwt 9 * 2 / 8, Cmax 7 / 4.
        Combination{"ready r.txt\nconstraints c.txt\n",
                    {"EDD", "WSPT", "RM", "XD", "MON", "Sidney", "HLF", "LNS", "GP"},
                    "0 1",
                    "2.25\t1.75"},
        // 2 + 2 = 4; 4 + 2 = 6. Fwt 10 * 2 / 8, Cmax 6 / 4.
        Combination{"constraints c.txt\nsetup 1\n",
                    {"EDD", "WSPT", "RM", "XD", "MON", "Sidney", "HLF", "LNS", "ATCS", "makespan", "GP"},
                    "0 1",
                    "2.5\t1.5"},
        // Only job 1 is released at 0 and job 0 (3) could not start before it ends: job 1
        // ends at 2 + 2 = 4, job 0 at 4 + 2 + 0 = 6, flow 3. Fwt 7 * 2 / 8, Cmax 6 / 4.
        Combination{"ready r.txt\nsetup 1\n",
                    {"EDD", "WSPT", "RM", "XD", "MON", "ATCS", "makespan", "GP"},
                    "1 0",
                    "1.75\t1.5"}));

TEST(SingleMachineRun, SummaryOfASecondRunFollowsOnTheSameLine) {
    TempDir dir;
    Files files = twoSets("");
    files.push_back({"raspored_GP.txt", "2 3\n0 2 1\n0 1 0\n"});
    ASSERT_EQ(runIn(dir, files).status, 0);
    ASSERT_EQ(runProgram(FITNESS_BIN, "summary.txt", dir.path()).status, 0);
    const std::string once = "\t0.666667\t0.666667\t2.27778\t2\t50\t50\t100\t100";
    EXPECT_EQ(dir.read("summary.txt"), once + once);
}

TEST(SingleMachineRun, ShortSidneyRowEndsWithTheMatrixAssertion) {
    TempDir dir;
    Files files = twoSets("constraints prethodnici.txt\n");
    files.push_back({"prethodnici.txt", "2 3\n0 0 0\n0 0 0\n"});
    files.push_back({"raspored_Sidney.txt", "2 2\n1 2\n1 2\n"});  // set 0 has three jobs
    files.push_back({"raspored_GP.txt", "2 3\n0 1 2\n0 1 0\n"});
    const RunResult run = runIn(dir, files);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Assertion failed!\nfile: .\\matrice\nline: 188\n");
    EXPECT_NE(run.out.find("MON:\t"), std::string::npos);
    EXPECT_EQ(run.out.find("Sidney:"), std::string::npos);
    EXPECT_TRUE(dir.exists("rezultat_MON.txt"));  // files written before the failure remain
}

TEST(SingleMachineRun, SidneyJobOutsideTheTablesEndsWithTheMatrixAssertion) {
    TempDir dir;
    Files files = twoSets("constraints prethodnici.txt\n");
    files.push_back({"prethodnici.txt", "2 3\n0 0 0\n0 0 0\n"});
    files.push_back({"raspored_Sidney.txt", "2 3\n1 2 4\n1 2 0\n"});  // job 4 of three
    files.push_back({"raspored_GP.txt", "2 3\n0 1 2\n0 1 0\n"});
    const RunResult run = runIn(dir, files);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Assertion failed!\nfile: .\\matrice\nline: 188\n");
}

// Both schedule files come from other programs; a missing one ends the run after the heuristics
// before it, and is named after the assertion lines.
TEST(SingleMachineRun, MissingScheduleFilesEndTheRunAndAreNamed) {
    struct Case {
        Files files;
        const char* missing;
        const char* writtenBefore;
    };
    Files constrained = twoSets("constraints prethodnici.txt\n");
    constrained.push_back({"prethodnici.txt", "2 3\n0 0 0\n0 0 0\n"});
    constrained.push_back({"raspored_GP.txt", "2 3\n0 1 2\n0 1 0\n"});
    for (const Case& c : {Case{twoSets(""), "raspored_GP.txt", "rezultat_Nwt.txt"},
                          Case{constrained, "raspored_Sidney.txt", "rezultat_MON.txt"}}) {
        TempDir dir;
        const RunResult run = runIn(dir, c.files);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "Assertion failed!\nfile: .\\matrice\nline: 218\nMatrix file \"" + std::string(c.missing) +
                               "\" cannot be read: No such file or directory\n");
        EXPECT_TRUE(dir.exists(c.writtenBefore));
        EXPECT_FALSE(dir.exists("summary.txt"));
    }
}

TEST(SingleMachineRun, BundledExampleRuns) {
    TempDir dir;
    std::filesystem::copy(std::string(EXAMPLES_DIR) + "/single", dir.path(),
                          std::filesystem::copy_options::recursive);
    const RunResult run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* label : {"\nEDD\t", "\nWSPT\t", "\nRM\t", "\nXD\t", "\nMON\t", "\nNwt_1\t", "\nGP\t"})
        EXPECT_NE(run.out.find(label), std::string::npos) << label;
}
