#pragma once

#include <array>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/matrice.h"

class DefinitionEntries;

enum Environment { Single = 0, Uniform = 1, Unrelated = 2, JobShop = 3 };

// max(x, 0) as every rule takes it (a not-a-number stays one), the classical rules and the
// learner's compiled expressions alike, so that a rule written both ways gives the same doubles.
inline double positivePart(double x) { return std::max(x, 0.0); }

// The labelled copies of `results` that the dominance table compares, in the order run.
class ComparisonTable {
public:
    void record(const char* label, const Matrix& results);
    // Prints one row per entry: the share of sets on which it reached `best`, per criterion.
    // The entry labelled "GP" also appends its shares to the summary file (when there is one).
    void print(const Matrix& best, std::FILE* summary) const;
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        std::string label;
        Matrix results;
    };
    std::vector<Entry> entries_;
};

// Per compared criterion (the first four columns), the share in percent of the sets of `results`
// on which it reached the value in `best`, or came within 1e-10 of it.
std::array<double, 4> dominanceShares(const Matrix& results, const Matrix& best);

// Adapts a rule member of Scheduler to the callable form the dispatchers take, so that the
// rule is inlined into the dispatch loop instead of being called through a pointer.
template <auto Member>
struct RuleOf {
    template <class... Args>
    double operator()(const class Scheduler& s, Args... args) const;
};

// The evaluator's central object: flags, instance tables, per-set working tables, the
// schedule under evaluation, its criteria and the per-set best values. Its operations are
// spread over files by environment (single machine, parallel machines, min-min, job shop,
// rules, ...).
class Scheduler {
public:
    // --- flags and scalars read from the definition file
    int hasReleaseTimes = 0;
    int hasConstraints = 0;
    int hasSetups = 0;
    int hasWeights = 0;
    int maxLength = 0;
    double setupFactor = 0.0;
    int environment = Single;

    // --- instance tables, one row per set
    Matrix jobCount;
    Matrix processingSum;
    Matrix processingTimes;
    Matrix dueDates;
    Matrix weights;
    Matrix releaseTimes;
    Matrix machineCount;
    Matrix speeds;
    Matrix constraints;

    // --- working tables of the set in hand
    Matrix machineMeanDuration;
    Matrix precedenceLists;  // row j: [0] waiting predecessors, [1] successor count, [2..] successors
    Matrix levels;
    Matrix setupTimes;  // (n + 1) x n; row n holds the setup before a machine's first job
    Matrix jobMeanDurations;  // one row: each job's mean time over the unrelated machines

    // --- what is evaluated and compared
    Matrix schedule;
    Matrix results;
    Matrix best;

    // --- job-shop working tables
    Matrix operationDurations;
    Matrix operationMachines;

    // --- working values of the set in hand
    double meanSetup = 0.0;
    double meanRemainingDuration = 0.0;
    double meanDuration = 0.0;
    double makespanEstimate = 0.0;
    double atcsK1 = 0.0;
    double atcsK2 = 0.0;
    double inverseSpeedSum = 0.0;
    double meanInverseSpeed = 0.0;

    // Latest completion time among the dispatched predecessors of each job of the set in
    // hand. Kept apart from the successor lists so that a job with n - 1 successors keeps
    // its full list.
    Matrix predecessorReady;

    // Files named by "machine_file" (the uniform run loads `speeds` from it) and by
    // "constraints" (named in messages about bad predecessor masks).
    std::string machineFileName;
    std::string constraintsFileName;
    std::string durationFileName;  // named in messages about bad operation codes

    // --- the run (driver)
    // Loads the definition and its data, runs the heuristics of the environment, evaluates
    // the GP schedules and prints the comparison. summaryFile may be null. False when the
    // definition file cannot be opened.
    bool run(const std::string& definitionFileName, const char* summaryFile);
    // The loading half of run; false when the definition file cannot be opened.
    bool load(const std::string& definitionFileName);
    // Shapes the instance tables from "sets" and "max_jobs" once they are known to fit in memory.
    void allocateInstanceTables(const DefinitionEntries& definition, int sets, int maxJobs);

