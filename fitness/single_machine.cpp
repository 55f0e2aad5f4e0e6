// The single-machine evaluation: per-set preparation of the list scheduling, the criteria
// Twt, Uwt, Fwt and Cmax, the per-set best values and the table of the classical heuristics.
#include <cmath>

#include "fitness/run_sequence.h"
#include "fitness/single_machine.h"
#include "fitness/timeline.h"

namespace {

struct SetCriteria {
    double values[4];  // Twt, Uwt, Fwt, Cmax
};

// Measures the sequence of one set. Completion times are whole numbers (the timeline truncates
// the times that move C), and so is the due date they are compared with; the weight and
// processing-time sums and the release time subtracted for the flowtime are taken as stored.
SetCriteria measureSet(Scheduler& s, int set) {
    const int n = s.jobsIn(set);
    double C = 0, weightedTardiness = 0, tardyWeight = 0, flowtime = 0, W = 0, P = 0;
    timeline::singleMachineSet(s, set, [&](const timeline::Occupation& placed) {
        const int j = placed.job;
        C = placed.completion;
        const double due = std::trunc(s.dueDates.get(set, j));
        if (C > due) {
            const double T = C - due;
            weightedTardiness += s.weights.get(set, j) * T;
            tardyWeight += s.weights.get(set, j);
        }
        flowtime += s.hasReleaseTimes ? C - s.releaseTimes.get(set, j) : C;
        W += s.weights.get(set, placed.position);
        P += s.processingTimes.get(set, placed.position);
    });
    return {{weightedTardiness * n / (W * P), tardyWeight / W, flowtime * n / (W * P), C / P}};
}

}  // namespace

double Scheduler::singleMachineCriteria() {
    const int sets = schedule.rows;
    results.initZero(sets + 1, 4);
    double totals[4] = {0, 0, 0, 0};
    for (int set = 0; set < sets; ++set) {
        const SetCriteria criteria = measureSet(*this, set);
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
    {"EDD", always, listSchedule<&Scheduler::priorityEDD>, "EDD:\t %g\n", {resultsTo("rezultat_EDD.txt")}, "EDD"},
    {"WSPT", always, listSchedule<&Scheduler::priorityWSPT>, "WSPT:\t %g\n", {resultsTo("rezultat_WSPT.txt")},
     "WSPT"},
    {"R&M", always, listSchedule<&Scheduler::priorityRM>, "R&M:\t %g\n",
     {resultsTo("rezultat_RM.txt"), scheduleTo("raspored_RM.txt")}, "RM"},
    {"X-D R&M", always, listSchedule<&Scheduler::priorityXDRM>, "X-D R&M:\t %g\n", {resultsTo("rezultat_XD.txt")},
     "XD"},
    {"MON", always, listSchedule<&Scheduler::priorityMON>, "MON:\t %g\n", {resultsTo("rezultat_MON.txt")}, "MON"},
    {"Nwt", plainInstances, repairDueDateOrder, "Nwt heuristika 1:\t %g\n", {resultsTo("rezultat_Nwt.txt")},
     "Nwt_1"},
    {"Sidney", withConstraints, readSidneySchedules, "Sidney:\t %g\n", {resultsTo("rezultat_Sidney.txt")},
     "Sidney"},
    {"HLF", withConstraints, listSchedule<&Scheduler::priorityHLF>, "HLF:\t %g\n", {resultsTo("rezultat_HLF.txt")},
     "HLF"},
    {"LNS", withConstraints, listSchedule<&Scheduler::priorityLNS>, "LNS:\t %g\n", {resultsTo("rezultat_LNS.txt")},
     "LNS"},
    {"ATCS", withSetups, listSchedule<&Scheduler::priorityATCS>, "ATCS:\t %g\n", {resultsTo("rezultat_ATCS.txt")},
     "ATCS"},
    {"SDS-BD makespan", withSetups, listSchedule<&Scheduler::prioritySetupMakespan>, "SDS-BD makespan:\t %g\n",
     {resultsTo("rezultat_SQSBD_makespan.txt")}, "makespan"},
};

}  // namespace

const RunSequence kSingleMachineRun{nothingToPrepare, kHeuristics};
