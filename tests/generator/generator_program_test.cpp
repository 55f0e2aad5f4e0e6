// Runs the built generator in a fresh folder per test and checks what it prints and writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/matrice.h"
#include "support/test_support.h"

namespace {

using testing_support::runProgram;
using testing_support::RunResult;
using testing_support::TempDir;

const std::string kBanner =
    "-- Program za generiranje ispitnih primjera za zadano okruzenje\n"
    "Ulazne datotoeke:\n"
    "- fitness.txt : datoteka definicije okruzenja i svojstava ispitnih primjera\n"
    "Izlazne datoteke:\n"
    "- podaci o poslovima, strojevima i ogranicenjima (ovisno o okruzenju)\n\n";

const std::string kSingle =
    "single 1\n"
    "sets 3\n"
    "max_jobs 6\n"
    "duration trajanje.txt\n"
    "deadline rokovi.txt\n"
    "SP suma.txt\n"
    "weight_T tezine.txt\n"
    "ready dolasci.txt\n"
    "distribution 1 1 1\n"
    "R. 0.2 0.5 0.8\n"
    "T. 0.2 0.4 0.6\n"
    "jobs 4 6 5\n";

const std::string kUniform =
    "uniform 1\n"
    "sets 3\n"
    "max_jobs 6\n"
    "max_machines 3\n"
    "duration trajanje.txt\n"
    "deadline rokovi.txt\n"
    "SP suma.txt\n"
    "machine_file brzine.txt\n"
    "weight_T tezine.txt\n"
    "ready dolasci.txt\n"
    "R. 0.2 0.5 0.8\n"
    "T. 0.2 0.4 0.6\n"
    "jobs 4 6 5\n"
    "machines 2 3 1\n";

const std::string kUnrelated =
    "unrelated 1\n"
    "sets 3\n"
    "max_jobs 5\n"
    "max_machines 3\n"
    "duration trajanje.txt\n"
    "deadline rokovi.txt\n"
    "SP suma.txt\n"
    "weight_T tezine.txt\n"
    "ready dolasci.txt\n"
    "distribution 2 1 1\n"
    "R. 0.3 0.3 0.3\n"
    "T. 0.3 0.3 0.3\n"
    "jobs 5 3 4\n"
    "machines 3 2 1\n";

const std::string kJobShop =
    "jobshop 1\n"
    "sets 3\n"
    "max_jobs 5\n"
    "max_machines 4\n"
    "duration trajanje.txt\n"
    "deadline rokovi.txt\n"
    "SP suma.txt\n"
    "weight_T tezine.txt\n"
    "distribution 1 1 1\n"
    "R. 0.5 0.5 0.5\n"
    "T. 0.2 0.2 0.2\n"
    "jobs 5 2 4\n"
    "machines 4 3 1\n";

// Taillard's 80 instances, 10 per size: the evaluator goes over every row of the 80-row
// processing-time file, so the definition covers all of them.
std::vector<int> taillardSizes(bool machines) {
    const int groups[8][2] = {{15, 15}, {20, 15}, {20, 20}, {30, 15}, {30, 20}, {50, 15}, {50, 20}, {100, 20}};
    std::vector<int> sizes;
    for (const auto& group : groups) sizes.insert(sizes.end(), 10, group[machines ? 1 : 0]);
    return sizes;
}

std::string listLine(const std::string& key, const std::vector<int>& values) {
    std::string line = key;
    for (int value : values) line.append(" ").append(std::to_string(value));
    return line + "\n";
}

const std::string kTaillard = "jobshop 1\ntaillard 1\nsets 80\nmax_jobs 100\nduration trajanje.txt\n"
                              "deadline rokovi.txt\nSP suma.txt\nweight_T tezine.txt\nready dolasci.txt\n" +
                              listLine("R.", std::vector<int>(80, 1)) + listLine("T.", std::vector<int>(80, 0)) +
                              listLine("jobs", taillardSizes(false)) + listLine("machines", taillardSizes(true));

RunResult runGenerator(const TempDir& dir, const std::string& args) {
    return runProgram(GENERATOR_BIN, args, dir.path());
}

Matrix load(const TempDir& dir, const std::string& name) {
    Matrix m;
    m.read(dir.file(name));
    return m;
}

std::vector<std::string> filesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    return names;
}

