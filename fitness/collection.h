#pragma once

// The loaded collection: the definition's environment and features, the instance tables (one row
// per set) and what is derived from them once, read and checked by the evaluator's own loading.
// After loading nothing writes it, so every program and every thread shares one collection; the
// working state of scheduling one set lives in a Workspace (fitness/workspace.h).
#include <string>
#include <vector>

#include "core/matrice.h"
#include "core/names.h"

// How wide a dispatcher makes its schedule: as wide as the processing-time table, the width every
// schedule file has, or only as wide as the sets' jobs need, for schedules that are measured and
// dropped (on unrelated machines the table holds a column per job and machine).
enum class ScheduleWidth { File, Measured };

struct Collection {
    Environment environment = Environment::Single;

    // --- features, from the optional entries of the definition
    bool hasReleaseTimes = false;
    bool hasConstraints = false;
    bool hasSetups = false;
    bool hasWeights = false;
    bool taillard = false;     // a job shop whose definition has "taillard": Taillard's instances, one per set
    int maxLength = 0;         // of the job shop's random setups
    double setupFactor = 0.0;  // scales every setup time

    // --- instance tables, one row per set
    Matrix jobCount;
    Matrix processingSum;    // SP: the set's processing time (scaled by the machines' capacity)
    Matrix processingTimes;  // per job; per job and machine on unrelated machines; operation codes in the job shop
    Matrix dueDates;
    Matrix weights;       // 1 for every job without a weight file
    Matrix releaseTimes;  // 0 for every job without a release-time file
    Matrix machineCount;
    Matrix speeds;  // uniform machines
    Matrix constraints;

    // --- derived once, for the sets whose tables hold them
    // Parallel machines: each job's mean and smallest time over the set's machines (p x v on
    // uniform machines); on unrelated machines the mean also stands for the job's processing time
    // in the remaining-work mean.
    Matrix jobMeanDurations;
    Matrix jobShortestDurations;
    Matrix operationDurations;   // job shop: the codes' durations, operation o of job j at column j x m + o
    Matrix operationMachines;    // job shop: the codes' machines, in the same layout
    Matrix operationWorkFrom;    // job shop: the job's work from that operation to the end of its route, the same layout
    Matrix machineMeanDuration;  // job shop: each machine's mean operation duration in the set
    Matrix operationTotal;       // job shop: the set's total processing time
    // List scheduling with release times: each set's jobs in order of release (sortByRelease), a
    // row of releaseTimes.cols entries per set; empty where not derived.
    std::vector<int> releaseOrders;

    // The folder the collection's files are read from; empty: the working folder.
    std::string folder;
    // Files named in messages ("constraints", "duration") and the uniform speeds' file, each in
    // the folder.
    std::string machineFileName;
    std::string constraintsFileName;
    std::string durationFileName;

    int sets() const { return jobCount.rows; }
    // The set's jobs in order of release, or null where the collection did not derive it (no
    // release times, or a set whose tables are refused when it is scheduled).
    const int* releaseOrder(int set) const;
    // Read checked: a set beyond the list ends the run with the matrix's column-0 assertion.
    int jobsIn(int set) const { return static_cast<int>(jobCount.get(set)); }
    int machinesIn(int set) const { return static_cast<int>(machineCount.get(set)); }

    // Ends the run with the table access assertion unless the instance tables hold row `set` with
    // n jobs and processingColumns processing-time entries, so that the loops of a dispatcher or
    // criteria computation may index them unchecked.
    void requireInstanceRow(int set, int n, int processingColumns) const;
    // Parallel machines: a set with jobs needs a machine and at most 1000 jobs (the schedule
    // encoding), and its rows must hold n jobs (n x m entries on unrelated machines) and, on uniform
    // machines, the m speeds and the SP the rules read.
    void requireSchedulableSet(int set) const;
    void requireParallelRow(int set, int n, int m) const;
    // Job shop: the operation tables hold n jobs of m operations (the assertion of the table write
    // that would run past them), and the instance tables the set's row.
    void requireOperationRow(int set, int n, int m) const;
    // The job shop's operations per job: the codes' columns over the due dates' columns.
    int operationsPerJob() const { return dueDates.cols > 0 ? processingTimes.cols / dueDates.cols : 0; }
    int scheduleColumns(ScheduleWidth width) const;
    // A file of the collection by the name its definition gives it: in the collection's folder.
    std::string fileInFolder(const std::string& name) const;
};

// Whether loading prints the evaluator's line naming the environment ("Okruzenje: ..."), as every
// program that loads one collection does; a program that loads several keeps it to itself.
enum class EnvironmentLine { Printed, Silent };

// Reads the definition file and its data files with the evaluator's checks and messages, printing
// the environment's line. The definition and the data files it names are read from `folder`
// (empty: the working folder), and messages name them there. False, after "Nema ulazne datoteke!
// (...)", when the definition cannot be opened.
bool readCollection(Collection& collection, const std::string& definitionFile, const std::string& folder = "",
                    EnvironmentLine line = EnvironmentLine::Printed);
// The rest of the loading, which every schedule of the environment needs: on parallel machines the
// sets' machines (and the uniform speeds' file), in the job shop the setups' "max_length" and every
// route; a fault ends the run before anything is written. Then deriveTables.
void prepareCollection(Collection& collection);
// The tables derived once (each unrelated job's mean time, the job shop's decoded routes, which are
// checked as they are decoded), for a collection loaded or built in memory.
void deriveTables(Collection& collection);
// Both, for a program to which a missing definition is a fault ("Definition file ... cannot be read.").
Collection loadCollection(const std::string& definitionFile, const std::string& folder = "",
                          EnvironmentLine line = EnvironmentLine::Printed);
