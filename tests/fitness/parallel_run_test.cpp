// The uniform and unrelated runs of the evaluator, from the definition file to the printed
// values, the result files and the summary file. Every expected number is worked out by hand
// in the comments.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/test_support.h"

using testing_support::runProgram;
using testing_support::RunResult;
using testing_support::TempDir;

namespace {

using Files = std::set<std::string>;

Files filesIn(const TempDir& dir) {
    Files names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.insert(entry.path().filename());
    return names;
}

struct FitnessRun {
    RunResult result;
    Files created;
    std::string out;  // standard output from the environment line on (the usage text is not ours)
};

FitnessRun runFitness(const TempDir& dir) {
    const Files before = filesIn(dir);
    FitnessRun run{runProgram(FITNESS_BIN, "summary.txt", dir.path()), {}, {}};
    for (const std::string& name : filesIn(dir))
        if (!before.count(name)) run.created.insert(name);
    const std::size_t start = run.result.out.find("Okruzenje");
    run.out = start == std::string::npos ? run.result.out : run.result.out.substr(start);
    return run;
}

const char* const kUniformLine = "Okruzenje: paralelni jednoliki strojevi\n";
const char* const kUnrelatedLine = "Okruzenje: paralelni nesrodni strojevi\n";
const char* const kTableEnd = "\nDominacija: (kriteriji Twt, Uwt, Fwt, Cmax)\nGotovo!\n\n";

const Files kUniformResults = {"rezultat_XD.txt",  "rezultat_MON.txt", "rezultat_SPT.txt",
                               "rezultat_EDD.txt", "rezultat_RM.txt",  "rezultat_ATCS.txt",
                               "rezultat_LNS.txt", "rezultat_HLF.txt", "rezultat_makespan.txt"};

Files with(Files files, const Files& more) {
    files.insert(more.begin(), more.end());
    return files;
}

// Set 0: two jobs, p = (2, 4), d = (1, 20), SP 6 (g = 3), machines of speed 1 and 2.
// Set 1: one job of 2 units due at 10 on one machine of speed 3: it ends at 6 (Fwt 3, Cmax 3).
// Job 0 first puts it on machine 0 (ends at 2, 1 late) and job 1 on machine 1 (ends at 8):
// Twt 1/6, Uwt 1/2, Fwt 10/6, Cmax 8/6, Tmax 1/3. Job 1 first puts job 0 on machine 1, where it
// ends at 4, 3 late: Twt 3/6, Uwt 1/2, Fwt 8/6, Cmax 4/6, Tmax 1.
void writeUniformInstance(const TempDir& dir, const std::string& machines = "2 1") {
    dir.write("fitness.txt", "uniform 1\nsets 2\nmax_jobs 2\njobs 2 1\nmachines " + machines +
                                 "\nduration p.txt\ndeadline d.txt\nSP sp.txt\nmachine_file v.txt\n");
    dir.write("p.txt", "2 2\n2 4\n2 0\n");
    dir.write("d.txt", "2 2\n1 20\n10 0\n");
    dir.write("sp.txt", "2 1\n6\n2\n");
    dir.write("v.txt", "2 2\n1 2\n3 0\n");
    dir.write("raspored_GP.txt", "2 2\n1 1000\n0 0\n");
}

// Three jobs on one machine: p = (2, 5, 9), d = (10, 90, 50), r = (0, 0, 1), SP 15 (g = 5).
void writeUnrelatedEventInstance(const TempDir& dir, const std::string& extra) {
    dir.write("fitness.txt", "unrelated 1\nsets 1\nmax_jobs 3\njobs 3\nmachines 1\nduration p.txt\n"
                             "deadline d.txt\nSP sp.txt\nready r.txt\n" + extra);
    dir.write("p.txt", "1 3\n2 5 9\n");
    dir.write("d.txt", "1 3\n10 90 50\n");
    dir.write("sp.txt", "1 1\n15\n");
    dir.write("r.txt", "1 3\n0 0 1\n");
    dir.write("c.txt", "1 3\n0 1 3\n");  // a chain 0, 1, 2 that min-min does not follow
    dir.write("raspored_GP.txt", "1 3\n0 1 2\n");
}

// Two machines, p(0, .) = (4, 6), p(1, .) = (3, 3), p(2, .) = (5, 2), all due at 5, SP 12 (g = 4).
void writeUnrelatedInstance(const TempDir& dir, const std::string& machines = "2", const std::string& ready = "ready r.txt\n") {
    dir.write("fitness.txt", "unrelated 1\nsets 1\nmax_jobs 3\njobs 3\nmachines " + machines +
                                 "\nduration p.txt\ndeadline d.txt\nSP sp.txt\n" + ready);
    dir.write("p.txt", "1 6\n4 6 3 3 5 2\n");
    dir.write("d.txt", "1 3\n5 5 5\n");
    dir.write("sp.txt", "1 1\n12\n");
    dir.write("r.txt", "1 3\n0 0 0\n");
    dir.write("raspored_GP.txt", "1 3\n2 1001 1000\n");
}

}  // namespace

