#pragma once

// A learning run's checkpoints. After every --checkpoint-every-th generation, after the last one,
// and after the one in which a stop signal came, the whole state of the run goes to the checkpoint
// file, which is replaced whole (a temporary file renamed over it), so that a kill leaves the old
// checkpoint or the new one. --resume reads it back, and the run goes on to the same hall of fame
// and log as a run never stopped, on any number of threads.
//
// The file is text: "learner checkpoint <version>", the options the run's results depend on, how
// far the hall of fame and the log had come (length and hash), the evolution's state
// (Evolution::save, in the items of checkpoint_format.h), and last "end" with the hash of all
// that comes before it.
#include <string>
#include <utility>
#include <vector>

#include "learner/checkpoint_format.h"
#include "learner/evolution.h"
#include "learner/run_outputs.h"
#include "learner/settings.h"

namespace gp {

inline constexpr int kCheckpointVersion = 1;

// Writes the run's checkpoints; after the generation in which a stop signal came (and its
// checkpoint) it ends the run by that signal, with a line that says how to go on. Observes after
// the hall of fame and the log, whose generation it then counts in.
class CheckpointFile : public RunObserver {
public:
    CheckpointFile(const Settings& settings, const Evolution& evolution, const AppendedFile& hallOfFame,
                   const AppendedFile& log, Environment environment);
    void generationDone(const GenerationSummary& summary) override;

private:
    const Settings& settings_;
    const Evolution& evolution_;
    const AppendedFile& hallOfFame_;
    const AppendedFile& log_;
    const Environment environment_;

    void write() const;
};

// A checkpoint read back for --resume. Each refusal ends the run with one message that names the
// file and what does not match, and exit status 1, before any output is changed.
class SavedRun {
public:
    // Reads the file; it must be a whole checkpoint of this format version, of a run with these
    // settings (resolved for the collection). A seed that came from the clock becomes its seed.
    SavedRun(const std::string& file, Environment environment, Settings& settings);
    SavedRun(const SavedRun&) = delete;
    SavedRun& operator=(const SavedRun&) = delete;
    // Takes the evolution's state back.
    void restore(Evolution& evolution);
    // Cuts both files back to where the checkpoint left them, once each is found to hold the bytes
    // the checkpoint knew up to there.
    void continueFiles(AppendedFile& hallOfFame, AppendedFile& log) const;

private:
    std::string file_;
    std::string text_;
    checkpoint::Reader reader_;
    std::vector<std::pair<std::string, std::string>> options_;
    FileMark hallOfFame_;
    FileMark log_;

    [[noreturn]] void refuse(const std::string& what) const;
    std::string_view body();
    void readHead();
    void agreeWith(Settings& settings) const;
    void requireContinues(const AppendedFile& file, const FileMark& mark) const;
};

}  // namespace gp