// The definition with the line that begins with key replaced (the line must be there).
std::string replaceLine(const std::string& text, const std::string& key, const std::string& newLine) {
    std::string lines = "\n" + text;
    const std::size_t at = lines.find("\n" + key + " ") + 1;
    const std::size_t end = lines.find('\n', at);
    return lines.replace(at, end - at + 1, newLine).substr(1);
}

std::string withoutLine(const std::string& text, const std::string& key) { return replaceLine(text, key, ""); }

// A run that stops on the definition: status 1, one message naming what is wrong, no data file.
void expectRejected(const std::string& definition, const std::string& named) {
    TempDir dir;
    dir.write("fitness.txt", definition);
    const RunResult run = runGenerator(dir, "--seed 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"fitness.txt"});
}

// ---------------------------------------------------------------- entry and messages

TEST(GeneratorEntryTest, BannerThenDoneWithoutPauseWhenGivenAnArgument) {
    TempDir dir;
    dir.write("fitness.txt", kSingle);
    const RunResult run = runGenerator(dir, "nopause");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kBanner + "Gotovo!\n\n");
    EXPECT_EQ(run.err, "");
}

TEST(GeneratorEntryTest, PausesWithoutArguments) {
    TempDir dir;
    dir.write("fitness.txt", kSingle);
    const RunResult run = runGenerator(dir, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(kBanner + "Gotovo!\n\nPress any key to continue . . . ", 0), 0u) << run.out;
}

TEST(GeneratorEntryTest, MissingDefinitionFileIsReportedAndNothingWritten) {
    TempDir dir;
    const RunResult run = runGenerator(dir, "x");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, kBanner + "Nema ulazne datoteke! (fitness.txt)\nGotovo!\n\n");
    EXPECT_TRUE(filesIn(dir).empty());
}

TEST(GeneratorEntryTest, NoEnvironmentEndsWithTheDriverMessage) {
    TempDir dir;
    dir.write("fitness.txt", withoutLine(kSingle, "single"));
    const RunResult run = runGenerator(dir, "x");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "file: .\\driver\nline: 89\nmsg:  Nije definirano okruzenje!\n");
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"fitness.txt"});
}

// The keys are tried single, uniform, unrelated, jobshop, whatever their order in the file.
TEST(GeneratorEntryTest, SingleWinsOverAnEarlierJobShopLine) {
    TempDir dir;
    dir.write("fitness.txt", "jobshop 1\nmax_machines 4\n" + kSingle);
    ASSERT_EQ(runGenerator(dir, "--seed 3").status, 0);
    EXPECT_EQ(load(dir, "trajanje.txt").cols, 6);
}

TEST(GeneratorEntryTest, HelpPrintsTheUsageLineAndGeneratesNothing) {
    TempDir dir;
    dir.write("fitness.txt", kSingle);
    const RunResult run = runGenerator(dir, "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage: generator [--seed N", 0), 0u) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"fitness.txt"});
}

TEST(GeneratorEntryTest, SeedMustBeAWholeNumberThatFits) {
    for (const std::string bad : {"--seed", "--seed -1", "--seed 12x", "--seed 4294967296", "--seed ''"}) {
        TempDir dir;
        dir.write("fitness.txt", kSingle);
        const RunResult run = runGenerator(dir, bad);
        EXPECT_EQ(run.status, 1) << bad;
        EXPECT_NE(run.err.find("--seed needs a whole number"), std::string::npos) << bad << ": " << run.err;
        EXPECT_EQ(filesIn(dir), std::vector<std::string>{"fitness.txt"}) << bad;
    }
}

TEST(GeneratorEntryTest, LargestSeedIsAccepted) {
    TempDir dir;
    dir.write("fitness.txt", kSingle);
    EXPECT_EQ(runGenerator(dir, "--seed 4294967295").status, 0);
}

// ---------------------------------------------------------------- rejected definitions

class RequiredKeyTest : public testing::TestWithParam<const char*> {};

TEST_P(RequiredKeyTest, MissingKeyIsNamed) {
    std::string quotedKey = "\"";
    quotedKey.append(GetParam()).append("\"");
    expectRejected(withoutLine(kUniform, GetParam()), quotedKey);
}

INSTANTIATE_TEST_SUITE_P(UniformDefinition, RequiredKeyTest,
                         testing::Values("sets", "max_jobs", "duration", "deadline", "SP", "machine_file", "R.", "T.",
                                         "jobs", "machines"));

