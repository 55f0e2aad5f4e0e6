#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "core/definition_entries.h"
#include "fitness/collection.h"
#include "fitness/run_sequence.h"
#include "support/terminal.h"
#include "support/test_support.h"

using testing_support::runProgram;
using testing_support::ScopedChdir;
using testing_support::TempDir;

namespace {

const char* const kUsage =
    "-- Program za ispitivanje ucinkovitosti postupaka rasporedjivanja u zadanom okruzenju\n"
    "Ulazne datoteke:\n"
    "- fitness.txt : datoteka definicije okruzenja i ispitnih primjera\n"
    "- raspored_GP.txt :  datoteka s rasporedima za zadane ispitne primjere (generira je program za ucenje)\n"
    "Izlazne datoteke: rasporedi za prikladne algoritme rasporedjivanja (ovisno o okruzenju)\n\n";

// Two sets of two jobs on one machine, every data file present.
void writeSingleInstance(const TempDir& dir, const std::string& extraDefinition = "") {
    dir.write("fitness.txt", "single 1\nsets 2\nmax_jobs 2\nduration p.txt\ndeadline d.txt\nSP sp.txt\njobs 2 2\n" +
                                 extraDefinition);
    dir.write("p.txt", "2 2\n3 2\n1 4\n");
    dir.write("d.txt", "2 2\n2 10\n5 5\n");
    dir.write("sp.txt", "2 1\n5\n5\n");
    dir.write("raspored_GP.txt", "2 2\n0 1\n1 0\n");
}

// A list line of count equal values.
std::string repeated(const std::string& key, int count, const std::string& value) {
    std::string line = key;
    for (int i = 0; i < count; ++i) line += " " + value;
    return line + "\n";
}

// A run that stops while loading: status 1, the message alone on standard error, nothing written.
void expectRefused(const std::string& definition, const std::string& message) {
    TempDir dir;
    writeSingleInstance(dir);
    dir.write("fitness.txt", definition);
    const auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    EXPECT_EQ(run.status, 1) << definition;
    EXPECT_EQ(run.err, "Definition file \"fitness.txt\": " + message + "\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5) << "only the input files";
}

}  // namespace

TEST(Loading, ReadsTablesAndDefaultsOptionalOnes) {
    TempDir dir;
    writeSingleInstance(dir, "max_length 7\n");
    ScopedChdir here(dir.path());
    Collection s;
    ASSERT_TRUE(readCollection(s, "fitness.txt"));
    EXPECT_EQ(s.environment, Environment::Single);
    EXPECT_EQ(s.maxLength, 7);
    EXPECT_FALSE(s.hasWeights);
    EXPECT_FALSE(s.hasReleaseTimes);
    EXPECT_FALSE(s.hasConstraints);
    EXPECT_FALSE(s.hasSetups);
    EXPECT_EQ(s.jobsIn(1), 2);
    EXPECT_EQ(s.processingTimes.get(1, 1), 4.0);
    EXPECT_EQ(s.dueDates.get(0, 1), 10.0);
    EXPECT_EQ(s.processingSum.get(1), 5.0);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            EXPECT_EQ(s.weights.get(i, j), 1.0) << "weights default to 1";
            EXPECT_EQ(s.releaseTimes.get(i, j), 0.0);
        }
}

