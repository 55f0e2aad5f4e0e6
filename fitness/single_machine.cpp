// The single-machine evaluation: per-set preparation of the list scheduling, the criteria
// Twt, Uwt, Fwt and Cmax, the per-set best values and the run of the classical heuristics.
#include <cmath>

#include "core/fatal.h"
#include "fitness/single_machine.h"

namespace {

// Line of the matrix's checked two-index access.
constexpr int kLineGet = 188;

// The job at position k of a set's sequence, read checked. An entry that cannot be a job index
// (negative, not a number, beyond any table) ends the run as the table access would.
int jobAt(const Matrix& schedule, int set, int k) {
    const double entry = schedule.get(set, k);
    if (!(entry > -1.0 && entry < 2147483648.0)) assertionFailed("matrice", kLineGet);
    return static_cast<int>(entry);
}

struct SetCriteria {
    double values[4];  // Twt, Uwt, Fwt, Cmax
};

// Measures the sequence of one set. Completion times are whole numbers: the times that move C
// and the due date it is compared with are truncated; the weight and processing-time sums
// and the release time subtracted for the flowtime are taken as stored.
SetCriteria measureSet(const Scheduler& s, int set, int n) {
    double C = 0, weightedTardiness = 0, tardyWeight = 0, flowtime = 0, W = 0, P = 0;
    int previous = n;
    for (int k = 0; k < n; ++k) {
        const int j = jobAt(s.schedule, set, k);
        if (s.hasReleaseTimes && s.releaseTimes.get(set, j) > C) C = std::trunc(s.releaseTimes.get(set, j));
        C = C + std::trunc(s.processingTimes.get(set, j));
        if (s.hasSetups) C = C + std::trunc(s.setupTimes.get(previous, j));
        previous = j;
        const double due = std::trunc(s.dueDates.get(set, j));
        if (C > due) {
            const double T = C - due;
            weightedTardiness += s.weights.get(set, j) * T;
            tardyWeight += s.weights.get(set, j);
        }
        flowtime += s.hasReleaseTimes ? C - s.releaseTimes.get(set, j) : C;
        W += s.weights.get(set, k);
        P += s.processingTimes.get(set, k);
    }
    return {{weightedTardiness * n / (W * P), tardyWeight / W, flowtime * n / (W * P), C / P}};
}

}  // namespace

double Scheduler::singleMachineCriteria() {
    const int sets = schedule.rows;
    results.initZero(sets + 1, 4);
    double totals[4] = {0, 0, 0, 0};
    for (int set = 0; set < sets; ++set) {
        const int n = jobsIn(set);
        if (hasSetups) buildSetupTimes(set);
        const SetCriteria criteria = measureSet(*this, set, n);
        for (int c = 0; c < 4; ++c) {
            results.at(set, c) = criteria.values[c];
            totals[c] += criteria.values[c];
        }
    }
    for (int c = 0; c < 4; ++c) results.at(sets, c) = totals[c];
    return totals[0];
}

void Scheduler::updateBest() {
    for (int i = 0; i < results.rows - 1; ++i)
        for (int c = 0; c < 4; ++c)
            if (best.get(i, c) > results.get(i, c)) best.set(i, c, results.get(i, c));
}

namespace {

// One classical heuristic of the single-machine run: when it runs, how it fills `schedule`,
// and under which line, files and label it is reported.
struct Heuristic {
    bool (*applies)(const Scheduler&);
    void (*sequence)(Scheduler&);
    const char* line;
    const char* resultFile;
    const char* scheduleFile;  // null: the schedule is not kept
    const char* label;
};

bool always(const Scheduler&) { return true; }
// Nwt repairs the plain due-date order, which means nothing with release times, precedence
// or setups.
bool plainInstances(const Scheduler& s) { return !s.hasConstraints && !s.hasSetups && !s.hasReleaseTimes; }
bool withConstraints(const Scheduler& s) { return s.hasConstraints; }
bool withSetups(const Scheduler& s) { return s.hasSetups; }

template <auto Rule>
void listSchedule(Scheduler& s) {
    s.listScheduleSingle(RuleOf<Rule>{});
}

void repairDueDateOrder(Scheduler& s) { s.nwt(); }

// Sidney's sequences are made elsewhere and number the jobs from 1.
void readSidneySchedules(Scheduler& s) {
    s.schedule.read("raspored_Sidney.txt");
    s.schedule = s.schedule + -1.0;
}

const Heuristic kHeuristics[] = {
    {always, listSchedule<&Scheduler::priorityEDD>, "EDD:\t %g\n", "rezultat_EDD.txt", nullptr, "EDD"},
    {always, listSchedule<&Scheduler::priorityWSPT>, "WSPT:\t %g\n", "rezultat_WSPT.txt", nullptr, "WSPT"},
    {always, listSchedule<&Scheduler::priorityRM>, "R&M:\t %g\n", "rezultat_RM.txt", "raspored_RM.txt", "RM"},
    {always, listSchedule<&Scheduler::priorityXDRM>, "X-D R&M:\t %g\n", "rezultat_XD.txt", nullptr, "XD"},
    {always, listSchedule<&Scheduler::priorityMON>, "MON:\t %g\n", "rezultat_MON.txt", nullptr, "MON"},
    {plainInstances, repairDueDateOrder, "Nwt heuristika 1:\t %g\n", "rezultat_Nwt.txt", nullptr, "Nwt_1"},
    {withConstraints, readSidneySchedules, "Sidney:\t %g\n", "rezultat_Sidney.txt", nullptr, "Sidney"},
    {withConstraints, listSchedule<&Scheduler::priorityHLF>, "HLF:\t %g\n", "rezultat_HLF.txt", nullptr, "HLF"},
    {withConstraints, listSchedule<&Scheduler::priorityLNS>, "LNS:\t %g\n", "rezultat_LNS.txt", nullptr, "LNS"},
    {withSetups, listSchedule<&Scheduler::priorityATCS>, "ATCS:\t %g\n", "rezultat_ATCS.txt", nullptr, "ATCS"},
    {withSetups, listSchedule<&Scheduler::prioritySetupMakespan>, "SDS-BD makespan:\t %g\n",
     "rezultat_SQSBD_makespan.txt", nullptr, "makespan"},
};

}  // namespace

void Scheduler::runSingleMachineHeuristics(ComparisonTable& table) {
    for (const Heuristic& heuristic : kHeuristics) {
        if (!heuristic.applies(*this)) continue;
        heuristic.sequence(*this);
        report(heuristic.line, singleMachineCriteria(), heuristic.resultFile);
        if (heuristic.scheduleFile) schedule.write(heuristic.scheduleFile);
        // The first heuristic (EDD, always run) sets the reference the others lower.
        if (&heuristic == kHeuristics)
            best = results;
        else
            updateBest();
        table.record(heuristic.label, results);
    }
}
