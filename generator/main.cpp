// generator: writes random test instances (or Taillard's job-shop benchmarks) for the
// scheduling environment that fitness.txt defines, into the data files it names.
#include <cstdio>

#include "generator/command_line.h"
#include "generator/instance_generator.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    const CommandLine commandLine = parseCommandLine(argc, argv);
    if (commandLine.showHelp) {
        std::printf("%s\n", kUsageLine);
        return 0;
    }
    std::fputs(
        "-- Program za generiranje ispitnih primjera za zadano okruzenje\n"
        "Ulazne datotoeke:\n"
        "- fitness.txt : datoteka definicije okruzenja i svojstava ispitnih primjera\n"
        "Izlazne datoteke:\n"
        "- podaci o poslovima, strojevima i ogranicenjima (ovisno o okruzenju)\n\n",
        stdout);
    bool generated = false;
    {
        InstanceGenerator generator;
        generated = generator.generate("fitness.txt", commandLine.seed);
    }
    std::fputs("Gotovo!\n\n", stdout);
    if (commandLine.pauseAtEnd) platform::pause();
    // Without a definition nothing was made: a script must not go on to use the folder.
    return generated ? 0 : 1;
}
