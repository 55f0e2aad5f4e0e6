#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/definition_entries.h"
#include "core/definition_file.h"
#include "core/fatal.h"
#include "core/output_files.h"
#include "fitness/run_sequence.h"
#include "fitness/scheduler.h"

namespace {

// Line of the evaluator's environment message, kept for scripts that look for it.
constexpr int kLineNoEnvironment = 330;

constexpr const char* kSummaryKind = "Summary file";

const char* const kEnvironmentKeys[] = {"single", "uniform", "unrelated", "jobshop"};
const char* const kEnvironmentLines[] = {
    "Okruzenje: jedan stroj\n",
    "Okruzenje: paralelni jednoliki strojevi\n",
    "Okruzenje: paralelni nesrodni strojevi\n",
    "Okruzenje: proizvolja obrada (job shop), kriterij Cmax\n",
};

// Per-set counts of jobs or machines: whole numbers from 0 up (a fraction is truncated where
// the count is used), bounded so that every later conversion to an int is defined.
std::vector<double> jobOrMachineCounts(DefinitionEntries& definition, const char* key, int sets) {
    std::vector<double> values = definition.perSetCounts(key, sets, true);
    for (std::size_t set = 0; set < values.size(); ++set) {
        const double count = values[set];
        if (!(count >= 0.0 && count <= 1e9))
            definition.stop("the entry \"" + std::string(key) + "\" gives set " + std::to_string(set) +
                            " a count that is not a number from 0 up.");
    }
    return values;
}

void fillColumn0(Matrix& table, const std::vector<double>& values) {
    for (std::size_t row = 0; row < values.size(); ++row) table.set(static_cast<int>(row), values[row]);
}

// The Taillard duration and sum files always hold all 80 instances, while a definition may
// evaluate only the first few; rows beyond the definition's sets would have no job count.
void keepFirstRows(Matrix& table, int rows) {
    if (table.rows <= rows) return;
    Matrix kept;
    kept.init(rows, table.cols);
    std::copy(table.rowData(0), table.rowData(rows), kept.rowData(0));
    table = std::move(kept);
}

void fill(Matrix& table, double value) {
    for (int i = 0; i < table.rows; ++i)
        for (int j = 0; j < table.cols; ++j) table.at(i, j) = value;
}

}  // namespace

bool Scheduler::load(const std::string& definitionFileName) {
    DefinitionFile file;
    if (!file.open(definitionFileName)) {
        std::printf("Nema ulazne datoteke! (%s)\n", definitionFileName.c_str());
        return false;
    }
    DefinitionEntries definition(file, definitionFileName);

    int found = -1;
    for (int env = Single; env <= JobShop && found < 0; ++env)
        if (definition.has(kEnvironmentKeys[env])) found = env;
    if (found < 0) missingEnvironment(kLineNoEnvironment);
    environment = found;
    std::fputs(kEnvironmentLines[environment], stdout);

    const int sets = definition.requiredCount("sets");
    const int maxJobs = definition.requiredCount("max_jobs");
    int maxMachines = 0;  // shapes nothing here, but a definition that gives it must give an int
    definition.count("max_machines", maxMachines);
    definition.count("max_length", maxLength);

    durationFileName = definition.requiredText("duration");
    const std::string deadlineFile = definition.requiredText("deadline");
    const std::string sumFile = definition.requiredText("SP");
    if (environment == Uniform)
        machineFileName = definition.requiredText("machine_file");
    else
        definition.text("machine_file", machineFileName);
    std::string weightFile, readyFile;
    hasWeights = definition.text("weight_T", weightFile);
    hasReleaseTimes = definition.text("ready", readyFile);
    hasConstraints = definition.text("constraints", constraintsFileName);
    hasSetups = file.lookup("setup", &setupFactor) == 1;

    const std::vector<double> jobs = jobOrMachineCounts(definition, "jobs", sets);
    const std::vector<double> machines =
        environment != Single ? jobOrMachineCounts(definition, "machines", sets) : std::vector<double>{};
    allocateInstanceTables(definition, sets, maxJobs);
    fillColumn0(jobCount, jobs);
    fillColumn0(machineCount, machines);

    processingTimes.read(durationFileName);
    keepFirstRows(processingTimes, sets);
    dueDates.read(deadlineFile);
    if (hasWeights) weights.read(weightFile);
    processingSum.read(sumFile);
    keepFirstRows(processingSum, sets);
    if (hasReleaseTimes) releaseTimes.read(readyFile);
    if (hasConstraints) constraints.read(constraintsFileName);
    file.close();
    return true;
}