TEST(UniformRun, NineHeuristicsThenGPAndTheTableHeaderAlone) {
    // Every rule but ATCS and the makespan rule sends job 0 first. ATCS: d spread 19 over the
    // estimate 6 gives R = 19/6 and k1 = 6 - 2R = -1/3, so the slack of job 1 raises its
    // priority; the makespan rule p / L takes the longer job 1. GP runs job 1 first.
    TempDir dir;
    writeUniformInstance(dir);
    const FitnessRun run = runFitness(dir);
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_EQ(run.result.err, "");
    EXPECT_EQ(run.out, std::string(kUniformLine) +
                           "X-D RM: 0.166667\nMON: 0.166667\nWSPT: 0.166667\nEDD: 0.166667\nRM: 0.166667\n"
                           "ATCS: 0.5\nLNS: 0.166667\nHLF: 0.166667\nMakespan: 0.5\nGP:\t 0.5\n" +
                           kTableEnd);
    EXPECT_EQ(run.created, with(kUniformResults, {"rezultat_fGP.txt", "summary.txt"}));
    EXPECT_EQ(dir.read("rezultat_XD.txt"),
              "3 5\n 0.166667  0.5  1.66667  1.33333  0.333333 \n 0  0  3  3  0 \n"
              " 0.166667  0.5  4.66667  4.33333  0.333333 \n");
    const std::string jobOneFirst =
        "3 5\n 0.5  0.5  1.33333  0.666667  1 \n 0  0  3  3  0 \n 0.5  0.5  4.33333  3.66667  1 \n";
    EXPECT_EQ(dir.read("rezultat_makespan.txt"), jobOneFirst);
    EXPECT_EQ(dir.read("rezultat_fGP.txt"), jobOneFirst);
    EXPECT_EQ(dir.read("summary.txt"), "\t0.5\t0.5\t4.33333\t3.66667");
}

