// Times a fixed learning run with 1 and 2 threads: the default GP settings but for the
// population and generations given, seed 1, no preselection, and the same training sets every
// generation (an in-memory collection of single-machine sets with release times and weights, which
// has no definition to draw more from). Prints rule evaluations and candidates rated per second and
// the speed-up of 2 threads. The hall of fame and the log go to a temporary folder. With "plain"
// the run is plain GP (tournament selection, depth 6, no seeded classical rules), the run this
// benchmark timed before the single machine's defaults became lexicase selection, depth 10 and
// seeds, so that builds of either time can be compared on the same run.
// Usage: learning_bench [population] [generations] [sets] [jobs] [plain]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_instances.h"
#include "learner/run_outputs.h"

namespace {

struct Timing {
    double seconds;
    gp::Outcome outcome;
};

Timing timedRun(const Collection& collection, gp::Settings settings, int threads) {
    settings.threads = threads;
    const auto start = std::chrono::steady_clock::now();
    gp::Outcome outcome = gp::evolve(collection, settings);
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double>(end - start).count(), std::move(outcome)};
}

void print(int threads, const Timing& t) {
    std::printf("%d thread(s): %6.2f s  %8.0f rules/s  %6.2f M candidates/s  best Twt %g\n", threads, t.seconds,
                t.outcome.rulesMeasured / t.seconds, t.outcome.candidatesRated / t.seconds / 1e6,
                t.outcome.best.fitness);
}

}  // namespace

int main(int argc, char** argv) {
    gp::Settings settings;
    settings.population = argc > 1 ? std::atoi(argv[1]) : 200;
    settings.generations = argc > 2 ? std::atoi(argv[2]) : 50;
    const int sets = argc > 3 ? std::atoi(argv[3]) : 50;
    const int jobs = argc > 4 ? std::atoi(argv[4]) : 50;
    settings.seed = 1;
    settings.resample = false;  // the collection has no definition file to draw from
    settings.preselect = 1;     // every child is measured whole, as in the runs timed before preselection
    if (argc > 5 && std::string(argv[5]) == "plain") {
        settings.selection = "tournament";
        settings.maxDepth = 6;
        settings.seedClassical = false;
    }
    settings.showProgress = false;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "learning_bench";
    std::filesystem::create_directories(folder);
    settings.hallOfFame = (folder / "hof.txt").string();
    settings.log = (folder / "log.csv").string();
    settings.definition = "in-memory collection";
    if (!gp::settingsProblem(settings).empty() || sets < 1 || jobs < 2) {
        std::fprintf(stderr,
                     "usage: learning_bench [population >= 2] [generations >= 1] [sets >= 1] [jobs >= 2] [plain]\n");
        return 1;
    }
    const Collection collection = bench::singleMachineCollection(sets, jobs, false);
    std::printf("population %d, %d generations, %d sets of %d jobs with release times and weights\n",
                settings.population.value(), settings.generations.value(), sets, jobs);
    const Timing one = timedRun(collection, settings, 1);
    print(1, one);
    const Timing two = timedRun(collection, settings, 2);
    print(2, two);
    std::printf("speed-up of 2 threads: %.2fx%s\n", one.seconds / two.seconds,
                one.outcome.best.fitness == two.outcome.best.fitness ? "" : "  (the runs differ!)");
    return 0;
}
