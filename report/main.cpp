// report: writes one self-contained HTML page about the evaluation in the working folder (the one
// holding fitness.txt, its data and, when the learner has written it, raspored_GP.txt): totals and
// dominance shares of every heuristic and GP, per-set comparisons, Gantt charts of chosen sets
// and, when a learner log is there, the fitness per generation; with --experiment, an experiment's
// runs, statistics and learning curves.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "core/learning_log.h"
#include "fitness/collection.h"
#include "report/evaluation.h"
#include "report/page.h"

int main(int argc, char** argv) {
    CLI::App app{"Writes an HTML report of the evaluation in the working folder: totals and dominance shares of "
                 "every heuristic and GP, per-set comparisons, Gantt charts and the learner's progress.",
                 "report"};
    std::string out = "report.html";
    std::string sets = "0";
    std::string logFile;
    std::string experimentFolder;
    app.add_option("-o,--out", out, "The page to write")->capture_default_str();
    app.add_option("-s,--sets", sets, "Sets whose schedules are drawn, numbers separated by commas (e.g. 0,3,7)")
        ->capture_default_str();
    app.add_option("-l,--log", logFile,
                   std::string("Learner log for the fitness chart (default: ") + learning_log::kDefaultFile +
                       " when the folder has it)");
    app.add_option("-e,--experiment", experimentFolder,
                   "Output folder of an experiment on this collection: adds its runs, statistics and learning curves");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "report: %s\nRun \"report --help\" for the options.\n", error.what());
        return 1;
    }

    const std::vector<int> chosen = report::parseSetList(sets);
    std::optional<learning_log::LearnerLog> log;
    if (!logFile.empty())
        log = learning_log::readLearnerLog(logFile);
    else if (std::filesystem::exists(learning_log::kDefaultFile))
        log = learning_log::readLearnerLog(learning_log::kDefaultFile);

    std::optional<report::ExperimentView> experiment;
    if (!experimentFolder.empty()) experiment = report::readExperimentView(experimentFolder);

    Collection collection;
    if (!readCollection(collection, "fitness.txt")) return 1;  // the evaluator has said why
    report::requireSetsInCollection(chosen, collection.sets());
    prepareCollection(collection);
    const report::Evaluation evaluation = report::evaluate(collection, chosen);
    const std::string folder = std::filesystem::current_path().filename().string();
    report::writePage(out, report::renderPage(evaluation, {folder, log ? &*log : nullptr,
                                                           experiment ? &*experiment : nullptr}));
    std::printf("Report written to %s\n", out.c_str());
    return 0;
}
