// fitness: schedules every test instance of the definition with the classical heuristics of
// its environment, measures them and the GP learner's schedules, and prints who was best.
#include <cstdio>
#include <cstring>

#include "fitness/scheduler.h"
#include "platform/platform.h"

namespace {

const char* const kUsage =
    "Usage: fitness [SUMMARY-FILE]\n"
    "Reads fitness.txt in the working directory, the data files it names and raspored_GP.txt (the\n"
    "learner's schedules; with precedence constraints also raspored_Sidney.txt), schedules every set\n"
    "with the classical heuristics of the environment and measures them and the GP schedules with\n"
    "the same criteria.\n"
    "Writes one result file per heuristic and rezultat_fGP.txt for GP, and the schedule file\n"
    "raspored_RM.txt (single machine) or raspored_minmin.txt (unrelated machines).\n"
    "Prints each heuristic's total and, on a single machine and in the job shop, the share of sets\n"
    "on which each reached the best value.\n"
    "With SUMMARY-FILE it appends the GP totals and shares to that file (tab separated, no line end)\n"
    "and ends without waiting for a key.\n";

bool asksForHelp(int argc, char** argv) {
    return argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (asksForHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(
        "-- Program za ispitivanje ucinkovitosti postupaka rasporedjivanja u zadanom okruzenju\n"
        "Ulazne datoteke:\n"
        "- fitness.txt : datoteka definicije okruzenja i ispitnih primjera\n"
        "- raspored_GP.txt :  datoteka s rasporedima za zadane ispitne primjere (generira je program za ucenje)\n"
        "Izlazne datoteke: rasporedi za prikladne algoritme rasporedjivanja (ovisno o okruzenju)\n\n",
        stdout);
    const char* summaryFile = argc > 1 ? argv[1] : nullptr;
    bool evaluated = false;
    {
        Scheduler scheduler;
        evaluated = scheduler.run("fitness.txt", summaryFile);
    }
    std::fputs("Gotovo!\n\n", stdout);
    if (!summaryFile) platform::pause();
    // A missing definition is a failure: a script that goes on would use results of an earlier run.
    return evaluated ? 0 : 1;
}
