// The heuristic tables of the four environments and the schedule files read from elsewhere.
#include "fitness/run_sequence.h"

#include <string>

#include "fitness/job_shop.h"
#include "fitness/parallel_machines.h"
#include "fitness/rules.h"
#include "fitness/single_machine.h"

namespace {

bool always(const Collection&) { return true; }
// Nwt repairs the plain due-date order, which means nothing with release times, precedence or setups.
bool plainInstances(const Collection& c) { return !c.hasConstraints && !c.hasSetups && !c.hasReleaseTimes; }
bool withConstraints(const Collection& c) { return c.hasConstraints; }
bool withSetups(const Collection& c) { return c.hasSetups; }

constexpr KeptFile resultsTo(const char* file) { return {KeptFile::Results, file}; }
constexpr KeptFile scheduleTo(const char* file) { return {KeptFile::Schedule, file}; }

template <auto Rule>
void singleMachine(Workspace& work, Matrix& schedule) {
    listScheduleSingle(work, RuleOf<Rule>{}, schedule);
}

template <auto Rule>
void parallelMachines(Workspace& work, Matrix& schedule) {
    listScheduleParallel(work, RuleOf<Rule>{}, schedule);
}

template <auto Rule>
void jobShop(Workspace& work, Matrix& schedule) {
    jobShopSchedule(work, RuleOf<Rule>{}, schedule);
}

// Sidney's sequences are made elsewhere, lie beside the collection and number the jobs from 1.
void readSidneySchedules(Workspace& work, Matrix& schedule) {
    schedule.read(work.collection.fileInFolder("raspored_Sidney.txt"));
    schedule = schedule + -1.0;
}

const Heuristic kSingleMachine[] = {
    {"EDD", always, singleMachine<priorityEDD>, "EDD:\t %g\n", {resultsTo("rezultat_EDD.txt")}, "EDD"},
    {"WSPT", always, singleMachine<priorityWSPT>, "WSPT:\t %g\n", {resultsTo("rezultat_WSPT.txt")}, "WSPT"},
    {"R&M", always, singleMachine<priorityRM>, "R&M:\t %g\n",
     {resultsTo("rezultat_RM.txt"), scheduleTo("raspored_RM.txt")}, "RM"},
    {"X-D R&M", always, singleMachine<priorityXDRM>, "X-D R&M:\t %g\n", {resultsTo("rezultat_XD.txt")}, "XD"},
    {"MON", always, singleMachine<priorityMON>, "MON:\t %g\n", {resultsTo("rezultat_MON.txt")}, "MON"},
    {"Nwt", plainInstances, nwt, "Nwt heuristika 1:\t %g\n", {resultsTo("rezultat_Nwt.txt")}, "Nwt_1"},
    {"Sidney", withConstraints, readSidneySchedules, "Sidney:\t %g\n", {resultsTo("rezultat_Sidney.txt")}, "Sidney"},
    {"HLF", withConstraints, singleMachine<priorityHLF>, "HLF:\t %g\n", {resultsTo("rezultat_HLF.txt")}, "HLF"},
    {"LNS", withConstraints, singleMachine<priorityLNS>, "LNS:\t %g\n", {resultsTo("rezultat_LNS.txt")}, "LNS"},
    {"ATCS", withSetups, singleMachine<priorityATCS>, "ATCS:\t %g\n", {resultsTo("rezultat_ATCS.txt")}, "ATCS"},
    {"SDS-BD makespan", withSetups, singleMachine<prioritySetupMakespan>, "SDS-BD makespan:\t %g\n",
     {resultsTo("rezultat_SQSBD_makespan.txt")}, "makespan"},
};

// Nothing is compared on uniform machines.
const Heuristic kUniformMachines[] = {
    {"X-D RM", always, parallelMachines<priorityXDRM>, "X-D RM: %g\n", {resultsTo("rezultat_XD.txt")}, nullptr},
    {"MON", always, parallelMachines<priorityMON>, "MON: %g\n", {resultsTo("rezultat_MON.txt")}, nullptr},
    {"WSPT", always, parallelMachines<priorityWSPT>, "WSPT: %g\n", {resultsTo("rezultat_SPT.txt")}, nullptr},
    {"EDD", always, parallelMachines<priorityEDD>, "EDD: %g\n", {resultsTo("rezultat_EDD.txt")}, nullptr},
    {"RM", always, parallelMachines<priorityRM>, "RM: %g\n", {resultsTo("rezultat_RM.txt")}, nullptr},
    {"ATCS", always, parallelMachines<priorityATCS>, "ATCS: %g\n", {resultsTo("rezultat_ATCS.txt")}, nullptr},
    {"LNS", always, parallelMachines<priorityLNS>, "LNS: %g\n", {resultsTo("rezultat_LNS.txt")}, nullptr},
    {"HLF", always, parallelMachines<priorityHLF>, "HLF: %g\n", {resultsTo("rezultat_HLF.txt")}, nullptr},
    {"Makespan", always, parallelMachines<prioritySetupMakespan>, "Makespan: %g\n",
     {resultsTo("rezultat_makespan.txt")}, nullptr},
};

// Min-min's schedule is kept, before its results; nothing is compared on unrelated machines.
const Heuristic kUnrelatedMachines[] = {
    {"Min-min", always, minMin, "Min-min: %g\n",
     {scheduleTo("raspored_minmin.txt"), resultsTo("rezultat_minmin.txt")}, nullptr},
};

// The labels carry tabs so that the comparison table's rows line up.
const Heuristic kJobShop[] = {
    {"WSPT", always, jobShop<jobShopWSPT>, "WSPT: %g\n", {resultsTo("rezultat_WSPT.txt")}, "WSPT\t"},
    {"WSPT/TWKR", always, jobShop<jobShopWSPTTWKR>, "WSPT/TWKR: %g\n", {resultsTo("rezultat_WSPT_TWKR.txt")},
     "WSPT/TWKR"},
    {"COVERT", always, jobShop<jobShopCOVERT>, "COVERT: %g\n", {resultsTo("rezultat_WCOVERT.txt")}, "COVERT\t"},
    {"SLACK/TWKR", always, jobShop<jobShopSlackTWKR>, "SLACK/TWKR: %g\n", {resultsTo("rezultat_WSLACK_TWKR.txt")},
     "SLACK/TWKR"},
    {"RM", always, jobShop<jobShopRM>, "RM: %g\n", {resultsTo("rezultat_WRM.txt")}, "RM\t"},
    {"EDD", always, jobShop<jobShopEDD>, "EDD: %g\n", {resultsTo("rezultat_EDD.txt")}, "EDD\t"},
    {"WTWKR", always, jobShop<jobShopWTWKR>, "WTWKR: %g\n", {resultsTo("rezultat_WTWKR.txt")}, "WTWKR\t"},
};

}  // namespace

std::span<const Heuristic> heuristicsOf(Environment environment) {
    switch (environment) {
        case Environment::Single:
            return kSingleMachine;
        case Environment::Uniform:
            return kUniformMachines;
        case Environment::Unrelated:
            return kUnrelatedMachines;
        default:
            return kJobShop;
    }
}

Matrix readGPSchedules(const Collection& c) {
    const std::string file = c.fileInFolder(kGPScheduleFile);
    Matrix schedule;
    schedule.read(file);
    if (c.environment == Environment::Uniform || c.environment == Environment::Unrelated)
        checkParallelSchedule(c, schedule, file.c_str());
    if (c.environment == Environment::JobShop) checkJobShopSchedule(c, schedule, file.c_str());
    return schedule;
}