TEST(RejectedDefinitionTest, ShortPerSetListIsNamed) {
    expectRejected(replaceLine(kSingle, "T.", "T. 0.2 0.4\n"), "\"T.\" must give 3 values");
    expectRejected(replaceLine(kUniform, "machines", "machines 2\n"), "\"machines\" must give 3 values");
}

// Sizes no machine can serve stop at once with one message and no file, instead of being
// clamped and allocated.
TEST(HostileSizeTest, CountsBeyondAnIntAreNamed) {
    for (const char* value : {"4294967296", "2147483648", "99999999999"}) {
        for (const char* key : {"sets", "max_jobs", "max_machines", "max_length"}) {
            const std::string definition = kUnrelated + "max_length 1\n";
            expectRejected(replaceLine(definition, key, std::string(key) + " " + value + "\n"),
                           "the entry \"" + std::string(key) + "\" gives " + value + ", which does not fit an int");
        }
    }
    expectRejected(replaceLine(kUnrelated, "jobs", "jobs 5 3000000000 4\n"),
                   "the entry \"jobs\" gives set 1 the count 3000000000, which does not fit an int");
    expectRejected(replaceLine(kUniform, "machines", "machines 2 3 -1e300\n"), "\"machines\" gives set 2 the count -1e+300,");
}

TEST(HostileSizeTest, HugeSetsWithAShortListNamesTheList) {
    expectRejected(replaceLine(kSingle, "sets", "sets 2147483647\n"), "\"R.\" must give 2147483647 values, one per set.");
}

// A list of count values, for definitions with many sets.
std::string repeated(const std::string& key, int count, const std::string& value) {
    std::string line = key;
    for (int i = 0; i < count; ++i) line += " " + value;
    return line + "\n";
}

TEST(HostileSizeTest, TablesBeyondMemoryAreRefusedBeforeAllocation) {
    expectRejected(replaceLine(replaceLine(kUnrelated, "max_jobs", "max_jobs 2147483647\n"), "max_machines",
                               "max_machines 1\n"),
                   "the tables that \"sets\" 3, \"max_jobs\" 2147483647, \"max_machines\" 1 shape need 196609 MiB");
    std::string hundredSets = replaceLine(kSingle, "sets", "sets 100\n");
    hundredSets = replaceLine(hundredSets, "max_jobs", "max_jobs 100000000\n");
    for (const char* key : {"R.", "T.", "jobs"}) hundredSets = replaceLine(hundredSets, key, repeated(key, 100, "1"));
    expectRejected(hundredSets, "\"max_jobs\" 100000000, \"max_machines\" 1 shape need 305176 MiB, more than the");
}

TEST(RejectedDefinitionTest, SingleMachineNeedsNoMachinesKey) {
    TempDir dir;
    dir.write("fitness.txt", kSingle);
    EXPECT_EQ(runGenerator(dir, "--seed 1").status, 0);
}

// A single machine and uniform machines cut a larger set down to max_jobs jobs and
// max_machines speeds instead of refusing it.
TEST(RejectedDefinitionTest, CutOffEnvironmentsAcceptLargerSets) {
    TempDir dir;
    const std::string larger = replaceLine(kUniform, "jobs", "jobs 4 9 5\n");
    dir.write("fitness.txt", replaceLine(larger, "machines", "machines 2 5 1\n"));
    ASSERT_EQ(runGenerator(dir, "--seed 1").status, 0);
    const Matrix times = load(dir, "trajanje.txt"), speeds = load(dir, "brzine.txt");
    for (int j = 0; j < 6; ++j) EXPECT_GE(times.get(1, j), 1.0);
    for (int k = 0; k < 3; ++k) EXPECT_GE(speeds.get(1, k), 0.1);
}

TEST(RejectedDefinitionTest, TooManyJobsForThePackedLayouts) {
    expectRejected(replaceLine(kUnrelated, "jobs", "jobs 5 6 4\n"), "set 1 has 6 jobs");
    expectRejected(replaceLine(kJobShop, "jobs", "jobs 5 2 9\n"), "set 2 has 9 jobs");
}