TEST(UniformRun, SetupsReleaseTimesAndConstraintsTogether) {
    // p = (3, 2, 4), speeds (1, 2), r = (0, 1, 20), job 2 after job 1, setups with factor 1:
    // before a first job (2, 4, 3), (0, 2) = 1, (2, 0) = 1. Only one job can go at each step:
    // job 0 on machine 0 over 0 + 2 + 3 = 5 (d 4: 1 late); job 1 on machine 1 from its release
    // 1: 1 + 4 + 2 x 2 = 9; job 2 on machine 0 from 20: 20 + 1 + 4 = 25. SP 9 (g = 3):
    // Twt 1/9, Uwt 1/3, Fwt (5 + 8 + 5)/9, Cmax 25/9, Tmax 1/3.
    // GP runs job 2 first on machine 0 (20 + 4 + 3 = 27), job 0 behind it (27 + 3 + 1 = 31,
    // 27 late): Twt 27/9 = 3, Fwt (7 + 8 + 31)/9, Cmax 31/9.
    TempDir dir;
    dir.write("fitness.txt", "uniform 1\nsets 1\nmax_jobs 3\njobs 3\nmachines 2\nduration p.txt\ndeadline d.txt\n"
                             "SP sp.txt\nmachine_file v.txt\nready r.txt\nconstraints c.txt\nsetup 1\n");
    dir.write("p.txt", "1 3\n3 2 4\n");
    dir.write("d.txt", "1 3\n4 10 30\n");
    dir.write("sp.txt", "1 1\n9\n");
    dir.write("v.txt", "1 2\n1 2\n");
    dir.write("r.txt", "1 3\n0 1 20\n");
    dir.write("c.txt", "1 3\n0 0 1\n");
    dir.write("raspored_GP.txt", "1 3\n2 1001 0\n");
    const FitnessRun run = runFitness(dir);
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_EQ(run.out, std::string(kUniformLine) +
                           "X-D RM: 0.111111\nMON: 0.111111\nWSPT: 0.111111\nEDD: 0.111111\nRM: 0.111111\n"
                           "ATCS: 0.111111\nLNS: 0.111111\nHLF: 0.111111\nMakespan: 0.111111\nGP:\t 3\n" +
                           kTableEnd);
    EXPECT_EQ(dir.read("rezultat_EDD.txt"),
              "2 5\n 0.111111  0.333333  2  2.77778  0.333333 \n 0.111111  0.333333  2  2.77778  0.333333 \n");
    EXPECT_EQ(dir.read("rezultat_fGP.txt"), "2 5\n 3  0.333333  5.11111  3.44444  9 \n 3  0.333333  5.11111  3.44444  9 \n");
    EXPECT_EQ(dir.read("summary.txt"), "\t3\t0.333333\t5.11111\t3.44444");
}

TEST(UniformRun, ConstraintsWithoutReleaseTimesWaitForPredecessors) {
    // p = (2, 1, 3), d = (2, 2.5, 14), speeds (1, 1), job 0 before jobs 1 and 2. Job 0 runs on
    // machine 0 over [0, 2]; at 2 machine 1 chooses between jobs 1 and 2. Every rule but HLF
    // (levels 1 and 3) and the makespan rule (p / L) takes job 1: nobody is late. Job 2 first
    // leaves job 1 to machine 0 over [2, 3], 0.5 late: Twt 0.5/6, Uwt 1/3, Tmax 0.5/2.
    TempDir dir;
    dir.write("fitness.txt", "uniform 1\nsets 1\nmax_jobs 3\njobs 3\nmachines 2\nduration p.txt\ndeadline d.txt\n"
                             "SP sp.txt\nmachine_file v.txt\nconstraints c.txt\n");
    dir.write("p.txt", "1 3\n2 1 3\n");
    dir.write("d.txt", "1 3\n2 2.5 14\n");
    dir.write("sp.txt", "1 1\n6\n");
    dir.write("v.txt", "1 2\n1 1\n");
    dir.write("c.txt", "1 3\n0 1 2\n");
    dir.write("raspored_GP.txt", "1 3\n0 1001 2\n");
    const FitnessRun run = runFitness(dir);
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_EQ(run.out, std::string(kUniformLine) +
                           "X-D RM: 0\nMON: 0\nWSPT: 0\nEDD: 0\nRM: 0\nATCS: 0\nLNS: 0\nHLF: 0.0833333\n"
                           "Makespan: 0.0833333\nGP:\t 0\n" +
                           kTableEnd);
    EXPECT_EQ(dir.read("rezultat_HLF.txt"),
              "2 5\n 0.0833333  0.333333  1.33333  0.5  0.25 \n 0.0833333  0.333333  1.33333  0.5  0.25 \n");
    EXPECT_EQ(dir.read("summary.txt"), "\t0\t0\t1.33333\t0.833333");
}

