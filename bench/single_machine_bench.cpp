// Times the single-machine list scheduling (the suite's hot path: every candidate asked at every
// dispatch) and the criteria on an in-memory instance of 50 sets of 500 jobs with release times
// and setup times. Usage: single_machine_bench [sets] [jobs]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/random_source.h"
#include "fitness/single_machine.h"

namespace {

// Random but fixed data: processing times 1..100, release times up to half the expected
// makespan, due dates up to 20 % after the release plus the processing time, weights 1..10.
void fillInstance(Scheduler& s, int sets, int jobs) {
    s.environment = Single;
    s.hasReleaseTimes = 1;
    s.hasSetups = 1;
    s.hasWeights = 1;
    s.setupFactor = 0.5;
    s.jobCount.init(sets, 1);
    s.processingSum.init(sets, 1);
    s.processingTimes.init(sets, jobs);
    s.dueDates.init(sets, jobs);
    s.weights.init(sets, jobs);
    s.releaseTimes.init(sets, jobs);
    s.constraints.initZero(sets, jobs);
    RandomSource random(12345);
    const double horizon = jobs * 50.5;
    for (int i = 0; i < sets; ++i) {
        double sum = 0;
        s.jobCount.set(i, jobs);
        for (int j = 0; j < jobs; ++j) {
            const double p = 1 + random.draw() % 100;
            const double r = random.draw() % static_cast<int>(horizon / 2);
            s.processingTimes.set(i, j, p);
            s.releaseTimes.set(i, j, r);
            s.dueDates.set(i, j, r + p + random.draw() % static_cast<int>(horizon / 5));
            s.weights.set(i, j, 1 + random.draw() % 10);
            sum += p;
        }
        s.processingSum.set(i, sum);
    }
}

template <class Action>
double millisecondsOf(Action action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

template <auto Rule>
void timeRule(Scheduler& s, const char* name) {
    const double scheduling = millisecondsOf([&] { s.listScheduleSingle(RuleOf<Rule>{}); });
    double total = 0;
    const double criteria = millisecondsOf([&] { total = s.singleMachineCriteria(); });
    std::printf("%-9s list scheduling %9.2f ms   criteria %7.2f ms   Twt total %g\n", name, scheduling, criteria,
                total);
}

}  // namespace

int main(int argc, char** argv) {
    const int sets = argc > 1 ? std::atoi(argv[1]) : 50;
    const int jobs = argc > 2 ? std::atoi(argv[2]) : 500;
    if (sets < 1 || jobs < 2) {
        std::fprintf(stderr, "usage: single_machine_bench [sets >= 1] [jobs >= 2]\n");
        return 1;
    }
    Scheduler s;
    fillInstance(s, sets, jobs);
    std::printf("%d sets of %d jobs, release times and setups\n", sets, jobs);
    timeRule<&Scheduler::priorityEDD>(s, "EDD");
    timeRule<&Scheduler::priorityWSPT>(s, "WSPT");
    timeRule<&Scheduler::priorityRM>(s, "R&M");
    timeRule<&Scheduler::priorityXDRM>(s, "X-D R&M");
    timeRule<&Scheduler::priorityATCS>(s, "ATCS");
    return 0;
}
