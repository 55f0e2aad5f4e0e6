#pragma once

// What a learning run leaves behind, each an observer of its generations: the hall of fame that
// pomocni reads, the CSV log that the report draws, and the progress lines on standard output.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fitness/collection.h"
#include "learner/checkpoint_format.h"
#include "learner/evolution.h"
#include "platform/platform.h"

namespace gp {

// How far a file the run appends to has come: its length and the hash of its bytes
// (checkpoint::hashOf), which a checkpoint keeps so that a resumed run can tell the file is the one
// it left and cut it back there.
struct FileMark {
    std::int64_t length = 0;
    std::uint64_t hash = checkpoint::kHashBasis;
};

// A file the run appends to generation by generation. Each generation's piece goes out in one
// write, so that a kill leaves the generations before it whole. A write that does not reach the
// file stops the run with a message naming it.
class AppendedFile {
public:
    // The header is the file's first piece, which names what follows.
    AppendedFile(const char* kind, std::string name, std::string header)
        : kind_(kind), name_(std::move(name)), header_(std::move(header)) {}
    // Opens the file without changing it; the system's error number, or 0.
    int open() { return file_.open(name_); }
    // Empties the file; its header goes before the first piece.
    void restart();
    // Cuts the file back to the mark, from where it grows again.
    void cutBackTo(const FileMark& mark);
    void append(std::string_view piece);
    void close();
    const FileMark& mark() const { return mark_; }
    const char* kind() const { return kind_; }
    const std::string& name() const { return name_; }

private:
    platform::AppendFile file_;
    const char* kind_;
    std::string name_;
    std::string header_;
    std::string unwritten_;  // the header, until the first piece
    FileMark mark_;
};

// After every generation the marker "-- Generacija: G" and six lines about the best rule so far;
// the sixth is the rule in its XML form, which pomocni copies into its seed file. Written out after
// every generation, so that pomocni can be used while a run goes on.
// With a validation collection the fitness line also names it and gives the rule's total there.
class HallOfFame : public RunObserver, public AppendedFile {
public:
    // Its header is one line that names the run.
    HallOfFame(const Collection& collection, const Settings& settings, const std::string& criterion,
               const Collection* validation = nullptr);
    void generationDone(const GenerationSummary& summary) override;
    void runDone(const Outcome&) override { close(); }

private:
    const Environment environment_;
    const int sets_;
    const std::string criterion_;
    const std::string validationFolder_;
    const int validationSets_;
    const bool resampled_;
    const int choiceSets_;  // the drawn sets that choose the rule; 0: the training collection chooses
};

// One row per generation (learning_log::row), after the header; the validation column when the
// run has a validation collection.
class LearningLogFile : public RunObserver, public AppendedFile {
public:
    LearningLogFile(const std::string& name, bool validated);
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
    const int firstGeneration_;  // the first this process makes
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Opens all the files or none: when one cannot be written, the run ends with a message and the
// others are left as they were (an earlier run's hall of fame, say). None is changed yet.
void openOutputFiles(const std::vector<AppendedFile*>& files);

// The validation collection the settings name: the definition file of the training collection's
// name in the validation folder, with its data files there. A collection of another environment,
// or one the evaluator would refuse, ends the run with a message.
Collection loadValidationCollection(const Settings& settings, Environment environment);

// A run with the learner's outputs: the hall of fame and the log, the progress lines unless the
// settings silence them, and the checkpoints the settings ask for; a run resumed from a checkpoint
// goes on where it stopped. What the settings leave open is resolved for the collection
// (resolveFor); that, the seeds and the validation collection are checked and read before any
// output is written.
Outcome evolve(const Collection& collection, Settings settings);

}  // namespace gp
