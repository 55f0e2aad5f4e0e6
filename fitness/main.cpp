// fitness: schedules every test instance of the definition with the classical heuristics of
// its environment, measures them and the GP learner's schedules, and prints who was best.
#include <cstdio>

#include "fitness/scheduler.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    std::fputs(
        "-- Program za ispitivanje ucinkovitosti postupaka rasporedjivanja u zadanom okruzenju\n"
        "Ulazne datoteke:\n"
        "- fitness.txt : datoteka definicije okruzenja i ispitnih primjera\n"
        "- raspored_GP.txt :  datoteka s rasporedima za zadane ispitne primjere (generira je program za ucenje)\n"
        "Izlazne datoteke: rasporedi za prikladne algoritme rasporedjivanja (ovisno o okruzenju)\n\n",
        stdout);
    const char* summaryFile = argc > 1 ? argv[1] : nullptr;
    {
        Scheduler scheduler;
        scheduler.run("fitness.txt", summaryFile);
    }
    std::fputs("Gotovo!\n\n", stdout);
    if (!summaryFile) platform::pause();
    return 0;
}
