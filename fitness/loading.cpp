// The evaluator's loading: the definition file's entries, the instance tables from the data files,
// then what every schedule of the environment needs and the tables derived once.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/definition_entries.h"
#include "core/definition_file.h"
#include "core/fatal.h"
#include "fitness/collection.h"
#include "fitness/job_shop.h"
#include "fitness/open_jobs.h"

namespace {

// Line of the evaluator's environment message, kept for scripts that look for it.
constexpr int kLineNoEnvironment = 330;

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

Environment environmentOf(DefinitionEntries& definition) {
    for (const Environment environment : kEnvironments)
        if (definition.has(std::string(namesOf(environment).keyword).c_str())) return environment;
    missingEnvironment(kLineNoEnvironment);
}

// Three tables of sets x 1 and six of sets x max_jobs, every value 0.0 (so release times are 0
// without a "ready" file), shaped before the data files replace them with their own.
void allocateInstanceTables(Collection& c, const DefinitionEntries& definition, int sets, int maxJobs) {
    const std::vector<ShapedTable> tables = {
        {&c.jobCount, sets, 1},       {&c.processingSum, sets, 1},      {&c.machineCount, sets, 1},
        {&c.speeds, sets, maxJobs},   {&c.releaseTimes, sets, maxJobs}, {&c.processingTimes, sets, maxJobs},
        {&c.dueDates, sets, maxJobs}, {&c.weights, sets, maxJobs},      {&c.constraints, sets, maxJobs},
    };
    definition.requireMemoryFor(tables, {{"sets", sets}, {"max_jobs", maxJobs}});
    allocateTables(tables);
    fill(c.weights, 1.0);  // without a weight file every job weighs the same
}

// The data files named by the definition; the files' own shapes replace those of the allocation.
struct DataFiles {
    std::string deadline, sum, weights, ready;
};

void readDataFiles(Collection& c, const DataFiles& files, int sets) {
    c.processingTimes.read(c.durationFileName);
    keepFirstRows(c.processingTimes, sets);
    c.dueDates.read(files.deadline);
    if (c.hasWeights) c.weights.read(files.weights);
    c.processingSum.read(files.sum);
    keepFirstRows(c.processingSum, sets);
    if (c.hasReleaseTimes) c.releaseTimes.read(files.ready);
    if (c.hasConstraints) c.constraints.read(c.constraintsFileName);
}

void readEntries(Collection& c, DefinitionFile& file, DefinitionEntries& definition, DataFiles& files) {
    c.durationFileName = definition.requiredText("duration");
    files.deadline = definition.requiredText("deadline");
    files.sum = definition.requiredText("SP");
    if (c.environment == Environment::Uniform)
        c.machineFileName = definition.requiredText("machine_file");
    else
        definition.text("machine_file", c.machineFileName);
    c.hasWeights = definition.text("weight_T", files.weights);
    c.hasReleaseTimes = definition.text("ready", files.ready);
    c.hasConstraints = definition.text("constraints", c.constraintsFileName);
    c.hasSetups = file.lookup("setup", &c.setupFactor) == 1;
    c.taillard = c.environment == Environment::JobShop && definition.has("taillard");
    for (std::string* name : {&c.durationFileName, &c.machineFileName, &c.constraintsFileName, &files.deadline,
                              &files.sum, &files.weights, &files.ready})
        if (!name->empty()) *name = c.fileInFolder(*name);
}

// Every set must be schedulable before the first result file is written.
void requireSchedulableSets(const Collection& c) {
    for (int set = 0; set < c.sets(); ++set) c.requireSchedulableSet(set);
}

// Each job's mean and smallest time over the machines, for the sets whose rows hold them; a set
// that does not is refused by the dispatcher that would read it.
void deriveJobTimes(Collection& c) {
    const bool unrelated = c.environment == Environment::Unrelated;
    const int rows = std::max(c.processingTimes.rows, 1);
    const int columns = std::max(c.dueDates.cols, 1);
    c.jobMeanDurations.initZero(rows, columns);
    c.jobShortestDurations.initZero(rows, columns);
    for (int set = 0; set < c.processingTimes.rows && set < c.sets(); ++set) {
        const int n = c.jobsIn(set);
        const int m = set < c.machineCount.rows ? c.machinesIn(set) : 0;
        const long long entries = unrelated ? static_cast<long long>(n) * m : n;
        if (n <= 0 || m <= 0 || n > c.dueDates.cols || entries > c.processingTimes.cols ||
            (!unrelated && (set >= c.speeds.rows || m > c.speeds.cols)))
            continue;
        const double* p = c.processingTimes.rowData(set);
        const double* v = unrelated ? nullptr : c.speeds.rowData(set);
        double* mean = c.jobMeanDurations.rowData(set);
        double* shortest = c.jobShortestDurations.rowData(set);
        for (int j = 0; j < n; ++j) {
            double sum = 0;
            shortest[j] = unrelated ? p[j * m] : p[j] * v[0];
            for (int k = 0; k < m; ++k) {
                const double time = unrelated ? p[j * m + k] : p[j] * v[k];
                sum += time;
                shortest[j] = std::min(shortest[j], time);
            }
            mean[j] = sum / m;
        }
    }
}

}  // namespace

