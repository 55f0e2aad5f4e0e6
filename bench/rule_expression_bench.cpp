// Compares the cost per candidate of a rule written as an expression with the same rule built
// into the evaluator: the single-machine list scheduling with release times, R&M both ways, on
// the same in-memory instance. Usage: rule_expression_bench [sets] [jobs] [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_instances.h"
#include "fitness/single_machine.h"
#include "learner/compiled_rule.h"
#include "learner/rule_language.h"

namespace {

// R&M on one machine without setups, term for term as the evaluator computes it.
constexpr const char* kRM = "w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K))";

// The fastest of several runs, in nanoseconds.
template <class Action>
double fastestNanoseconds(int repetitions, Action action) {
    double fastest = 1e300;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        action();
        const auto end = std::chrono::steady_clock::now();
        fastest = std::min(fastest, std::chrono::duration<double, std::nano>(end - start).count());
    }
    return fastest;
}

// How often the dispatcher asks the rule for a priority on this instance.
long long candidatesOf(Scheduler& s) {
    long long count = 0;
    s.listScheduleSingle([&count](const Scheduler& sch, int set, int job, int previous, double time, int machine) {
        ++count;
        return sch.priorityRM(set, job, previous, time, machine);
    });
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const int sets = argc > 1 ? std::atoi(argv[1]) : 50;
    const int jobs = argc > 2 ? std::atoi(argv[2]) : 500;
    const int repetitions = argc > 3 ? std::atoi(argv[3]) : 7;
    if (sets < 1 || jobs < 2 || repetitions < 1) {
        std::fprintf(stderr, "usage: rule_expression_bench [sets >= 1] [jobs >= 2] [repetitions >= 1]\n");
        return 1;
    }
    Scheduler s;
    bench::fillSingleMachineInstance(s, sets, jobs, false);
    const long long candidates = candidatesOf(s);

    s.listScheduleSingle(RuleOf<&Scheduler::priorityRM>{});
    const double builtInTotal = s.singleMachineCriteria();
    const double builtIn =
        fastestNanoseconds(repetitions, [&] { s.listScheduleSingle(RuleOf<&Scheduler::priorityRM>{}); });

    rules::CompiledRule rule(rules::parseInfix(kRM, Single), Single);
    s.listScheduleSingle(rules::RuleRef(rule));
    const double expressionTotal = s.singleMachineCriteria();
    const double expression = fastestNanoseconds(repetitions, [&] { s.listScheduleSingle(rules::RuleRef(rule)); });

    std::printf("%d sets of %d jobs with release times, %lld candidates per run, fastest of %d runs\n", sets, jobs,
                candidates, repetitions);
    std::printf("built-in R&M   %7.2f ns per candidate   Twt total %g\n", builtIn / candidates, builtInTotal);
    std::printf("expression     %7.2f ns per candidate   Twt total %g\n", expression / candidates, expressionTotal);
    std::printf("ratio          %7.2f   (%s)\n", expression / builtIn, kRM);
    return builtInTotal == expressionTotal ? 0 : 2;
}
