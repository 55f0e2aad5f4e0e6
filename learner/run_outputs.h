#pragma once

// What a learning run leaves behind, each an observer of its generations: the hall of fame that
// pomocni reads, the CSV log that the report draws, and the progress lines on standard output.
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

#include "fitness/collection.h"
#include "learner/evolution.h"

namespace gp {

// A file the run appends to generation by generation: flushed after each one and closed when the
// run ends. A write that does not reach it stops the run with a message naming it.
class AppendedFile {
protected:
    AppendedFile(std::FILE* file, const char* kind, std::string name)
        : file_(file), kind_(kind), name_(std::move(name)) {}
    ~AppendedFile() {
        if (file_) std::fclose(file_);
    }
    AppendedFile(const AppendedFile&) = delete;
    AppendedFile& operator=(const AppendedFile&) = delete;
    void flush() const;
    void close();

    std::FILE* file_;

private:
    const char* kind_;
    std::string name_;
};

// After every generation the marker "-- Generacija: G" and six lines about the best rule so far;
// the sixth is the rule in its XML form, which pomocni copies into its seed file. Flushed after
// every generation, so that pomocni can be used while a run goes on.
// With a validation collection the fitness line also names it and gives the rule's total there.
class HallOfFame : public RunObserver, private AppendedFile {
public:
    // Takes the file over and writes its first line, which names the run.
    HallOfFame(std::FILE* file, const Collection& collection, const Settings& settings, const std::string& criterion,
               const Collection* validation = nullptr);
    void generationDone(const GenerationSummary& summary) override;
    void runDone(const Outcome&) override { close(); }

private:
    const Environment environment_;
    const int sets_;
    const std::string criterion_;
    const std::string validationFolder_;
    const int validationSets_;
};

// One row per generation (learning_log::row), after the header; the validation column when the
// run has a validation collection.
class LearningLogFile : public RunObserver, private AppendedFile {
public:
    LearningLogFile(std::FILE* file, const std::string& name, bool validated);
    void generationDone(const GenerationSummary& summary) override;
    void runDone(const Outcome&) override { close(); }
};

// A line when the run starts, one per generation (best and mean fitness, size of the best, time so
// far and estimated time left) and the best rule with its totals at the end.
class ProgressLines : public RunObserver {
public:
    ProgressLines(const Collection& collection, const Settings& settings, const Evolution& evolution);
    void generationDone(const GenerationSummary& summary) override;
    void runDone(const Outcome& outcome) override;

private:
    const Settings& settings_;
    const Environment environment_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Opens both output files, emptied, or neither: when one cannot be written, the run ends with a
// message and the other is left as it was (an earlier run's hall of fame, say).
std::pair<std::FILE*, std::FILE*> openOutputFiles(const std::string& hallOfFame, const std::string& log);

// The validation collection the settings name: the definition file of the training collection's
// name in the validation folder, with its data files there. A collection of another environment,
// or one the evaluator would refuse, ends the run with a message.
Collection loadValidationCollection(const Settings& settings, Environment environment);

// A run with the learner's outputs: the hall of fame and the log, and the progress lines unless the
// settings silence them. What the settings leave open is resolved for the collection (resolveFor);
// that, the seeds and the validation collection are checked and read before any output is written.
Outcome evolve(const Collection& collection, Settings settings);

}  // namespace gp