TEST(RejectedDefinitionTest, TooManyMachinesForThePackedLayouts) {
    expectRejected(replaceLine(kUnrelated, "machines", "machines 4 2 1\n"), "set 0 has 4 machines");
    expectRejected(replaceLine(kJobShop, "machines", "machines 4 5 1\n"), "set 1 has 5 machines");
}

// Uniform machines write their speeds before anything else: the check must come first.
TEST(RejectedDefinitionTest, FractionalCountsAreRejectedBeforeAnyFile) {
    expectRejected(replaceLine(kSingle, "jobs", "jobs 4 2.5 5\n"), "set 1 has 2.5 jobs");
    expectRejected(replaceLine(kUniform, "machines", "machines 2 3 1.5\n"), "set 2 has 1.5 machines");
    expectRejected(replaceLine(kUnrelated, "machines", "machines 3 0 1\n"), "set 1 has 0 machines");
    expectRejected(replaceLine(kJobShop, "jobs", "jobs 5 -1 4\n"), "set 1 has -1 jobs");
}

TEST(RejectedDefinitionTest, DistributionSharesMustAddUpToMoreThanZero) {
    expectRejected(replaceLine(kSingle, "distribution", "distribution 0 0 0\n"), "\"distribution\"");
    expectRejected(replaceLine(kSingle, "distribution", "distribution 1 -2 0.5\n"), "\"distribution\"");
}

TEST(RejectedDefinitionTest, DueDateParametersMustBeFinite) {
    expectRejected(replaceLine(kSingle, "T.", "T. 0.2 nan 0.6\n"), "set 1 has \"T.\"");
    expectRejected(replaceLine(kSingle, "R.", "R. 0.2 0.5 1e300\n"), "set 2 has \"T.\"");
}

// The Taillard definition resized to a number of sets, each list with that many values.
std::string taillardWithSets(int sets, int maxJobs) {
    std::string definition = replaceLine(kTaillard, "sets", "sets " + std::to_string(sets) + "\n");
    definition = replaceLine(definition, "max_jobs", "max_jobs " + std::to_string(maxJobs) + "\n");
    for (const char* key : {"R.", "T.", "jobs", "machines"})
        definition = replaceLine(definition, key, listLine(key, std::vector<int>(static_cast<std::size_t>(sets), 15)));
    return definition;
}

TEST(RejectedDefinitionTest, TaillardOffersEightyInstances) {
    expectRejected(taillardWithSets(81, 100), "\"sets\" asks for 81");
}

TEST(RejectedDefinitionTest, TaillardInstancesMustFitMaxJobs) {
    expectRejected(taillardWithSets(11, 15), "set 10 is Taillard's instance 11 with 20 jobs");
}

// ---------------------------------------------------------------- generated instances

struct EnvironmentCase {
    const char* name;
    const std::string* definition;
    int sets, maxJobs, maxMachines;
    std::vector<int> jobs, machines;
    bool taillard = false;
};

bool isJobShop(const EnvironmentCase& c) { return c.definition->rfind("jobshop", 0) == 0; }
bool isPacked(const EnvironmentCase& c) { return isJobShop(c) || c.definition->rfind("unrelated", 0) == 0; }
bool hasKey(const EnvironmentCase& c, const std::string& key) {
    return c.definition->find("\n" + key + " ") != std::string::npos;
}

std::ostream& operator<<(std::ostream& out, const EnvironmentCase& c) { return out << c.name; }

const EnvironmentCase kCases[] = {
    {"single", &kSingle, 3, 6, 1, {4, 6, 5}, {1, 1, 1}},
    {"uniform", &kUniform, 3, 6, 3, {4, 6, 5}, {2, 3, 1}},
    {"unrelated", &kUnrelated, 3, 5, 3, {5, 3, 4}, {3, 2, 1}},
    {"jobshop", &kJobShop, 3, 5, 4, {5, 2, 4}, {4, 3, 1}},
    {"taillard", &kTaillard, 80, 100, 1, taillardSizes(false), taillardSizes(true), true},
};

