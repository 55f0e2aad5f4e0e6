#include "learner/checkpoint.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "core/fatal.h"
#include "core/output_files.h"
#include "platform/platform.h"

namespace gp {

namespace {

constexpr std::string_view kFirstWords = "learner checkpoint ";

// An option's value on one line of the checkpoint.
std::string oneLine(const std::string& value) {
    std::string text;
    for (const char c : value) text += c == '\n' ? "\\n" : c == '\\' ? "\\\\" : std::string(1, c);
    return text;
}

// Every option the run's results depend on, as resolved for the collection: not --threads, nor
// where checkpoints go.
std::vector<std::pair<std::string, std::string>> resultOptions(const Settings& s) {
    const auto number = [](auto value) { return std::to_string(value); };
    return {{"--population", number(s.population.value())},
            {"--generations", number(s.generations.value())},
            {"--tournament", number(s.tournament)},
            {"--crossover", rules::constantText(s.crossover)},
            {"--mutation", rules::constantText(s.mutation)},
            {"--reproduction", rules::constantText(s.reproduction)},
            {"--elitism", number(s.elitism)},
            {"--max-depth", number(s.maxDepth.value_or(0))},
            {"--init-min-depth", number(s.initMinDepth)},
            {"--init-max-depth", number(s.initMaxDepth)},
            {"--mutation-depth", number(s.mutationDepth)},
            {"--functions", oneLine(s.functions)},
            {"--seed", number(s.seed)},
            {"--criterion", oneLine(s.criterion)},
            {"--scheme", oneLine(s.scheme)},
            {"--selection", oneLine(s.selection)},
            {"--seed-classical", s.seedClassical ? "yes" : "no"},
            {"--seeds", oneLine(s.seedsFile)},
            {"--validation", oneLine(s.validation)},
            {"--resample", s.resample.value() ? "yes" : "no"},
            {"--choice-draws", number(s.choiceDraws)},
            {"--preselect", number(s.preselect.value())},
            {"--definition", oneLine(s.definition)},
            {"--collection", oneLine(s.collection)},
            {"--hof", oneLine(s.hallOfFame)},
            {"--log", oneLine(s.log)}};
}

const char* const kMarks[] = {"hall-of-fame", "log", "rules"};

void writeMark(checkpoint::Writer& out, const char* key, const FileMark& mark) {
    out.item(key);
    out.number(static_cast<std::uint64_t>(mark.length));
    out.number(mark.hash);
}

FileMark readMark(checkpoint::Reader& in, const char* key) {
    in.item(key);
    FileMark mark;
    const std::uint64_t length = in.number();
    if (length > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) in.fail("no file is that long.");
    mark.length = static_cast<std::int64_t>(length);
    mark.hash = in.number();
    in.done();
    return mark;
}

std::string readWhole(const std::string& file) {
    std::error_code ignored;
    if (std::filesystem::is_directory(file, ignored)) fatalError(fileProblem(kCheckpointKind, file, "read", EISDIR));
    std::ifstream in(file, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || in.bad()) fatalError(fileProblem(kCheckpointKind, file, "read", errno != 0 ? errno : EIO));
    return text;
}

}  // namespace

std::string ruleFileHeader() {
    return "# learner: the rules measured by the run of checkpoint format " + std::to_string(kCheckpointVersion) + "\n";
}

CheckpointFile::CheckpointFile(const Settings& settings, Evolution& evolution, const AppendedFile& hallOfFame,
                               const AppendedFile& log, AppendedFile& rules, Environment environment)
    : settings_(settings),
      evolution_(evolution),
      hallOfFame_(hallOfFame),
      log_(log),
      rules_(rules),
      environment_(environment) {
    platform::catchStopSignals();
}

void CheckpointFile::generationDone(const GenerationSummary& summary) {
    const int stop = platform::caughtStopSignal();
    const bool last = summary.generation == *settings_.generations;
    if (stop == 0 && !last && summary.generation % settings_.checkpointEvery != 0) return;
    write();
    if (stop == 0 || last) return;
    std::fflush(stdout);
    std::fprintf(stderr,
                 "learner: stopped by signal %d (%s) after generation %d of %d; checkpoint \"%s\" holds the run, and "
                 "the same command with --resume \"%s\" goes on with it.\n",
                 stop, strsignal(stop), summary.generation, *settings_.generations, settings_.checkpoint.c_str(),
                 settings_.checkpoint.c_str());
    platform::endBySignal(stop);
}

// The rule file first: a checkpoint never names more of it than is there.
void CheckpointFile::write() {
    checkpoint::Writer state(environment_);
    checkpoint::Writer newRules(environment_);
    evolution_.save(state, newRules);
    if (!newRules.text().empty()) rules_.append(newRules.text() + "\n");
    checkpoint::Writer out(environment_);
    out.item(std::string(kFirstWords) + std::to_string(kCheckpointVersion));
    const auto options = resultOptions(settings_);
    out.item("options");
    out.number(options.size());
    for (const auto& [name, value] : options) {
        out.item("option");
        out.word(name);
        out.word(value);
    }
    const FileMark marks[] = {hallOfFame_.mark(), log_.mark(), rules_.mark()};
    for (int i = 0; i < 3; ++i) writeMark(out, kMarks[i], marks[i]);
    std::string& text = out.text();
    ((text += '\n') += state.text()) += '\n';
    text += "end " + std::to_string(checkpoint::hashOf(text)) + "\n";
    writeWholeFile(settings_.checkpoint, text, kCheckpointKind);
}

SavedRun::SavedRun(const std::string& file, Environment environment, Settings& settings)
    : file_(file), environment_(environment), text_(readWhole(file)), reader_(body(), environment, 2) {
    try {
        readHead();
    } catch (const checkpoint::Damaged& damage) {
        refuse(std::string("is damaged: ") + damage.what());
    }
    agreeWith(settings);
}

void SavedRun::refuse(const std::string& what) const {
    fatalError(std::string(kCheckpointKind) + " \"" + file_ + "\" " + what);
}

// What lies between the first line and the end line, once they show a whole checkpoint of ours.
std::string_view SavedRun::body() {
    const std::string_view text(text_);
    const std::size_t firstEnd = text.find('\n');
    const std::string_view first = text.substr(0, firstEnd);
    if (!first.starts_with(kFirstWords)) refuse("is not a learner checkpoint.");
    const std::string_view version = first.substr(kFirstWords.size());
    if (version != std::to_string(kCheckpointVersion))
        refuse("is of format version " + std::string(version) + "; this learner reads version " +
               std::to_string(kCheckpointVersion) + ".");
    const std::size_t lastStart = text.size() < 2 ? 0 : text.rfind('\n', text.size() - 2) + 1;
    const std::string_view last = text.substr(lastStart);
    if (firstEnd == std::string_view::npos || !text.ends_with('\n') || !last.starts_with("end ") ||
        last.substr(4, last.size() - 5) != std::to_string(checkpoint::hashOf(text.substr(0, lastStart))))
        refuse("is damaged: it is cut short, or its contents do not match the hash on its last line.");
    return lastStart > firstEnd + 1 ? text.substr(firstEnd + 1, lastStart - 1 - (firstEnd + 1)) : std::string_view();
}

void SavedRun::readHead() {
    reader_.item("options");
    options_.resize(static_cast<std::size_t>(reader_.count(1000)));
    reader_.done();
    for (auto& [name, value] : options_) {
        reader_.item("option");
        name = reader_.word();
        value = reader_.rest();
    }
    for (const char* key : kMarks) marks_.push_back(readMark(reader_, key));
    // A run checkpointed before an option existed ran as `value` says; the option's line goes
    // after that of the option before it.
    const auto named = [this](const char* name) {
        return std::find_if(options_.begin(), options_.end(),
                            [name](const auto& option) { return option.first == name; });
    };
    const auto ranAs = [&](const char* name, const char* value, const char* after) {
        const auto before = named(after);
        if (named(name) == options_.end() && before != options_.end()) options_.insert(before + 1, {name, value});
    };
    ranAs("--resample", "no", "--validation");
    ranAs("--choice-draws", "0", "--resample");
    ranAs("--preselect", "1", "--choice-draws");
}

void SavedRun::agreeWith(Settings& settings) const {
    if (settings.seedFromClock)
        for (const auto& [name, value] : options_)
            if (name == "--seed") settings.seed = std::strtoull(value.c_str(), nullptr, 10);
    const auto shown = [](const std::string& value) { return value.empty() ? std::string("none") : value; };
    const auto here = resultOptions(settings);
    for (std::size_t i = 0; i < here.size() || i < options_.size(); ++i) {
        if (i >= here.size() || i >= options_.size() || here[i].first != options_[i].first)
            refuse("was written by a learner with other options.");
        if (here[i].second != options_[i].second)
            refuse("is of a run with " + here[i].first + " " + shown(options_[i].second) + "; this run has " +
                   here[i].first + " " + shown(here[i].second) + ".");
    }
}

void SavedRun::restore(Evolution& evolution) {
    const std::string rules = ruleFileOf(file_);
    const std::string text = startOf(rules, kRuleFileKind, marks_[2]);
    const std::string header = ruleFileHeader();
    if (!text.starts_with(header)) refuse("has a rule file \"" + rules + "\" of another format.");
    checkpoint::Reader ruleReader(std::string_view(text).substr(header.size()), environment_, 2,
                                  "its rule file \"" + rules + "\", line");
    try {
        evolution.restore(reader_, ruleReader);
        if (!reader_.atEnd()) reader_.fail("more follows the run's state.");
    } catch (const checkpoint::Damaged& damage) {
        refuse(std::string("is damaged: ") + damage.what());
    }
}

// The file's first bytes up to the mark, which must be those the checkpoint knew.
std::string SavedRun::startOf(const std::string& file, const char* kind, const FileMark& mark) const {
    std::string named = "the " + std::string(kind) + " \"" + file + "\"";
    named[4] = static_cast<char>(std::tolower(static_cast<unsigned char>(named[4])));
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) refuse("goes on from " + named + ", which cannot be read: " + error.message() + ".");
    if (size < static_cast<std::uintmax_t>(mark.length))
        refuse("goes on from byte " + std::to_string(mark.length) + " of " + named + ", which is shorter.");
    std::ifstream in(file, std::ios::binary);
    std::string start(static_cast<std::size_t>(mark.length), '\0');
    in.read(start.data(), mark.length);
    if (in.gcount() != mark.length || checkpoint::hashOf(start) != mark.hash)
        refuse("does not go on from " + named + ": its first " + std::to_string(mark.length) +
               " bytes are not the ones the checkpoint knew.");
    return start;
}

void SavedRun::requireFiles(const std::vector<AppendedFile*>& files) const {
    for (std::size_t i = 0; i < files.size(); ++i) startOf(files[i]->name(), files[i]->kind(), marks_[i]);
}

void SavedRun::cutBack(const std::vector<AppendedFile*>& files) const {
    for (std::size_t i = 0; i < files.size(); ++i) files[i]->cutBackTo(marks_[i]);
}

}  // namespace gp
