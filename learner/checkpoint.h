#pragma once

// A learning run's checkpoints. After every --checkpoint-every-th generation, after the last one,
// and after the one in which a stop signal came, the state of the run goes to the checkpoint file,
// which is replaced whole (a temporary file renamed over it), so that a kill leaves the old
// checkpoint or the new one. The rules measured so far, which the run remembers, would make it
// grow with every generation; they go to the rule file beside it (ruleFileOf), which grows by the
// rules measured since the checkpoint before, as the hall of fame and the log grow by their
// generations. --resume reads them back, cuts the three growing files back to where the
// checkpoint left them, and the run goes on to the same hall of fame and log as a run never
// stopped, on any number of threads.
//
// The checkpoint is text: "learner checkpoint <version>", the options the run's results depend
// on, how far the hall of fame, the log and the rule file had come (length and hash), the
// evolution's state (Evolution::save, in the items of checkpoint_format.h), and last "end" with
// the hash of all that comes before it. The rule file is its first line and "rule" items.
#include <string>
#include <utility>
#include <vector>

#include "learner/checkpoint_format.h"
#include "learner/evolution.h"
#include "learner/run_outputs.h"
#include "learner/settings.h"

namespace gp {

inline constexpr int kCheckpointVersion = 1;
// How messages name the checkpoint and its rule file.
inline constexpr const char* kCheckpointKind = "Checkpoint";
inline constexpr const char* kRuleFileKind = "Rule file";

// The rule file's first line.
std::string ruleFileHeader();

// Writes the run's checkpoints; after the generation in which a stop signal came (and its
// checkpoint) it ends the run by that signal, with a line that says how to go on. Observes after
// the hall of fame and the log, whose generation it then counts in.
class CheckpointFile : public RunObserver {
public:
    CheckpointFile(const Settings& settings, Evolution& evolution, const AppendedFile& hallOfFame,
                   const AppendedFile& log, AppendedFile& rules, Environment environment);
    void generationDone(const GenerationSummary& summary) override;

private:
    const Settings& settings_;
    Evolution& evolution_;
    const AppendedFile& hallOfFame_;
    const AppendedFile& log_;
    AppendedFile& rules_;
    const Environment environment_;

    void write();
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
    // Takes the evolution's state back, with the rules of the rule file.
    void restore(Evolution& evolution);
    // The hall of fame, the log and the rule file must hold the bytes the checkpoint knew, up to
    // where it left them; checked before they are opened. Then they are cut back to there.
    void requireFiles(const std::vector<AppendedFile*>& files) const;
    void cutBack(const std::vector<AppendedFile*>& files) const;

private:
    std::string file_;
    Environment environment_;
    std::string text_;
    checkpoint::Reader reader_;
    std::vector<std::pair<std::string, std::string>> options_;
    std::vector<FileMark> marks_;  // of the hall of fame, the log and the rule file

    [[noreturn]] void refuse(const std::string& what) const;
    std::string_view body();
    void readHead();
    void agreeWith(Settings& settings) const;
    std::string startOf(const std::string& file, const char* kind, const FileMark& mark) const;
};

}  // namespace gp