TEST(Loading, OptionalFilesSwitchTheirFlagsAndFilesKeepTheirOwnShape) {
    TempDir dir;
    writeSingleInstance(dir, "weight_T w.txt\nready r.txt\nsetup 0.5\nconstraints c.txt\n");
    dir.write("w.txt", "2 2\n0.5 1\n2 3\n");
    dir.write("r.txt", "2 3\n1 2 3\n4 5 6\n");  // wider than max_jobs: the file's shape wins
    dir.write("c.txt", "2 2\n0 1\n0 0\n");
    ScopedChdir here(dir.path());
    Collection s;
    ASSERT_TRUE(readCollection(s, "fitness.txt"));
    EXPECT_TRUE(s.hasWeights);
    EXPECT_TRUE(s.hasReleaseTimes);
    EXPECT_TRUE(s.hasConstraints);
    EXPECT_TRUE(s.hasSetups);
    EXPECT_EQ(s.setupFactor, 0.5);
    EXPECT_EQ(s.weights.get(1, 0), 2.0);
    EXPECT_EQ(s.releaseTimes.cols, 3);
    EXPECT_EQ(s.releaseTimes.get(1, 2), 6.0);
    EXPECT_EQ(s.constraints.get(0, 1), 1.0);
}

TEST(Loading, EnvironmentKeywordsAreTriedInTheirFixedOrder) {
    TempDir dir;
    writeSingleInstance(dir);
    dir.write("fitness.txt", "jobshop 1\nunrelated 1\nuniform 1\nsets 2\nmax_jobs 2\nduration p.txt\n"
                             "deadline d.txt\nSP sp.txt\nmachine_file v.txt\njobs 2 2\nmachines 1 3\n");
    ScopedChdir here(dir.path());
    Collection s;
    ASSERT_TRUE(readCollection(s, "fitness.txt"));
    EXPECT_EQ(s.environment, Environment::Uniform);
    EXPECT_EQ(s.machineFileName, "v.txt");
    EXPECT_EQ(s.machinesIn(1), 3);
}

// A collection of another folder: its definition, its data files and the schedule files beside it
// are read there, the working folder unchanged, and its files are named there.
TEST(Loading, ReadsACollectionOfAnotherFolderThere) {
    TempDir dir;
    writeSingleInstance(dir, "constraints c.txt\n");
    dir.write("c.txt", "2 2\n0 1\n0 0\n");
    dir.write("raspored_Sidney.txt", "2 2\n1 2\n2 1\n");
    testing::internal::CaptureStdout();
    const Collection c = loadCollection("fitness.txt", dir.path().string(), EnvironmentLine::Silent);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(c.processingTimes.get(1, 1), 4.0);
    EXPECT_EQ(c.constraintsFileName, dir.file("c.txt"));
    EXPECT_EQ(readGPSchedules(c).get(1, 0), 1.0);
    Workspace work(c);
    std::vector<double> sidney;
    forEachHeuristic(work, [&](const Heuristic& heuristic, const Matrix& schedule, const Matrix&, double) {
        if (std::string(heuristic.name) == "Sidney") sidney = {schedule.get(0, 0), schedule.get(1, 0)};
    });
    EXPECT_EQ(sidney, (std::vector<double>{0, 1}));  // numbered from 1 in the file
}

TEST(Program, PrintsUsageAndReportsAMissingDefinition) {
    TempDir dir;
    auto withSummary = runProgram(FITNESS_BIN, "out.txt", dir.path());
    EXPECT_EQ(withSummary.status, 1);  // a script must not go on as if the run had been made
    EXPECT_EQ(withSummary.out, std::string(kUsage) + "Nema ulazne datoteke! (fitness.txt)\nGotovo!\n\n");
    EXPECT_EQ(withSummary.err, "");

    auto withPause = runProgram(FITNESS_BIN, "", dir.path());
    EXPECT_EQ(withPause.status, 1);
    EXPECT_EQ(withPause.out, std::string(kUsage) +
                                 "Nema ulazne datoteke! (fitness.txt)\nGotovo!\n\nPress any key to continue . . . \n");
}

TEST(Program, SingleWinsOverUniformWhateverTheirOrder) {
    for (const char* order : {"uniform 1\nsingle 1\n", "single 1\nuniform 1\n"}) {
        TempDir dir;
        writeSingleInstance(dir);
        dir.write("fitness.txt", std::string(order) +
                                     "sets 2\nmax_jobs 2\nduration p.txt\ndeadline d.txt\nSP sp.txt\njobs 2 2\n");
        auto run = runProgram(FITNESS_BIN, "out.txt", dir.path());
        EXPECT_EQ(run.out.rfind(std::string(kUsage) + "Okruzenje: jedan stroj\n", 0), 0u) << run.out;
        EXPECT_EQ(run.status, 0) << run.err;
    }
}

