#include "pomocni/launcher.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <utility>

#include "platform/platform.h"

namespace pomocni {

namespace {

constexpr std::string_view generationMarker = "-- Generacija: ";
constexpr int linesFromMarkerToIndividual = 6;

// One line without its end; a carriage return left by a file written on Windows is dropped
// so that markers, individuals and console answers read the same from either kind of file.
bool readLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// The decimal integer at the start of the text (leading blanks and a sign allowed, trailing
// text ignored, as a console number is read); none when no digits come or it does not fit.
std::optional<int> leadingInteger(std::string_view text) {
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    if (text[start] == '+' && start + 1 < text.size() && text[start + 1] != '-') ++start;
    int value = 0;
    if (std::from_chars(text.data() + start, text.data() + text.size(), value).ec != std::errc()) return std::nullopt;
    return value;
}

// The generation a marker line names (0 when no number follows the marker), none for other lines.
std::optional<int> markerGeneration(std::string_view line) {
    if (!line.starts_with(generationMarker)) return std::nullopt;
    return leadingInteger(line.substr(generationMarker.size())).value_or(0);
}

// The learner's hall of fame starts with this line, and it writes each generation, its marker and
// six lines, in one piece; a kill can still cut the last piece short. Other hall-of-fame files
// are read as they always were.
constexpr std::string_view learnerFirstLine = "# learner:";

bool isLearners(const std::string& firstLine) { return firstLine.starts_with(learnerFirstLine); }

// Whether the line just read had its line end.
bool whole(const std::istream& in) { return !in.eof(); }

std::string individualAfterMarker(std::istream& hallOfFame, bool learners) {
    std::string line;
    for (int read = 0; read < linesFromMarkerToIndividual; ++read) {
        if (!readLine(hallOfFame, line)) return {};
    }
    return learners && !whole(hallOfFame) ? std::string() : line;
}

void rewind(std::istream& in) {
    in.clear();
    in.seekg(0);
}

}  // namespace

// In the learner's hall of fame the last generation counts once its six lines are whole; until
// then the one before it does.
int countGenerations(std::istream& hallOfFame) {
    int last = 0;
    int beforeLast = 0;
    int wholeLinesAfterLast = linesFromMarkerToIndividual;
    bool learners = false;
    std::string line;
    for (bool first = true; readLine(hallOfFame, line); first = false) {
        if (first) learners = isLearners(line);
        if (auto generation = markerGeneration(line)) {
            beforeLast = last;
            last = *generation;
            wholeLinesAfterLast = 0;
        } else if (whole(hallOfFame)) {
            ++wholeLinesAfterLast;
        }
    }
    hallOfFame.clear();
    return learners && wholeLinesAfterLast < linesFromMarkerToIndividual ? beforeLast : last;
}

std::string findIndividual(std::istream& hallOfFame, int generation) {
    std::string individual;
    std::string line;
    bool learners = false;
    for (bool first = true; readLine(hallOfFame, line); first = false) {
        if (first) learners = isLearners(line);
        if (markerGeneration(line) == generation) {
            individual = individualAfterMarker(hallOfFame, learners);
            break;
        }
    }
    hallOfFame.clear();
    return individual;
}

void writeSeed(std::ostream& seed, const std::string& individual) {
    seed << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
         << "<Beagle>\n"
         << "<Seeds>\n"
         << "<Individual>\n"
         << individual << '\n'
         << "</Individual>\n"
         << "</Seeds>\n"
         << "</Beagle>\n";
}

Launcher::Launcher(std::istream& console, std::ostream& out, LaunchFunction launch)
    : console_(console), out_(out), launch_(std::move(launch)) {}

int Launcher::run() {
    printBanner();
    for (;;) {
        // Every restart starts from closed files and OR mode off; the settings stay.
        Cycle cycle;
        if (!setUp(cycle) || generationLoop(cycle) == Next::End) return 0;
    }
}

void Launcher::printBanner() {
    out_ << " -- Program za automatsku evaluaciju jedinke genetskog programiranja (za OBeagle):\n"
         << " 1. cita datoteku s rjesenjima (HoF output) i uzima rjesenje iz zadane generacije\n"
         << " 2. kopira ga u izlazni seed fajl (" << settings_.seedFile << ")\n"
         << " 3. pokrece beagle (" << settings_.testProgram << ") za testiranje rjesenja\n"
         << " 4. pokrece program za ocjenu (" << settings_.evaluationProgram << ") i usporedbu\n\n";
}

// False at the end of console input: no answer can come any more, so the caller ends the run.
bool Launcher::ask(const std::string& prompt, std::string& answer) {
    out_ << prompt << std::flush;
    return readLine(console_, answer);
}

bool Launcher::setUp(Cycle& cycle) {
    std::string answer;
    if (!openInput(cycle) || !openOutput(cycle) ||
        !askCommand("Test program (" + settings_.testProgram + "): ", settings_.testProgram) ||
        !askCommand("Program za evaluaciju (" + settings_.evaluationProgram + "): ", settings_.evaluationProgram) ||
        !ask("OR rjesenja (enter - ne, <> - da): ", answer)) {
        return false;
    }
    cycle.orMode = !answer.empty();
    cycle.generations = countGenerations(cycle.input);
    rewind(cycle.input);
    out_ << "Broj generacija: " << cycle.generations << '\n';
    return true;
}

// A name that does not open is asked again, after one line saying why.
bool Launcher::openInput(Cycle& cycle) {
    std::string name;
    for (;;) {
        if (!ask("Ulazni fajl: ", name)) return false;
        // A folder opens for reading here but holds no lines; it is refused like any other
        // name that is not a readable file.
        std::error_code ignored;
        const bool folder = std::filesystem::is_directory(name, ignored);
        if (!folder) cycle.input.open(name);
        if (cycle.input.is_open()) return true;
        const int error = folder ? EISDIR : errno;
        out_ << "Ne mogu otvoriti " << name << ": " << std::strerror(error) << '\n';
    }
}

// The chosen seed file is created, or emptied, at once, so that a name that cannot be written is
// asked again before anything runs.
bool Launcher::openOutput(Cycle& cycle) {
    std::string answer;
    for (;;) {
        if (!ask("Izlazni fajl (" + settings_.seedFile + "): ", answer)) return false;
        cycle.outputName = answer.empty() ? settings_.seedFile : answer;
        const std::ofstream emptied(cycle.outputName, std::ios::out | std::ios::trunc);
        if (emptied.is_open()) return true;
        reportUnwritable(cycle.outputName, errno);
    }
}

void Launcher::reportUnwritable(const std::string& name, int error) {
    out_ << "Ne mogu zapisati u " << name << "!\nRazlog: " << std::strerror(error) << '\n';
}

bool Launcher::askCommand(const std::string& prompt, std::string& command) {
    std::string answer;
    if (!ask(prompt, answer)) return false;
    if (!answer.empty()) command = answer;
    return true;
}

Launcher::Next Launcher::generationLoop(Cycle& cycle) {
    for (;;) {
        int generation = 0;
        if (!askGeneration(cycle.generations, generation)) return Next::End;
        if (generation < 1) {
            cycle.input.close();
            return generation == 0 ? Next::Restart : Next::End;
        }
        std::string individual = findIndividual(cycle.input, generation);
        rewind(cycle.input);
        if (individual.empty()) {
            out_ << "Nema te generacije!\n";
            continue;
        }
        if (const int error = writeSeedFile(cycle, individual)) {
            reportUnwritable(cycle.outputName, error);
            continue;
        }
        out_ << "Zapisao u " << cycle.outputName << '\n';
        out_ << "Pokrecem " << settings_.testProgram << '\n';
        start(settings_.testProgram);
        if (!runEvaluation("\nPokreni provjeru (", settings_.evaluationProgram)) return Next::End;
        if (cycle.orMode && !runEvaluation("\nPokreni provjeru s OR rjesenjima (", settings_.orEvaluationProgram)) {
            return Next::End;
        }
    }
}

// An empty answer means the last generation; an answer without a number is asked again.
bool Launcher::askGeneration(int lastGeneration, int& generation) {
    std::string answer;
    for (;;) {
        if (!ask("Generacija (enter - zadnja, 0 - restart, -1 - kraj): ", answer)) return false;
        if (answer.empty()) {
            generation = lastGeneration;
            return true;
        }
        if (auto number = leadingInteger(answer)) {
            generation = *number;
            return true;
        }
    }
}

// Replaced whole in every pass, so that a kill or a full disk never leaves the test program a
// half-written seed. The system's error number when it cannot be written.
int Launcher::writeSeedFile(const Cycle& cycle, const std::string& individual) {
    std::ostringstream seed;
    writeSeed(seed, individual);
    return platform::replaceFile(cycle.outputName, seed.str());
}

// The answer runs once in place of the default and does not replace it.
bool Launcher::runEvaluation(const std::string& promptHead, const std::string& defaultCommand) {
    std::string answer;
    if (!ask(promptHead + defaultCommand + "): ", answer)) return false;
    start(answer.empty() ? defaultCommand : answer);
    return true;
}

// Our output is flushed first so that it stays ahead of what the started program prints.
void Launcher::start(const std::string& commandLine) {
    out_.flush();
    if (int error = launch_(commandLine))
        out_ << "CreateProcess failed (" << error << ").\nNe mogu pokrenuti " << commandLine << ": "
             << std::strerror(error) << '\n';
}

}  // namespace pomocni
