// Times the single-machine list scheduling (the suite's hot path: every candidate asked at every
// dispatch) and the criteria on an in-memory instance of 50 sets of 500 jobs with release times
// and setup times. Usage: single_machine_bench [sets] [jobs]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_instances.h"
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
    bench::fillSingleMachineInstance(s, sets, jobs, true);
    std::printf("%d sets of %d jobs, release times and setups\n", sets, jobs);
    timeRule<&Scheduler::priorityEDD>(s, "EDD");
    timeRule<&Scheduler::priorityWSPT>(s, "WSPT");
    timeRule<&Scheduler::priorityRM>(s, "R&M");
    timeRule<&Scheduler::priorityXDRM>(s, "X-D R&M");
    timeRule<&Scheduler::priorityATCS>(s, "ATCS");
    return 0;
}