// The learner's schedules as the evaluator reads them: every job on machine (job mod m) for
// parallel machines, each machine taking the jobs in index order in the job shop.
std::string scheduleFile(const EnvironmentCase& c) {
    const int columns = c.taillard ? 2000 : isPacked(c) ? c.maxJobs * c.maxMachines : c.maxJobs;
    const bool parallel = !isJobShop(c) && c.definition->rfind("single", 0) != 0;
    std::string text = std::to_string(c.sets) + " " + std::to_string(columns) + "\n";
    for (int s = 0; s < c.sets; ++s) {
        const int n = c.jobs[s], m = c.machines[s];
        for (int col = 0; col < columns; ++col) {
            int entry = 0;
            if (isJobShop(c) && col < n * m) entry = col % n;
            if (!isJobShop(c) && col < n) entry = parallel ? col + 1000 * (col % m) : col;
            text.append(" ").append(std::to_string(entry)).append(" ");
        }
        text += "\n";
    }
    return text;
}

class EnvironmentRunTest : public testing::TestWithParam<EnvironmentCase> {
protected:
    TempDir dir;
    void SetUp() override {
        dir.write("fitness.txt", *GetParam().definition);
        const RunResult run = runGenerator(dir, "--seed 2024");
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(run.err, "");
    }
};

TEST_P(EnvironmentRunTest, ShapesOfEveryFile) {
    const EnvironmentCase& c = GetParam();
    const Matrix times = load(dir, "trajanje.txt");
    EXPECT_EQ(times.rows, c.taillard ? 80 : c.sets);
    EXPECT_EQ(times.cols, c.taillard ? 2000 : isPacked(c) ? c.maxJobs * c.maxMachines : c.maxJobs);
    EXPECT_EQ(load(dir, "suma.txt").rows, c.taillard ? 80 : c.sets);
    EXPECT_EQ(load(dir, "suma.txt").cols, 1);
    for (const char* name : {"rokovi.txt", "tezine.txt"}) {
        EXPECT_EQ(load(dir, name).rows, c.sets) << name;
        EXPECT_EQ(load(dir, name).cols, c.maxJobs) << name;
    }
    EXPECT_EQ(dir.exists("dolasci.txt"), hasKey(c, "ready"));
    EXPECT_EQ(dir.exists("brzine.txt"), hasKey(c, "machine_file"));
    if (dir.exists("brzine.txt")) {
        EXPECT_EQ(load(dir, "brzine.txt").rows, c.sets);
        EXPECT_EQ(load(dir, "brzine.txt").cols, c.maxMachines);
    }
}

TEST_P(EnvironmentRunTest, ProcessingTimesAndPadding) {
    const EnvironmentCase& c = GetParam();
    const Matrix times = load(dir, "trajanje.txt");
    for (int s = 0; s < c.sets; ++s) {
        const int used = isPacked(c) ? c.jobs[s] * c.machines[s] : std::min(c.jobs[s], c.maxJobs);
        for (int col = 0; col < times.cols; ++col) {
            const double value = times.get(s, col);
            if (col >= used) {
                ASSERT_EQ(value, 0.0) << "set " << s << ", column " << col;
                continue;
            }
            const double time = isJobShop(c) ? std::fmod(value, 1000.0) : value;
            ASSERT_GE(time, 1.0) << "set " << s << ", column " << col;
            ASSERT_LE(time, 100.0) << "set " << s << ", column " << col;
            if (isJobShop(c)) {
                ASSERT_LT(value / 1000, c.machines[s]) << "set " << s << ", column " << col;
            }
        }
    }
}

TEST_P(EnvironmentRunTest, PerJobFilesHoldValuesForJobsAndZerosBeyond) {
    const EnvironmentCase& c = GetParam();
    const Matrix due = load(dir, "rokovi.txt"), weights = load(dir, "tezine.txt"), sums = load(dir, "suma.txt");
    const bool ready = dir.exists("dolasci.txt");
    Matrix release = due;
    if (ready) release = load(dir, "dolasci.txt");
    for (int s = 0; s < c.sets; ++s) {
        EXPECT_GT(sums.get(s), 0.0);
        for (int j = 0; j < c.maxJobs; ++j) {
            const double r = ready ? release.get(s, j) : 0.0;
            if (j >= c.jobs[s]) {
                EXPECT_EQ(due.get(s, j), 0.0);
                EXPECT_EQ(weights.get(s, j), 0.0);
                EXPECT_EQ(r, 0.0);
                continue;
            }
            EXPECT_GE(weights.get(s, j), 0.01);
            EXPECT_LE(weights.get(s, j), 1.0);
            EXPECT_GE(r, 0.0);
            EXPECT_LT(r, std::max(1.0, sums.get(s) * 0.5));
            EXPECT_GE(due.get(s, j), r);
        }
    }
}