bool readCollection(Collection& c, const std::string& definitionFile, const std::string& folder,
                    EnvironmentLine line) {
    c.folder = folder;
    const std::string definitionPath = c.fileInFolder(definitionFile);
    DefinitionFile file;
    if (!file.open(definitionPath)) {
        std::printf("Nema ulazne datoteke! (%s)\n", definitionPath.c_str());
        return false;
    }
    DefinitionEntries definition(file, definitionPath);
    c.environment = environmentOf(definition);
    if (line == EnvironmentLine::Printed) std::fputs(kEnvironmentLines[static_cast<int>(c.environment)], stdout);

    const int sets = definition.requiredCount("sets");
    const int maxJobs = definition.requiredCount("max_jobs");
    int maxMachines = 0;  // shapes nothing here, but a definition that gives it must give an int
    definition.count("max_machines", maxMachines);
    definition.count("max_length", c.maxLength);
    DataFiles files;
    readEntries(c, file, definition, files);

    const std::vector<double> jobs = jobOrMachineCounts(definition, "jobs", sets);
    const std::vector<double> machines = c.environment != Environment::Single
                                             ? jobOrMachineCounts(definition, "machines", sets)
                                             : std::vector<double>{};
    allocateInstanceTables(c, definition, sets, maxJobs);
    fillColumn0(c.jobCount, jobs);
    fillColumn0(c.machineCount, machines);
    readDataFiles(c, files, sets);
    file.close();
    return true;
}

void prepareCollection(Collection& c) {
    if (c.environment == Environment::Uniform || c.environment == Environment::Unrelated) requireSchedulableSets(c);
    if (c.environment == Environment::Uniform) c.speeds.read(c.machineFileName);
    deriveTables(c);
}

// Every set is scheduled by several heuristics (or rules), each starting from its jobs in order of
// release: sorted once here. A set whose rows the tables do not hold gets no order (-1).
void deriveReleaseOrders(Collection& c) {
    const Matrix& r = c.releaseTimes;
    if (r.rows <= 0 || r.cols <= 0) return;
    c.releaseOrders.assign(static_cast<std::size_t>(r.rows) * r.cols, -1);
    for (int set = 0; set < r.rows && set < c.sets(); ++set) {
        const int n = c.jobsIn(set);
        int* const order = c.releaseOrders.data() + static_cast<std::size_t>(set) * r.cols;
        if (n > 0 && n <= r.cols) sortByRelease(n, r.rowData(set), order);
    }
}

void deriveTables(Collection& c) {
    if (c.hasReleaseTimes && c.environment != Environment::JobShop) deriveReleaseOrders(c);
    if (c.environment == Environment::Uniform || c.environment == Environment::Unrelated) deriveJobTimes(c);
    if (c.environment == Environment::JobShop) decodeJobShop(c);
}

Collection loadCollection(const std::string& definitionFile, const std::string& folder, EnvironmentLine line) {
    Collection collection;
    collection.folder = folder;
    // The evaluator treats a missing definition as nothing to do; for the other programs it is an error.
    const std::string definitionPath = collection.fileInFolder(definitionFile);
    if (!std::ifstream(definitionPath)) fatalError("Definition file \"" + definitionPath + "\" cannot be read.");
    readCollection(collection, definitionFile, folder, line);
    prepareCollection(collection);
    return collection;
}