// Three tables of sets x 1 and six of sets x max_jobs, every value 0.0 (so release times are 0
// without a "ready" file), shaped before the data files replace them with their own.
void Scheduler::allocateInstanceTables(const DefinitionEntries& definition, int sets, int maxJobs) {
    const std::vector<ShapedTable> tables = {
        {&jobCount, sets, 1},       {&processingSum, sets, 1}, {&machineCount, sets, 1},
        {&speeds, sets, maxJobs},   {&releaseTimes, sets, maxJobs}, {&processingTimes, sets, maxJobs},
        {&dueDates, sets, maxJobs}, {&weights, sets, maxJobs},      {&constraints, sets, maxJobs},
    };
    definition.requireMemoryFor(tables, {{"sets", sets}, {"max_jobs", maxJobs}});
    allocateTables(tables);
    fill(weights, 1.0);  // without a weight file every job weighs the same
}

void Scheduler::requireInstanceRow(int set, int n, int processingColumns) const {
    constexpr int kLineGet = 188;  // the table access that would have gone out of range
    const auto holds = [set](const Matrix& table, int columns) {
        return set >= 0 && set < table.rows && columns <= table.cols;
    };
    if (!holds(processingTimes, processingColumns) || !holds(dueDates, n) || !holds(weights, n) ||
        !holds(releaseTimes, n) || (hasConstraints && !holds(constraints, n)))
        assertionFailed("matrice", kLineGet);
}

void Scheduler::report(const char* format, double value, const char* resultFile) const {
    std::printf(format, value);
    results.write(resultFile);
}

double Scheduler::evaluateCriteria() {
    switch (environment) {
        case Single:
            return singleMachineCriteria();
        case JobShop:
            return jobShopCriteria();
        default:
            return parallelMachineCriteria();
    }
}

void readGPSchedules(Scheduler& s) {
    s.schedule.read(kGPScheduleFile);
    if (s.environment == Uniform || s.environment == Unrelated) s.checkParallelSchedule(kGPScheduleFile);
    if (s.environment == JobShop) s.checkJobShopSchedule(kGPScheduleFile);
}

const RunSequence& runSequenceOf(int environment) {
    switch (environment) {
        case Single:
            return kSingleMachineRun;
        case Uniform:
            return kUniformRun;
        case Unrelated:
            return kUnrelatedRun;
        default:
            return kJobShopRun;
    }
}

void Scheduler::runHeuristics(ComparisonTable& table) {
    const RunSequence& sequence = runSequenceOf(environment);
    sequence.prepare(*this);
    for (const Heuristic& heuristic : sequence.heuristics) {
        if (!heuristic.applies(*this)) continue;
        heuristic.makeSchedules(*this);
        std::printf(heuristic.line, evaluateCriteria());
        for (const KeptTable& kept : heuristic.kept) {
            if (!kept.file) break;
            (this->*kept.table).write(kept.file);
        }
        if (!heuristic.label) continue;
        // The first compared heuristic sets the reference that the later ones lower.
        if (table.size() == 0)
            best = results;
        else
            updateBest();
        table.record(heuristic.label, results);
    }
}

void Scheduler::evaluateGP(ComparisonTable& table) {
    readGPSchedules(*this);
    report("GP:\t %g\n", evaluateCriteria(), "rezultat_fGP.txt");
    if (environment == Single || environment == JobShop) updateBest();
    table.record("GP", results);
}


bool Scheduler::run(const std::string& definitionFileName, const char* summaryFile) {
    if (!load(definitionFileName)) return false;

    ComparisonTable table;
    runHeuristics(table);
    evaluateGP(table);

    // Appended, not replaced: the file gathers run after run. The values reach it in one write
    // when it is closed.
    std::FILE* summary = summaryFile ? std::fopen(summaryFile, "a") : nullptr;
    if (summaryFile && !summary) cannotWrite(kSummaryKind, summaryFile, errno);
    if (summary)
        for (int c = 0; c < 4; ++c) std::fprintf(summary, "\t%g", results.get(results.rows - 1, c));

    std::fputs("\nDominacija: (kriteriji Twt, Uwt, Fwt, Cmax)\n", stdout);
    if (environment == Single || environment == JobShop) table.print(best, summary);
    if (summary) closeOrStop(summary, kSummaryKind, summaryFile);
    return true;
}

void ComparisonTable::record(const char* label, const Matrix& results) { entries_.push_back({label, results}); }

std::array<double, 4> dominanceShares(const Matrix& results, const Matrix& best) {
    const int sets = results.rows - 1;
    std::array<double, 4> share{};
    for (int c = 0; c < 4; ++c) {
        int count = 0;
        for (int i = 0; i < sets; ++i) {
            const double value = results.get(i, c);
            const double reference = best.get(i, c);
            if (value == reference || std::fabs(value - reference) < 1e-10) ++count;
        }
        share[static_cast<std::size_t>(c)] = 100.0 * count / sets;
    }
    return share;
}

void ComparisonTable::print(const Matrix& best, std::FILE* summary) const {
    for (const Entry& entry : entries_) {
        const std::array<double, 4> share = dominanceShares(entry.results, best);
        if (entry.label == "GP" && summary)
            for (double s : share) std::fprintf(summary, "\t%g", s);
        std::printf("%s\t", entry.label.c_str());
        for (double s : share) std::printf(" %5.1f\t", s);
        std::printf("\n");
        std::fflush(stdout);
    }
}
