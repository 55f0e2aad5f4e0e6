#pragma once

// The working state of scheduling or measuring one set of a collection at a time: the set's rows
// in hand, its setup, precedence and level tables, its working values (the remaining-work mean and
// the rules' look-ahead), and the dispatchers' candidate batch and machine and job state. Each
// thread owns one; the collection it works on is shared. The tables are shaped for the largest set
// when the workspace is made or when a set first needs them, and keep their storage from set to set,
// so scheduling a collection again allocates nothing.
#include <cstdint>
#include <vector>

#include "core/matrice.h"
#include "fitness/candidate_batch.h"
#include "fitness/collection.h"
#include "fitness/machine_state.h"
#include "fitness/open_jobs.h"

// The rows of the set in hand, taken once its tables have been checked, so that the loops of the
// dispatchers and the rules index them unchecked.
struct SetInHand {
    // Different every time a set is taken in hand, in every workspace of the process, so that what
    // a rule computed once for the set in hand is known to be its own.
    std::uint64_t stamp = 0;
    int set = 0;
    int n = 0;      // jobs
    int m = 1;      // machines (1 on a single machine)
    const double* p = nullptr;  // processing times: per job, per job and machine on unrelated machines
    const double* d = nullptr;
    const double* w = nullptr;
    const double* r = nullptr;
    const double* v = nullptr;     // the machines' speeds on uniform machines
    const double* work = nullptr;  // per job, what the remaining-work mean counts
    // parallel machines: per job, its smallest and its mean time over the set's machines
    const double* shortest = nullptr;
    const double* mean = nullptr;
    double SP = 0;
    // job shop
    const double* durations = nullptr;     // operation o of job j at j x m + o
    const double* machines = nullptr;      // its machine, in the same layout
    const double* machineMeans = nullptr;  // per machine
    const double* workFrom = nullptr;      // the job's work from the operation to its route's end, as durations
    bool reversedRoutes = false;           // taken with every route reversed
};

// A schedule made of the set in hand before, which an iterated dispatch lets the rule read: per
// operation (job j on machine k at j x m + k) its start, completion and latest start that keeps
// the makespan, as the evaluator replays the set as given.
struct PreviousSchedule {
    bool known = false;
    double makespan = 0;
    std::vector<double> start, completion, latestStart;
    std::vector<int> order;  // the operations in the order the replay placed them
    std::vector<double> jobLatest, machineLatest;  // while the latest starts are found
};

// Each operation's work to the end of its route: the sums of a route's durations from the back.
// Durations are whole numbers, so the sums are exact whichever way they are added.
void sumRouteTails(const double* durations, int m, double* tails);

class Workspace {
public:
    explicit Workspace(const Collection& collection);
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const Collection& collection;
    SetInHand rows;

    // --- working tables of the set in hand
    Matrix setupTimes;       // (n + 1) x n; row n holds the setup before a machine's first job
    Matrix precedenceLists;  // row j: [0] waiting predecessors, [1] successor count, [2..] successors
    Matrix levels;
    // Latest completion time among the dispatched predecessors of each job; kept apart from the
    // successor lists so that a job with n - 1 successors keeps its full list.
    Matrix predecessorReady;

    // --- working values of the set in hand
    double meanSetup = 0.0;
    double meanRemainingDuration = 0.0;
    double meanDuration = 0.0;
    double makespanEstimate = 0.0;
    double atcsK1 = 0.0;
    double atcsK2 = 0.0;
    double inverseSpeedSum = 0.0;
    double meanInverseSpeed = 0.0;

    // --- the dispatchers' and the criteria's state
    OpenJobs open;                     // list scheduling and pairs: the jobs not dispatched yet
    CandidateBatch candidates;         // of the decision in hand
    CandidateBatch pairs;              // the pair scheme's (job, machine) candidates, job x m + machine
    std::vector<double> machineReady;  // list scheduling on parallel machines: when each machine is free
    std::vector<int> machineLast;      // ... and the job it processed last, n before the first
    MachineClocks clocks;              // parallel machines while a schedule is replayed
    ShopFloor floor;                   // the job shop's machines and jobs
    // The set in hand with its routes reversed, and a dispatcher's machine sequences for it.
    std::vector<double> reversedDurations, reversedMachines, reversedWorkFrom, reversedSequences;
    std::vector<double> alternativeSequences;  // a second dispatcher's, while the first one's are kept
    Matrix nonDelaySchedule;  // one machine's second dispatch, while the first one's rows are kept
    ShopJustification justification;
    PreviousSchedule previous;
    std::vector<double> iteratedSequences;  // an iteration's schedule, while the best so far is kept

    // The most candidates a decision of this collection can have: the incumbent and every job.
    int candidateCapacity() const { return jobCapacity_ + 1; }

    // Takes set `set` of n jobs on m machines in hand for list scheduling once the caller has
    // checked its rows (a checked read of its SP comes last).
    void takeListSet(int set, int n, int m);
    // Prepares the set in hand as every list scheduling does: the means (of rows.work), the
    // precedence and setup tables the features ask for, and the look-ahead. On uniform machines
    // meanInverseSpeed comes first: the levels divide by it.
    void prepareListScheduling();
    // Takes a job-shop set in hand; its operation tables were checked when the collection was loaded.
    // With Routes::Reversed every job passes its machines in the opposite order: a schedule of that
    // shop read backwards on every machine is one of the set as given, with the same makespan.
    enum class Routes { AsGiven, Reversed };
    void takeShopSet(int set, int n, int m, Routes routes = Routes::AsGiven);

    // The constructions every dispatcher and criteria computation shares.
    void buildSetupTimes(int set);
    void buildPrecedence(int set);
    double level(int set, int job);

private:
    int jobCapacity_;
    void takeSet(int set, int n, int m);  // the rows every environment has
    void computeLookAhead(int n);
};
