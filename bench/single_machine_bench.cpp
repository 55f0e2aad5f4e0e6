// Times the single-machine list scheduling (the suite's hot path: every candidate asked at every
// dispatch) and the criteria on an in-memory instance of 50 sets of 500 jobs with release times
// and setup times. Usage: single_machine_bench [sets] [jobs]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_instances.h"
#include "fitness/rules.h"
#include "fitness/single_machine.h"

namespace {

template <class Action>
double millisecondsOf(Action action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

template <auto Rule>
void timeRule(Workspace& work, const char* name) {
    Matrix schedule;
    Matrix results;
    const double scheduling = millisecondsOf([&] { listScheduleSingle(work, RuleOf<Rule>{}, schedule); });
    double total = 0;
    const double criteria = millisecondsOf([&] { total = singleMachineCriteria(work, schedule, results); });
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
    const Collection collection = bench::singleMachineCollection(sets, jobs, true);
    Workspace work(collection);
    std::printf("%d sets of %d jobs, release times and setups\n", sets, jobs);
    timeRule<priorityEDD>(work, "EDD");
    timeRule<priorityWSPT>(work, "WSPT");
    timeRule<priorityRM>(work, "R&M");
    timeRule<priorityXDRM>(work, "X-D R&M");
    timeRule<priorityATCS>(work, "ATCS");
    return 0;
}