    // --- reporting shared by every environment
    // Prints value through format and writes `results` to resultFile.
    void report(const char* format, double value, const char* resultFile) const;
    void evaluateGP(ComparisonTable& table);
    // The criteria computation of the environment; returns its headline total.
    double evaluateCriteria();

    // The environment's heuristics (run_sequence.h), each measured, printed and written to its
    // files; the compared ones are recorded in the table.
    void runHeuristics(ComparisonTable& table);

    // Entries of a schedule file that name jobs or machines outside the set end the run with a
    // message naming the file, the set and the position (parallel machines and job shop).
    void checkParallelSchedule(const char* fileName) const;
    void checkJobShopSchedule(const char* fileName) const;

    // --- per-set helpers
    int jobsIn(int set) const { return static_cast<int>(jobCount.get(set)); }
    int machinesIn(int set) const { return static_cast<int>(machineCount.get(set)); }
    // Asserts (as an out-of-range table access would) that the instance tables hold row
    // `set` with n jobs and processingColumns processing-time entries, so that the loops of
    // a dispatcher or criteria computation may index them unchecked.
    void requireInstanceRow(int set, int n, int processingColumns) const;

    // --- single machine
    template <class Rule>
    void listScheduleSingle(Rule rule);
    double singleMachineCriteria();
    void updateBest();
    void nwt();

    // --- shared constructions
    void buildSetupTimes(int set);
    void buildPrecedence(int set);
    double level(int set, int job);
    // The working values of a set of n jobs before a list scheduling's first dispatch: the
    // mean durations (of the n per-job durations given), the precedence and setup tables the
    // flags ask for, and the look-ahead (makespanEstimate, atcsK1, atcsK2). On uniform machines
    // meanInverseSpeed comes first.
    void prepareListScheduling(int set, int n, const double* durations);
    void computeLookAhead(int set, int n);

    // --- parallel machines
    template <class Rule>
    void listScheduleParallel(Rule rule);
    double parallelMachineCriteria();
    void minMin();

    // --- job shop
    template <class Rule>
    void jobShopSchedule(Rule rule);
    double jobShopCriteria();
    // Re-creates operationDurations and operationMachines as max jobs x operations per job.
    void initOperationTables();
    // Decodes the operation codes of a set with n jobs on m machines into the operation tables
    // and returns their total duration. An operation on a machine outside the set, or a route
    // that does not visit every machine once, ends the run with a message naming the duration
    // file, the set and the job.
    double decodeOperations(int set, int n, int m);

    // --- priority rules of single and uniform machines: (set, job, previous, time, machine)
    double priorityEDD(int set, int job, int previous, double time, int machine) const;
    double priorityWSPT(int set, int job, int previous, double time, int machine) const;
    double priorityRM(int set, int job, int previous, double time, int machine) const;
    double priorityXDRM(int set, int job, int previous, double time, int machine) const;
    double priorityMON(int set, int job, int previous, double time, int machine) const;
    double priorityATCS(int set, int job, int previous, double time, int machine) const;
    double priorityLNS(int set, int job, int previous, double time, int machine) const;
    double priorityHLF(int set, int job, int previous, double time, int machine) const;
    double prioritySetupMakespan(int set, int job, int previous, double time, int machine) const;

    // The durations of the job's operations from position `first` to the end of its route, summed
    // in route order.
    double remainingWork(int set, int job, int first) const;

    // --- job-shop rules: (set, job, operation, time, job ready, last job)
    double jobShopWSPT(int set, int job, int operation, double time, double jobReady, int lastJob) const;
    double jobShopWSPTTWKR(int set, int job, int operation, double time, double jobReady, int lastJob) const;
    double jobShopCOVERT(int set, int job, int operation, double time, double jobReady, int lastJob) const;
    double jobShopSlackTWKR(int set, int job, int operation, double time, double jobReady, int lastJob) const;
    double jobShopRM(int set, int job, int operation, double time, double jobReady, int lastJob) const;
    double jobShopEDD(int set, int job, int operation, double time, double jobReady, int lastJob) const;
    double jobShopWTWKR(int set, int job, int operation, double time, double jobReady, int lastJob) const;
};

template <auto Member>
template <class... Args>
double RuleOf<Member>::operator()(const Scheduler& s, Args... args) const {
    return (s.*Member)(args...);
}