TEST(Program, KeywordWithoutValueSelectsNoEnvironment) {
    TempDir dir;
    writeSingleInstance(dir);
    dir.write("fitness.txt", "jobshop\nsets 2\n");
    auto run = runProgram(FITNESS_BIN, "out.txt", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, kUsage);
    EXPECT_EQ(run.err, "file: .\\driver\nline: 330\nmsg:  Nije definirano okruzenje!\n");
}

TEST(Program, MissingRequiredEntriesStopBeforeAnyOutput) {
    const std::string complete =
        "uniform 1\nsets 2\nmax_jobs 2\nduration p.txt\ndeadline d.txt\nSP sp.txt\nmachine_file v.txt\n"
        "jobs 2 2\nmachines 1 1\n";
    for (const char* key : {"sets", "max_jobs", "duration", "deadline", "SP", "machine_file", "jobs", "machines"}) {
        TempDir dir;
        writeSingleInstance(dir);
        dir.write("v.txt", "2 1\n1\n1\n");
        std::string definition;
        std::string keyWithBlank = std::string(key) + " ";
        for (std::size_t start = 0; start < complete.size();) {
            std::size_t end = complete.find('\n', start) + 1;
            std::string line = complete.substr(start, end - start);
            if (line.rfind(keyWithBlank, 0) != 0) definition += line;
            start = end;
        }
        dir.write("fitness.txt", definition);
        auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
        EXPECT_EQ(run.status, 1) << key;
        EXPECT_EQ(run.err, "Definition file \"fitness.txt\": the required entry \"" + std::string(key) +
                               "\" is missing.\n");
        EXPECT_FALSE(dir.exists("summary.txt"));
        EXPECT_FALSE(dir.exists("rezultat_fGP.txt"));
    }
}

TEST(Program, ShortPerSetListsAndBadCountsAreNamed) {
    TempDir dir;
    writeSingleInstance(dir);
    dir.write("fitness.txt", "single 1\nsets 3\nmax_jobs 2\nduration p.txt\ndeadline d.txt\nSP sp.txt\njobs 2 2\n");
    auto shortList = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    EXPECT_EQ(shortList.status, 1);
    EXPECT_EQ(shortList.err, "Definition file \"fitness.txt\": the entry \"jobs\" must give 3 values, one per set.\n");

    dir.write("fitness.txt", "single 1\nsets 2\nmax_jobs 2\nduration p.txt\ndeadline d.txt\nSP sp.txt\njobs 2 -1\n");
    auto negative = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    EXPECT_EQ(negative.status, 1);
    EXPECT_NE(negative.err.find("gives set 1 a count that is not a number from 0 up"), std::string::npos);
}

TEST(Program, MissingDataFileEndsThroughTheMatrixReader) {
    TempDir dir;
    writeSingleInstance(dir, "ready nowhere.txt\n");
    auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Assertion failed!\nfile: .\\matrice\nline: 218\n"
                       "Matrix file \"nowhere.txt\" cannot be read: No such file or directory\n");
}

TEST(Loading, ExtraDurationAndSumRowsBeyondTheSetsAreLeftOut) {
    TempDir dir;
    writeSingleInstance(dir);
    dir.write("p.txt", "3 2\n3 2\n1 4\n9 9\n");  // like the Taillard files, more rows than sets
    dir.write("sp.txt", "3 1\n5\n5\n18\n");
    ScopedChdir here(dir.path());
    Collection s;
    ASSERT_TRUE(readCollection(s, "fitness.txt"));
    EXPECT_EQ(s.processingTimes.rows, 2);
    EXPECT_EQ(s.processingTimes.cols, 2);
    EXPECT_EQ(s.processingTimes.get(1, 1), 4.0);
    EXPECT_EQ(s.processingSum.rows, 2);
    EXPECT_EQ(s.processingSum.get(1), 5.0);
}

