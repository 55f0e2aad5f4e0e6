// Compares the cost per candidate of a rule written as an expression with the same rule built
// into the evaluator: the single-machine list scheduling with release times, R&M both ways, on
// the same in-memory instance. Usage: rule_expression_bench [sets] [jobs] [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_instances.h"
#include "fitness/rules.h"
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
long long candidatesOf(Workspace& work) {
    long long count = 0;
    Matrix schedule;
    listScheduleSingle(
        work,
        [&count](const ListDecision& at, int job) {
            ++count;
            return priorityRM(at, job);
        },
        schedule);
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
    const Collection collection = bench::singleMachineCollection(sets, jobs, false);
    Workspace work(collection);
    Matrix schedule;
    Matrix results;
    const long long candidates = candidatesOf(work);

    listScheduleSingle(work, RuleOf<priorityRM>{}, schedule);
    const double builtInTotal = singleMachineCriteria(work, schedule, results);
    const double builtIn =
        fastestNanoseconds(repetitions, [&] { listScheduleSingle(work, RuleOf<priorityRM>{}, schedule); });

    rules::CompiledRule rule(rules::parseInfix(kRM, Environment::Single), Environment::Single);
    listScheduleSingle(work, rules::RuleRef(rule), schedule);
    const double expressionTotal = singleMachineCriteria(work, schedule, results);
    const double expression =
        fastestNanoseconds(repetitions, [&] { listScheduleSingle(work, rules::RuleRef(rule), schedule); });

    std::printf("%d sets of %d jobs with release times, %lld candidates per run, fastest of %d runs\n", sets, jobs,
                candidates, repetitions);
    std::printf("built-in R&M   %7.2f ns per candidate   Twt total %g\n", builtIn / candidates, builtInTotal);
    std::printf("expression     %7.2f ns per candidate   Twt total %g\n", expression / candidates, expressionTotal);
    std::printf("ratio          %7.2f   (%s)\n", expression / builtIn, kRM);
    return builtInTotal == expressionTotal ? 0 : 2;
}
