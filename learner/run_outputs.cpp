#include "learner/run_outputs.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/output_files.h"
#include "core/fatal.h"
#include "core/learning_log.h"
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

constexpr const char* kHallOfFameKind = "Hall-of-fame file";
constexpr const char* kLogKind = "Log file";

}  // namespace

void AppendedFile::flush() const { flushOrStop(file_, kind_, name_); }

void AppendedFile::close() {
    std::FILE* file = file_;
    file_ = nullptr;
    closeOrStop(file, kind_, name_);
}

// A file made only to try it is removed again.
std::pair<std::FILE*, std::FILE*> openOutputFiles(const std::string& hallOfFame, const std::string& log) {
    const bool hallOfFameExisted = std::filesystem::exists(hallOfFame);
    std::FILE* first = std::fopen(hallOfFame.c_str(), "a");
    if (!first) cannotWrite(kHallOfFameKind, hallOfFame, errno);
    std::FILE* second = std::fopen(log.c_str(), "a");
    if (!second) {
        const int error = errno;
        std::fclose(first);
        if (!hallOfFameExisted) std::filesystem::remove(hallOfFame);
        cannotWrite(kLogKind, log, error);
    }
    // Both can be written: start them afresh.
    first = std::freopen(nullptr, "w", first);
    if (!first) cannotWrite(kHallOfFameKind, hallOfFame, errno);
    second = std::freopen(nullptr, "w", second);
    if (!second) cannotWrite(kLogKind, log, errno);
    return {first, second};
}

HallOfFame::HallOfFame(std::FILE* file, const Collection& collection, const Settings& settings,
                       const std::string& criterion, const Collection* validation)
    : AppendedFile(file, kHallOfFameKind, settings.hallOfFame), environment_(collection.environment),
      sets_(collection.sets()), criterion_(criterion), validationFolder_(validation ? validation->folder : ""),
      validationSets_(validation ? validation->sets() : 0) {
    std::fprintf(file_,
                 "# learner: best rule so far after each generation; %s on %d sets of %s, population %d, "
                 "%d generations, seed %llu\n",
                 criterion_.c_str(), sets_, collection.fileInFolder(settings.definition).c_str(), settings.population,
                 settings.generations,
                 static_cast<unsigned long long>(settings.seed));
}

void HallOfFame::generationDone(const GenerationSummary& summary) {
    const Individual& best = summary.best;
    std::fprintf(file_, "-- Generacija: %d\n", summary.generation);
    std::fprintf(file_, "fitness %g (%s total over %d sets", best.fitness, criterion_.c_str(), sets_);
    if (summary.validationTotal)
        std::fprintf(file_, "; chosen by the validation collection %s: %g over its %d sets", validationFolder_.c_str(),
                     *summary.validationTotal, validationSets_);
    std::fprintf(file_, ")\n");
    std::fprintf(file_, "size %d, depth %d\n", best.tree.size(), best.tree.depth());
    std::fprintf(file_, "rule %s\n", rules::toInfix(best.tree, environment_).c_str());
    std::fprintf(file_, "totals %s\n", totalsText(best.totals, environment_, ", ").c_str());
    std::fprintf(file_, "found in generation %d\n", best.generation);
    std::fprintf(file_, "%s\n", rules::toXml(best.tree, environment_).c_str());
    flush();
}

LearningLogFile::LearningLogFile(std::FILE* file, const std::string& name, bool validated)
    : AppendedFile(file, kLogKind, name) {
    std::fprintf(file_, "%s\n", learning_log::header(validated).c_str());
}

void LearningLogFile::generationDone(const GenerationSummary& summary) {
    const Individual& best = summary.generationBest;
    const std::string row = learning_log::row(summary.generation, best.fitness, summary.meanFitness, best.tree.size(),
                                              best.tree.depth(), summary.rulesMeasured, summary.validationTotal);
    std::fprintf(file_, "%s\n", row.c_str());
    flush();
}

ProgressLines::ProgressLines(const Collection& collection, const Settings& settings, const Evolution& evolution)
    : settings_(settings), environment_(collection.environment) {
    std::printf("Evolving rules for %s on %d sets: population %d, %d generations, seed %llu, %d thread(s)\n",
                evolution.criterion().c_str(), collection.sets(), settings.population, settings.generations,
                static_cast<unsigned long long>(settings.seed), evolution.threads());
}

void ProgressLines::generationDone(const GenerationSummary& summary) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double left = elapsed / summary.generation * (settings_.generations - summary.generation);
    std::printf("Generation %d/%d: best %g, mean %g, size %d", summary.generation, settings_.generations,
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

Outcome evolve(const Collection& collection, Settings settings) {
    const std::string problem = resolveFor(settings, collection.environment);
    if (!problem.empty()) fatalError("learner: " + problem);
    std::vector<rules::Tree> seeds = seedTrees(settings, collection.environment);
    std::optional<Collection> validation;
    if (!settings.validation.empty()) validation = loadValidationCollection(settings, collection.environment);
    const Collection* validating = validation ? &*validation : nullptr;
    const auto [hallOfFameFile, logFile] = openOutputFiles(settings.hallOfFame, settings.log);
    Evolution evolution(collection, settings, std::move(seeds), validating);
    HallOfFame hallOfFame(hallOfFameFile, collection, settings, evolution.criterion(), validating);
    LearningLogFile log(logFile, settings.log, validating != nullptr);
    std::vector<RunObserver*> observers = {&hallOfFame, &log};
    std::optional<ProgressLines> progress;
    if (settings.showProgress) observers.push_back(&progress.emplace(collection, settings, evolution));
    return evolution.run(observers);
}

}  // namespace gp
