#include "learner/run_outputs.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/output_files.h"
#include "core/fatal.h"
#include "core/learning_log.h"
#include "learner/checkpoint.h"
#include "learner/rule_xml.h"
#include "learner/seed_rules.h"

namespace gp {

namespace {

std::string totalsText(const std::vector<double>& totals, Environment environment, const char* separator) {
    const auto criteria = criteriaOf(environment);
    std::string text;
    char value[32];
    for (std::size_t c = 0; c < criteria.size() && c < totals.size(); ++c) {
        std::snprintf(value, sizeof value, "%g", totals[c]);
        if (c > 0) text += separator;
        text += std::string(criteria[c].name) + " " + value;
    }
    return text;
}

// printf's formatting into a string.
template <class... Values>
std::string formatted(const char* format, Values... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

constexpr const char* kHallOfFameKind = "Hall-of-fame file";
constexpr const char* kLogKind = "Log file";

}  // namespace

// The header goes out with the first generation's piece, in the same write.
void AppendedFile::restart() {
    if (const int error = file_.truncate(0)) cannotWrite(kind_, name_, error);
    mark_ = FileMark{};
    unwritten_ = header_;
}

void AppendedFile::cutBackTo(const FileMark& mark) {
    if (const int error = file_.truncate(mark.length)) cannotWrite(kind_, name_, error);
    mark_ = mark;
}

void AppendedFile::append(std::string_view piece) {
    unwritten_ += piece;
    if (const int error = file_.append(unwritten_)) cannotWrite(kind_, name_, error);
    mark_.length += static_cast<std::int64_t>(unwritten_.size());
    mark_.hash = checkpoint::hashOf(unwritten_, mark_.hash);
    unwritten_.clear();
}

void AppendedFile::close() {
    if (const int error = file_.close()) cannotWrite(kind_, name_, error);
}

// A file made only to try it is removed again.
void openOutputFiles(const std::vector<AppendedFile*>& files) {
    std::vector<std::string> made;
    for (AppendedFile* file : files) {
        const bool existed = std::filesystem::exists(file->name());
        if (const int error = file->open()) {
            for (const std::string& name : made) std::filesystem::remove(name);
            cannotWrite(file->kind(), file->name(), error);
        }
        if (!existed) made.push_back(file->name());
    }
}

HallOfFame::HallOfFame(const Collection& collection, const Settings& settings, const std::string& criterion,
                       const Collection* validation)
    : AppendedFile(kHallOfFameKind, settings.hallOfFame,
                   formatted("# learner: best rule so far after each generation; %s on %d sets of %s, population %d, "
                             "%d generations, seed %llu\n",
                             criterion.c_str(), collection.sets(), collection.fileInFolder(settings.definition).c_str(),
                             settings.population.value(), *settings.generations,
                             static_cast<unsigned long long>(settings.seed))),
      environment_(collection.environment),
      sets_(collection.sets()),
      criterion_(criterion),
      validationFolder_(validation ? validation->folder : ""),
      validationSets_(validation ? validation->sets() : 0),
      resampled_(*settings.resample),
      choiceSets_(resampled_ && !validation ? settings.choiceDraws * collection.sets() : 0) {}

void HallOfFame::generationDone(const GenerationSummary& summary) {
    const Individual& best = summary.best;
    std::string block = formatted("-- Generacija: %d\n", summary.generation);
    block += formatted("fitness %g (%s total over %d sets", best.fitness, criterion_.c_str(), sets_);
    if (resampled_ && !summary.validationTotal) block += "; each generation after the first measured on sets drawn afresh";
    if (choiceSets_ > 0) block += formatted(", the rule chosen on %d sets drawn for the run", choiceSets_);
    if (summary.validationTotal)
        block += formatted("; chosen by the validation collection %s: %g over its %d sets", validationFolder_.c_str(),
                           *summary.validationTotal, validationSets_);
    block += ")\n";
    block += formatted("size %d, depth %d\n", best.tree.size(), best.tree.depth());
    block += "rule " + rules::toInfix(best.tree, environment_) + "\n";
    block += "totals " + totalsText(best.totals, environment_, ", ") + "\n";
    block += formatted("found in generation %d\n", best.generation);
    block += rules::toXml(best.tree, environment_) + "\n";
    append(block);
}

LearningLogFile::LearningLogFile(const std::string& name, bool validated)
    : AppendedFile(kLogKind, name, learning_log::header(validated) + "\n") {}

void LearningLogFile::generationDone(const GenerationSummary& summary) {
    const Individual& best = summary.generationBest;
    const std::string row = learning_log::row(summary.generation, best.fitness, summary.meanFitness, best.tree.size(),
                                              best.tree.depth(), summary.rulesMeasured, summary.validationTotal);
    append(row + "\n");
}

ProgressLines::ProgressLines(const Collection& collection, const Settings& settings, const Evolution& evolution)
    : settings_(settings), environment_(collection.environment), firstGeneration_(evolution.generation() + 1) {
    std::printf("Evolving rules for %s on %d sets: population %d, %d generations, seed %llu, %d thread(s)\n",
                evolution.criterion().c_str(), collection.sets(), settings.population.value(), *settings.generations,
                static_cast<unsigned long long>(settings.seed), evolution.threads());
    if (firstGeneration_ > 1)
        std::printf("Going on after generation %d from checkpoint %s\n", firstGeneration_ - 1, settings.resume.c_str());
}

void ProgressLines::generationDone(const GenerationSummary& summary) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double left =
        elapsed / (summary.generation - firstGeneration_ + 1) * (*settings_.generations - summary.generation);
    std::printf("Generation %d/%d: best %g, mean %g, size %d", summary.generation, *settings_.generations,
                summary.best.fitness, summary.meanFitness, summary.best.tree.size());
    if (summary.validationTotal) std::printf(", validation %g", *summary.validationTotal);
    std::printf(", %.1f s, about %.0f s left\n", elapsed, left);
    std::fflush(stdout);
}

void ProgressLines::runDone(const Outcome& outcome) {
    const Individual& best = outcome.best;
    std::printf("Best rule (found in generation %d): %s\n", best.generation,
                rules::toInfix(best.tree, environment_).c_str());
    const auto criteria = criteriaOf(environment_);
    for (std::size_t c = 0; c < criteria.size(); ++c)
        std::printf("%.*s: %g\n", static_cast<int>(criteria[c].name.size()), criteria[c].name.data(),
                    best.totals[c]);
    std::printf("Hall of fame: %s; log: %s; %zu rules measured, %llu candidates rated\n",
                settings_.hallOfFame.c_str(), settings_.log.c_str(), outcome.rulesMeasured,
                static_cast<unsigned long long>(outcome.candidatesRated));
}

Collection loadValidationCollection(const Settings& settings, Environment environment) {
    Collection validation = loadCollection(settings.definition, settings.validation, EnvironmentLine::Silent);
    if (validation.environment != environment)
        fatalError("learner: the validation collection \"" + settings.validation + "\" is of the " +
                   std::string(namesOf(validation.environment).adjective) + " environment, the training collection of the " +
                   std::string(namesOf(environment).adjective) + " one; both must be of one environment.");
    return validation;
}

// A resumed run does not read its seeds again: its first generation is behind it.
Outcome evolve(const Collection& collection, Settings settings) {
    const std::string problem = resolveFor(settings, collection);
    if (!problem.empty()) fatalError("learner: " + problem);
    std::optional<SavedRun> saved;
    if (!settings.resume.empty()) saved.emplace(settings.resume, collection.environment, settings);
    std::vector<rules::Tree> seeds;
    if (!saved) seeds = seedTrees(settings, collection.environment);
    std::optional<Collection> validation;
    if (!settings.validation.empty()) validation = loadValidationCollection(settings, collection.environment);
    const Collection* validating = validation ? &*validation : nullptr;
    Evolution evolution(collection, settings, std::move(seeds), validating);
    if (saved) saved->restore(evolution);
    HallOfFame hallOfFame(collection, settings, evolution.criterion(), validating);
    LearningLogFile log(settings.log, validating != nullptr);
    AppendedFile rules(kRuleFileKind, ruleFileOf(settings.checkpoint), ruleFileHeader());
    std::vector<AppendedFile*> files = {&hallOfFame, &log};
    if (!settings.checkpoint.empty()) files.push_back(&rules);
    if (saved) saved->requireFiles(files);
    openOutputFiles(files);
    if (saved)
        saved->cutBack(files);
    else
        for (AppendedFile* file : files) file->restart();
    saved.reset();
    std::vector<RunObserver*> observers = {&hallOfFame, &log};
    std::optional<ProgressLines> progress;
    if (settings.showProgress) observers.push_back(&progress.emplace(collection, settings, evolution));
    std::optional<CheckpointFile> checkpoints;
    if (!settings.checkpoint.empty())
        observers.push_back(&checkpoints.emplace(settings, evolution, hallOfFame, log, rules, collection.environment));
    return evolution.run(observers);
}

}  // namespace gp