TEST_P(EnvironmentRunTest, SameSeedGivesTheSameBytes) {
    TempDir again;
    again.write("fitness.txt", *GetParam().definition);
    ASSERT_EQ(runGenerator(again, "--seed 2024").status, 0);
    ASSERT_EQ(filesIn(again).size(), filesIn(dir).size());
    for (const std::string& name : filesIn(dir)) EXPECT_EQ(again.read(name), dir.read(name)) << name;
}

TEST_P(EnvironmentRunTest, AnotherSeedGivesOtherDueDates) {
    TempDir other;
    other.write("fitness.txt", *GetParam().definition);
    ASSERT_EQ(runGenerator(other, "--seed 2025").status, 0);
    EXPECT_NE(other.read("rokovi.txt"), dir.read("rokovi.txt"));
}

TEST_P(EnvironmentRunTest, EvaluatorLoadsTheInstances) {
    dir.write("raspored_GP.txt", scheduleFile(GetParam()));
    const RunResult run = runProgram(FITNESS_BIN, "sazetak.txt", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(AllEnvironments, EnvironmentRunTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<EnvironmentCase>& info) { return info.param.name; });

// Weights are drawn in every run, so leaving out their file changes no other byte.
TEST(OptionalFilesTest, WithoutWeightFileTheOtherFilesAreUnchanged) {
    TempDir with, without;
    with.write("fitness.txt", kSingle);
    without.write("fitness.txt", withoutLine(kSingle, "weight_T"));
    ASSERT_EQ(runGenerator(with, "--seed 77").status, 0);
    ASSERT_EQ(runGenerator(without, "--seed 77").status, 0);
    EXPECT_FALSE(without.exists("tezine.txt"));
    for (const char* name : {"trajanje.txt", "rokovi.txt", "suma.txt", "dolasci.txt"})
        EXPECT_EQ(with.read(name), without.read(name)) << name;
}

TEST(OptionalFilesTest, WithoutReadyNoReleaseFileAndDueDatesInTheWindow) {
    TempDir dir;
    dir.write("fitness.txt", replaceLine(withoutLine(kSingle, "ready"), "distribution", ""));
    ASSERT_EQ(runGenerator(dir, "--seed 5").status, 0);
    EXPECT_FALSE(dir.exists("dolasci.txt"));
    const Matrix due = load(dir, "rokovi.txt"), sums = load(dir, "suma.txt");
    const double range[] = {0.2, 0.5, 0.8}, tardiness[] = {0.2, 0.4, 0.6};
    for (int s = 0; s < 3; ++s) {
        const double p = sums.get(s);
        const double lo = std::max(0.0, std::trunc(p * ((1 - tardiness[s]) - range[s] * 0.5)));
        const double hi = std::max(0.0, std::trunc(p * ((1 - tardiness[s]) + range[s] * 0.5)));
        for (int j = 0; j < (s == 0 ? 4 : s == 1 ? 6 : 5); ++j) {
            EXPECT_GE(due.get(s, j), lo) << "set " << s << ", job " << j;
            EXPECT_LE(due.get(s, j), hi) << "set " << s << ", job " << j;
        }
    }
}

// Without "max_machines" the packed rows are max_jobs long.
TEST(OptionalFilesTest, MaxMachinesDefaultsToOne) {
    TempDir dir;
    std::string definition = replaceLine(withoutLine(kUnrelated, "max_machines"), "machines", "machines 1 1 1\n");
    dir.write("fitness.txt", definition);
    ASSERT_EQ(runGenerator(dir, "--seed 5").status, 0);
    EXPECT_EQ(load(dir, "trajanje.txt").cols, 5);
}

TEST(TaillardRunTest, ProcessingTimesDoNotDependOnTheSeed) {
    TempDir first, second;
    first.write("fitness.txt", kTaillard);
    second.write("fitness.txt", kTaillard);
    ASSERT_EQ(runGenerator(first, "--seed 1").status, 0);
    ASSERT_EQ(runGenerator(second, "--seed 2").status, 0);
    EXPECT_EQ(first.read("trajanje.txt"), second.read("trajanje.txt"));
    EXPECT_EQ(first.read("suma.txt"), second.read("suma.txt"));
    EXPECT_EQ(load(first, "trajanje.txt").get(0, 0), 6094);
}

}  // namespace