TEST(UniformRun, SetWithJobsButNoMachineStopsBeforeAnyFile) {
    TempDir dir;
    writeUniformInstance(dir, "2 0");
    const FitnessRun run = runFitness(dir);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.err,
              "Set 1 has 1 job(s) but no machine: the entry \"machines\" of the definition file must give it at least "
              "one.\n");
    EXPECT_EQ(run.out, kUniformLine);
    EXPECT_EQ(run.created, Files{});
}

TEST(UniformRun, GPEntryOnAMachineBeyondTheSetStopsAfterTheHeuristics) {
    TempDir dir;
    writeUniformInstance(dir);
    dir.write("raspored_GP.txt", "2 2\n1 2000\n0 0\n");
    const FitnessRun run = runFitness(dir);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.err,
              "Schedule file \"raspored_GP.txt\": set 0, position 1 (counted from 0): the entry 2000 names machine 2, "
              "but the set has 2 machine(s).\n");
    EXPECT_NE(run.out.find("Makespan: 0.5\n"), std::string::npos);
    EXPECT_EQ(run.out.find("GP:"), std::string::npos);
    EXPECT_EQ(run.created, kUniformResults);
}

TEST(UniformRun, MissingMachineFileStopsBeforeTheFirstHeuristic) {
    TempDir dir;
    writeUniformInstance(dir);
    std::filesystem::remove(dir.file("v.txt"));
    const FitnessRun run = runFitness(dir);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.err, "Assertion failed!\nfile: .\\matrice\nline: 218\n"
                              "Matrix file \"v.txt\" cannot be read: No such file or directory\n");
    EXPECT_EQ(run.out, kUniformLine);
}

TEST(UnrelatedRun, MinMinThenGPWritingExactlyThreeFiles) {
    // Min-min: 1, 0, 1002 (job 1 then job 0 on machine 0, ending at 3 and 7; job 2 on machine 1
    // ending at 2). Job 0 is 2 late: Twt 2/12, Uwt 1/3, Fwt 12/12, Cmax 7/12, Tmax 2/4.
    // GP: job 2 on machine 0 (5), jobs 1 and 0 on machine 1 (3, then 9, 4 late):
    // Twt 4/12, Uwt 1/3, Fwt 17/12, Cmax 9/12.
    TempDir dir;
    writeUnrelatedInstance(dir);
    const FitnessRun run = runFitness(dir);
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_EQ(run.out, std::string(kUnrelatedLine) + "Min-min: 0.166667\nGP:\t 0.333333\n" + kTableEnd);
    EXPECT_EQ(run.created, (Files{"raspored_minmin.txt", "rezultat_minmin.txt", "rezultat_fGP.txt", "summary.txt"}));
    EXPECT_EQ(dir.read("raspored_minmin.txt"), "1 3\n 1  0  1002 \n");
    EXPECT_EQ(dir.read("rezultat_minmin.txt"),
              "2 5\n 0.166667  0.333333  1  0.583333  0.5 \n 0.166667  0.333333  1  0.583333  0.5 \n");
    EXPECT_EQ(dir.read("summary.txt"), "\t0.333333\t0.333333\t1.41667\t0.75");
}

