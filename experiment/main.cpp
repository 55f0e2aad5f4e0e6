// experiment: the field's protocol in one command. Many seeded learner runs on a training
// collection, each run's final rule measured on a test collection (and a validation collection)
// with the evaluator's own code, the classical heuristics measured beside them, and the results
// summed up with statistics in OUT/runs.csv, OUT/sets.csv and OUT/summary.txt.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "core/fatal.h"
#include "experiment/engine.h"
#include "experiment/measurement.h"
#include "experiment/plan.h"
#include "experiment/runner.h"
#include "platform/platform.h"

namespace {

void addOptions(CLI::App& app, experiment::Plan& plan) {
    app.add_option("--train", plan.folders.training, "folder of the training collection (fitness.txt and its data)")
        ->required();
    app.add_option("--test", plan.folders.test, "folder of the test collection")->required();
    app.add_option("--validation", plan.folders.validation,
                   "folder of a validation collection: every run's final rule is the one best there (the "
                   "learner's --validation), and it is measured there too");
    app.add_option("--runs", plan.runs, "learner runs, run r with seed first-seed + r")
        ->capture_default_str()
        ->check(CLI::Range(1, 9999));
    app.add_option("--first-seed", plan.firstSeed, "seed of run 0")->capture_default_str();
    app.add_option("--jobs", plan.jobs, "runs at once, each learner on one thread (default: the machine's cores)")
        ->check(CLI::Range(1, 1024));
    app.add_option("--out", plan.out, "output folder: a folder per run, runs.csv, sets.csv, summary.txt")
        ->capture_default_str();
    app.add_flag("--resume", plan.resume, "continue the experiment in --out: run only the runs without a result");
    app.footer(
        "Learner options follow \"--\" and go to every run, e.g. -- --population 200 --generations 30. The "
        "experiment sets --seed, --threads, --collection and --validation itself and keeps each run's hall of "
        "fame, log and checkpoint under their default names, so --seed, --threads, --collection, --definition, "
        "--validation, --hof, --log, --rule, --test, --checkpoint and --resume are not taken there. A seed file "
        "(--seeds) is handed on by its full path.");
}

}  // namespace

int main(int argc, char** argv) {
    // Ours come before the first "--", the learner's after it.
    int ours = 1;
    while (ours < argc && std::string(argv[ours]) != "--") ++ours;
    experiment::Plan plan;
    const unsigned cores = std::thread::hardware_concurrency();
    plan.jobs = cores > 0 ? static_cast<int>(cores) : 1;
    CLI::App app{"experiment: runs the learner many times with successive seeds on a training collection, measures "
                 "each run's final rule on a test collection beside the classical heuristics, and sums up.",
                 "experiment"};
    addOptions(app, plan);
    try {
        app.parse(ours, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "experiment: %s\nRun \"experiment --help\" for the options.\n", error.what());
        return 1;
    }
    if (plan.firstSeed > std::numeric_limits<std::uint64_t>::max() - static_cast<std::uint64_t>(plan.runs - 1))
        fatalError("experiment: --first-seed leaves no room for the seeds of " + std::to_string(plan.runs) + " runs.");
    for (int i = ours + 1; i < argc; ++i) plan.learnerOptions.emplace_back(argv[i]);

    plan.learner = experiment::learnerBesideUs();
    const gp::Settings learner = experiment::checkLearnerOptions(plan);
    experiment::Measurement measurement(plan.folders, learner);
    experiment::prepareOutputFolder(plan);
    const std::vector<int> pending = experiment::pendingRuns(plan);
    std::printf("Experiment in %s: %d runs, %zu to run, %d at once\n", plan.out.c_str(), plan.runs, pending.size(),
                plan.jobs);
    std::fflush(stdout);
    const std::unique_ptr<experiment::Engine> engine = experiment::localEngine(plan.jobs);
    if (const int stop = experiment::runPending(plan, pending, measurement, *engine)) {
        std::fprintf(stderr, "experiment: stopped by signal %d; the finished runs are kept, and --resume runs the rest.\n",
                     stop);
        platform::endBySignal(stop);
    }
    return experiment::aggregate(plan, measurement) ? 0 : 1;
}
