#pragma once

#include <functional>
#include <fstream>
#include <string>

// The console dialogue of pomocni: pick a generation from a hall-of-fame file, write its
// individual as an Open BEAGLE seed file, run the test program and then the evaluation.
namespace pomocni {

// Starts a command line and waits for it; returns 0, or the system error number when the
// command could not be started. Passed in so that the dialogue can run without processes.
using LaunchFunction = std::function<int(const std::string& commandLine)>;

// The number of the last "-- Generacija: " marker line (0 without markers), read from the
// current position to the end; the end-of-file state is cleared afterwards. In the learner's hall
// of fame (its first line begins "# learner:") a last generation cut short by a kill (fewer than
// six whole lines, each with its line end, after its marker) does not count: the marker before
// it does.
int countGenerations(std::istream& hallOfFame);

// The sixth line after the first marker of the given generation, read from the current
// position; empty when the stream ends first, or, in the learner's hall of fame, cuts that line
// short (no line end after it). The error state is cleared afterwards.
std::string findIndividual(std::istream& hallOfFame, int generation);

// The seed file content Open BEAGLE reads: the individual inside <Beagle><Seeds><Individual>.
void writeSeed(std::ostream& seed, const std::string& individual);

// The settings that live for the whole run; restarts keep what the user entered.
struct Settings {
    std::string seedFile = "seed.obm";
    std::string testProgram = "test.bat";
    std::string evaluationProgram = "evaluacija.exe";
    std::string orEvaluationProgram = "fitness_OR.exe";
};

class Launcher {
public:
    Launcher(std::istream& console, std::ostream& out, LaunchFunction launch);

    // Runs the dialogue until the user ends it or console input ends; returns the exit status.
    int run();

private:
    // What one set-up cycle opened and chose; a fresh one per restart.
    struct Cycle {
        std::ifstream input;
        std::string outputName;
        bool orMode = false;
        int generations = 0;
    };

    enum class Next { Restart, End };

    void printBanner();
    bool ask(const std::string& prompt, std::string& answer);
    bool setUp(Cycle& cycle);
    bool openInput(Cycle& cycle);
    bool openOutput(Cycle& cycle);
    bool askCommand(const std::string& prompt, std::string& command);
    Next generationLoop(Cycle& cycle);
    bool askGeneration(int lastGeneration, int& generation);
    int writeSeedFile(const Cycle& cycle, const std::string& individual);
    void reportUnwritable(const std::string& name, int error);
    bool runEvaluation(const std::string& promptHead, const std::string& defaultCommand);
    void start(const std::string& commandLine);

    std::istream& console_;
    std::ostream& out_;
    LaunchFunction launch_;
    Settings settings_;
};

}  // namespace pomocni
