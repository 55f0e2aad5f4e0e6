#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/definition_file.h"
#include "core/fatal.h"
#include "fitness/run_sequence.h"
#include "fitness/scheduler.h"

namespace {

// Line of the evaluator's environment message, kept for scripts that look for it.
constexpr int kLineNoEnvironment = 330;

const char* const kEnvironmentKeys[] = {"single", "uniform", "unrelated", "jobshop"};
const char* const kEnvironmentLines[] = {
    "Okruzenje: jedan stroj\n",
    "Okruzenje: paralelni jednoliki strojevi\n",
    "Okruzenje: paralelni nesrodni strojevi\n",
    "Okruzenje: proizvolja obrada (job shop), kriterij Cmax\n",
};

// The lookups of the definition file, with a clear stop for a required entry that is
// missing: without it the tables would be shaped or filled from nothing.
class Definition {
public:
    Definition(DefinitionFile& file, std::string name) : file_(file), name_(std::move(name)) {}

    bool has(const char* key) {
        int ignored = 0;
        return file_.lookup(key, &ignored) == 1;
    }
    bool integer(const char* key, int& value) { return file_.lookup(key, &value) == 1; }
    bool text(const char* key, std::string& value) { return file_.lookup(key, value) == 1; }
    bool real(const char* key, double& value) { return file_.lookup(key, &value) == 1; }

    int requiredInteger(const char* key) {
        int value = 0;
        if (!integer(key, value)) missing(key);
        return value;
    }
    std::string requiredText(const char* key) {
        std::string value;
        if (!text(key, value)) missing(key);
        return value;
    }
    // One count per set, each a whole number of jobs or machines.
    std::vector<double> requiredCounts(const char* key, int sets) {
        std::vector<double> values(static_cast<std::size_t>(sets), 0.0);
        if (file_.lookup(key, values.data(), sets) != 1) {
            if (!has(key)) missing(key);
            fatalError("Definition file \"" + name_ + "\": the entry \"" + key + "\" must give " +
                       std::to_string(sets) + " values, one per set.");
        }
        for (int set = 0; set < sets; ++set) {
            const double count = values[static_cast<std::size_t>(set)];
            if (!(count >= 0.0 && count <= 1e9))
                fatalError("Definition file \"" + name_ + "\": the entry \"" + key + "\" gives set " +
                           std::to_string(set) + " a count that is not a number from 0 up.");
        }
        return values;
    }

private:
    DefinitionFile& file_;
    std::string name_;

    [[noreturn]] void missing(const char* key) {
        fatalError("Definition file \"" + name_ + "\": the required entry \"" + std::string(key) + "\" is missing.");
    }
};

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
    Definition definition(file, definitionFileName);

    int found = -1;
    for (int env = Single; env <= JobShop && found < 0; ++env)
        if (definition.has(kEnvironmentKeys[env])) found = env;
    if (found < 0) missingEnvironment(kLineNoEnvironment);
    environment = found;
    std::fputs(kEnvironmentLines[environment], stdout);

    const int sets = definition.requiredInteger("sets");
    const int maxJobs = definition.requiredInteger("max_jobs");
    definition.integer("max_length", maxLength);

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
    hasSetups = definition.real("setup", setupFactor);

    jobCount.init(sets, 1);
    processingSum.init(sets, 1);
    machineCount.init(sets, 1);
    speeds.init(sets, maxJobs);
    releaseTimes.initZero(sets, maxJobs);
    processingTimes.init(sets, maxJobs);
    dueDates.init(sets, maxJobs);
    weights.init(sets, maxJobs);
    fill(weights, 1.0);  // without a weight file every job weighs the same
    constraints.init(sets, maxJobs);

    fillColumn0(jobCount, definition.requiredCounts("jobs", sets));
    if (environment != Single)
        fillColumn0(machineCount, definition.requiredCounts("machines", sets));

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


void Scheduler::run(const std::string& definitionFileName, const char* summaryFile) {
    if (!load(definitionFileName)) return;

    ComparisonTable table;
    runHeuristics(table);
    evaluateGP(table);

    std::FILE* summary = summaryFile ? std::fopen(summaryFile, "a") : nullptr;
    if (summary)
        for (int c = 0; c < 4; ++c) std::fprintf(summary, "\t%g", results.get(results.rows - 1, c));

    std::fputs("\nDominacija: (kriteriji Twt, Uwt, Fwt, Cmax)\n", stdout);
    if (environment == Single || environment == JobShop) table.print(best, summary);
    if (summary) std::fclose(summary);
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

void ComparisonTable::print(const Matrix& best, std::FILE*& summary) const {
    for (const Entry& entry : entries_) {
        const std::array<double, 4> share = dominanceShares(entry.results, best);
        if (entry.label == "GP" && summary) {
            for (double s : share) std::fprintf(summary, "\t%g", s);
            std::fclose(summary);
            summary = nullptr;
        }
        std::printf("%s\t", entry.label.c_str());
        for (double s : share) std::printf(" %5.1f\t", s);
        std::printf("\n");
        std::fflush(stdout);
    }
}