TEST(Program, PauseOnATerminalTakesOneKeyWithoutEnter) {
    TempDir dir;
    testing_support::Terminal terminal(FITNESS_BIN, dir.path().string());
    ASSERT_TRUE(terminal.started());
    ASSERT_TRUE(terminal.expect("Gotovo!\n\nPress any key to continue . . . ")) << terminal.screen();
    ASSERT_TRUE(terminal.type("x"));  // no Enter: the key alone must end the wait
    EXPECT_EQ(terminal.exitStatus(), 1);
    EXPECT_EQ(terminal.screen(), std::string(kUsage) +
                                     "Nema ulazne datoteke! (fitness.txt)\nGotovo!\n\nPress any key to continue . . . \n");
}

TEST(Program, SumFileShorterThanTheSetsEndsWithTheMatrixAssertion) {
    TempDir dir;
    writeSingleInstance(dir);
    dir.write("sp.txt", "1 1\n5\n");  // the second set has no SP for the MON rule to read
    auto run = runProgram(FITNESS_BIN, "summary.txt", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Assertion failed!\nfile: .\\matrice\nline: 194\n");
}

// Sizes no machine can serve stop within the loading with one message, instead of being clamped
// to an int and allocated page by page.
TEST(HostileSizes, CountsBeyondAnIntAreNamed) {
    const std::string files = "duration p.txt\ndeadline d.txt\nSP sp.txt\n";
    for (const char* value : {"4294967296", "2147483648", "99999999999", "-2147483649"}) {
        for (const char* key : {"sets", "max_jobs", "max_machines", "max_length"}) {
            std::string definition = "single 1\nsets 2\nmax_jobs 2\nmax_machines 1\nmax_length 1\njobs 2 2\n" + files;
            const std::string line = std::string(key) + " ";
            const std::size_t at = definition.find("\n" + line) + 1;
            definition.replace(at, definition.find('\n', at) - at, line + value);
            expectRefused(definition, "the entry \"" + std::string(key) + "\" gives " + value +
                                          ", which does not fit an int (-2147483648 to 2147483647).");
        }
    }
    expectRefused("uniform 1\nsets 2\nmax_jobs 2\nmachine_file v.txt\njobs 2 2\nmachines 1 4294967296\n" + files,
                  "the entry \"machines\" gives set 1 the count 4294967296, which does not fit an int "
                  "(-2147483648 to 2147483647).");
}

TEST(HostileSizes, HugeSetsWithAShortListNamesTheList) {
    expectRefused("single 1\nsets 2147483647\nmax_jobs 2\njobs 2 2\nduration p.txt\ndeadline d.txt\nSP sp.txt\n",
                  "the entry \"jobs\" must give 2147483647 values, one per set.");
}

TEST(HostileSizes, TablesBeyondMemoryAreRefusedBeforeAllocation) {
    const std::string files = "duration p.txt\ndeadline d.txt\nSP sp.txt\n";
    const std::string machine = std::to_string(memoryForTables() / 1048576 + (memoryForTables() % 1048576 != 0));
    expectRefused("single 1\nsets 2\nmax_jobs 2147483647\njobs 2 2\n" + files,
                  "the tables that \"sets\" 2, \"max_jobs\" 2147483647 shape need 196608 MiB, more than the " +
                      machine + " MiB of memory of this machine.");
    expectRefused("single 1\nsets 100\nmax_jobs 100000000\n" + repeated("jobs", 100, "2") + files,
                  "the tables that \"sets\" 100, \"max_jobs\" 100000000 shape need 457764 MiB, more than the " +
                      machine + " MiB of memory of this machine.");
}