TEST(UnrelatedRun, SetupsAndReleaseEventsWithAndWithoutConstraints) {
    // Setups with factor 10: before a first job (5, 9, 2); after job 0: 40 before job 1, 30
    // before job 2; (2, 1) = 40, (1, 2) = 70. Min-min: job 0 over [0, 7]; at 1 job 2 (7 + 9 +
    // 30 = 46) beats job 1 (7 + 5 + 40), which ends at 46 + 5 + 40 = 91, 1 late:
    // Twt 1/15, Uwt 1/3, Fwt (7 + 45 + 91)/15, Cmax 91/15, Tmax 1/5.
    // GP 0, 1, 2: 7, 7 + 5 + 40 = 52, 52 + 9 + 70 = 131 (81 late): Twt 81/15, Fwt (7 + 52 +
    // 130)/15, Cmax 131/15. The constraints (a chain 0, 1, 2) change nothing.
    const std::string expected = std::string(kUnrelatedLine) + "Min-min: 0.0666667\nGP:\t 5.4\n" + kTableEnd;
    for (const std::string constraints : {"", "constraints c.txt\n"}) {
        TempDir dir;
        writeUnrelatedEventInstance(dir, "setup 10\n" + constraints);
        const FitnessRun run = runFitness(dir);
        ASSERT_EQ(run.result.status, 0) << constraints << run.result.err;
        EXPECT_EQ(run.out, expected) << constraints;
        EXPECT_EQ(dir.read("raspored_minmin.txt"), "1 3\n 0  2  1 \n") << constraints;
        EXPECT_EQ(dir.read("rezultat_minmin.txt"),
                  "2 5\n 0.0666667  0.333333  9.53333  6.06667  0.2 \n 0.0666667  0.333333  9.53333  6.06667  0.2 \n")
            << constraints;
        EXPECT_EQ(dir.read("summary.txt"), "\t5.4\t0.333333\t12.6\t8.73333") << constraints;
    }
}

TEST(UnrelatedRun, WithoutReleaseTimesMinMinStopsWithItsAssertion) {
    TempDir dir;
    writeUnrelatedInstance(dir, "2", "");
    const FitnessRun run = runFitness(dir);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.err, "Assertion failed!\nfile: .\\scheduler\nline: 1049\n");
    EXPECT_EQ(run.out, kUnrelatedLine);
    EXPECT_EQ(run.created, Files{});
}

TEST(UnrelatedRun, SetWithJobsButNoMachineStopsBeforeAnyFile) {
    TempDir dir;
    writeUnrelatedInstance(dir, "0");
    const FitnessRun run = runFitness(dir);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.err,
              "Set 0 has 3 job(s) but no machine: the entry \"machines\" of the definition file must give it at least "
              "one.\n");
    EXPECT_EQ(run.created, Files{});
}

TEST(UnrelatedRun, NegativeGPEntryStopsAfterMinMinsFiles) {
    TempDir dir;
    writeUnrelatedInstance(dir);
    dir.write("raspored_GP.txt", "1 3\n1 -3 1002\n");
    const FitnessRun run = runFitness(dir);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.err,
              "Schedule file \"raspored_GP.txt\": set 0, position 1 (counted from 0): the entry -3 is negative.\n");
    EXPECT_EQ(run.created, (Files{"raspored_minmin.txt", "rezultat_minmin.txt"}));
}

TEST(ParallelRun, SetWithMoreJobsThanTheEncodingHoldsStops) {
    TempDir dir;
    writeUnrelatedInstance(dir);
    dir.write("fitness.txt", "unrelated 1\nsets 1\nmax_jobs 3\njobs 1001\nmachines 2\nduration p.txt\n"
                             "deadline d.txt\nSP sp.txt\nready r.txt\n");
    const FitnessRun run = runFitness(dir);
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.err,
              "Set 0 has 1001 jobs: a parallel-machine schedule (entries job + 1000 x machine) holds at most 1000 "
              "jobs per set.\n");
    EXPECT_EQ(run.created, Files{});
}

TEST(ParallelRun, BundledExamplesRunToTheEnd) {
    for (const std::string name : {"uniform", "unrelated"}) {
        TempDir dir;
        std::filesystem::copy(std::string(EXAMPLES_DIR) + "/" + name, dir.path(),
                              std::filesystem::copy_options::recursive);
        const FitnessRun run = runFitness(dir);
        EXPECT_EQ(run.result.status, 0) << name << run.result.err;
        EXPECT_EQ(run.result.err, "") << name;
        EXPECT_NE(run.out.find("GP:\t "), std::string::npos) << name;
        EXPECT_TRUE(dir.exists("rezultat_fGP.txt")) << name;
    }
}
