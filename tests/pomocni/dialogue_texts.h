#pragma once

// The launcher's texts as the users know them, spelled out here independently of the program,
// and small builders for hall-of-fame files and expected transcripts.

#include <string>
#include <utility>
#include <vector>

namespace dialogue {

inline const std::string banner =
    " -- Program za automatsku evaluaciju jedinke genetskog programiranja (za OBeagle):\n"
    " 1. cita datoteku s rjesenjima (HoF output) i uzima rjesenje iz zadane generacije\n"
    " 2. kopira ga u izlazni seed fajl (seed.obm)\n"
    " 3. pokrece beagle (test.bat) za testiranje rjesenja\n"
    " 4. pokrece program za ocjenu (evaluacija.exe) i usporedbu\n\n";

inline const std::string inputPrompt = "Ulazni fajl: ";
inline const std::string outputPrompt = "Izlazni fajl (seed.obm): ";
inline const std::string orPrompt = "OR rjesenja (enter - ne, <> - da): ";
inline const std::string generationPrompt = "Generacija (enter - zadnja, 0 - restart, -1 - kraj): ";
inline const std::string noGeneration = "Nema te generacije!\n";

inline std::string testPrompt(const std::string& command) { return "Test program (" + command + "): "; }
inline std::string evaluationPrompt(const std::string& command) {
    return "Program za evaluaciju (" + command + "): ";
}

// The prompts of one set-up cycle, answered, ending with the generation count.
inline std::string setUp(const std::string& test, const std::string& evaluation, int generations) {
    return inputPrompt + outputPrompt + testPrompt(test) + evaluationPrompt(evaluation) + orPrompt +
           "Broj generacija: " + std::to_string(generations) + "\n";
}

// What one pass prints from "Zapisao u" to the evaluation prompt, without any launch failure.
inline std::string pass(const std::string& output, const std::string& test, const std::string& evaluation) {
    return "Zapisao u " + output + "\nPokrecem " + test + "\n\nPokreni provjeru (" + evaluation + "): ";
}

// A command that is not there: the system's error number, then the command and the reason.
inline std::string notStarted(const std::string& command) {
    return "CreateProcess failed (2).\nNe mogu pokrenuti " + command + ": No such file or directory\n";
}

inline std::string orCheck(const std::string& command) {
    return "\nPokreni provjeru s OR rjesenjima (" + command + "): ";
}

inline std::string seedFile(const std::string& individual) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Beagle>\n<Seeds>\n<Individual>\n" + individual +
           "\n</Individual>\n</Seeds>\n</Beagle>\n";
}

// A hall-of-fame file as a learning run writes it: each generation's marker, five lines of
// statistics and the individual on the sixth line.
inline std::string hallOfFame(const std::vector<std::pair<int, std::string>>& generations) {
    std::string text = "<?xml version=\"1.0\"?>\n";
    for (const auto& [generation, individual] : generations) {
        text += "-- Generacija: " + std::to_string(generation) + "\n";
        text += "<HallOfFame size=\"1\">\n<Member generation=\"" + std::to_string(generation) + "\">\n";
        text += "<Fitness>0.5</Fitness>\n<Size>7</Size>\n<Depth>3</Depth>\n";
        text += individual + "\n</Member>\n</HallOfFame>\n";
    }
    return text;
}

// Console input: one line per answer.
inline std::string lines(const std::vector<std::string>& answers) {
    std::string text;
    for (const std::string& answer : answers) text += answer + "\n";
    return text;
}

}  // namespace dialogue
