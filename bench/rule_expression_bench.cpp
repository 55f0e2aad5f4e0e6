// Compares the cost per candidate of a rule written as an expression with the same rule written in
// C++: the single-machine list scheduling with release times on the same in-memory instance, for
// R&M against the evaluator's built-in rule, and for a rule evolved by learning_bench (seed 1)
// against a hand-written function of it, the closest a rule interpreter can come. Then the time of
// the combined scheme (list scheduling and a non-delay dispatch, the less tardy kept) against list
// scheduling's, for the evolved expression.
// Usage: rule_expression_bench [sets] [jobs] [repetitions]
#include <algorithm>
#include <chrono>
#include <cmath>
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

// The best rule of learning_bench's default run.
constexpr const char* kEvolved =
    "w / p * (w / p * exp(-pos(d - p - t) / (p + w / p))) * (1 - pos(d - p - t) * wait / K)";

// kEvolved by hand, operation for operation as the expression computes it.
double evolvedRule(const ListDecision& at, int job) {
    const SetInHand& set = at.work.rows;
    const double p = set.p[job];
    const double wait = positivePart(set.r[job] - at.time);
    const double weighted = rules::protectedDivide(set.w[job], p);
    const double late = positivePart(set.d[job] - p - at.time);
    return weighted * (weighted * std::exp(rules::protectedDivide(-late, p + weighted))) *
           (1 - rules::protectedDivide(late * wait, at.work.meanRemainingDuration));
}

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

// How often the dispatcher asks a rule for a priority on this instance.
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

struct Timed {
    double nanoseconds;
    double twtTotal;
};

template <class Rule>
Timed timed(Workspace& work, Rule rule, int repetitions) {
    Matrix schedule;
    Matrix results;
    listScheduleSingle(work, rule, schedule);
    const double total = singleMachineCriteria(work, schedule, results);
    return {fastestNanoseconds(repetitions, [&] { listScheduleSingle(work, rule, schedule); }), total};
}

// The rule in C++ and as an expression; false when their schedules differ.
template <class Rule>
bool compare(Workspace& work, const char* name, Rule inCpp, const char* expression, long long candidates,
             int repetitions) {
    const Timed cpp = timed(work, inCpp, repetitions);
    rules::CompiledRule compiled(rules::parseInfix(expression, Environment::Single), Environment::Single);
    compiled.reserve(work.candidateCapacity());
    const Timed compiledRule = timed(work, rules::RuleRef(compiled), repetitions);
    std::printf("%-14s %7.2f ns per candidate   Twt total %g\n", name, cpp.nanoseconds / candidates, cpp.twtTotal);
    std::printf("expression     %7.2f ns per candidate   Twt total %g\n", compiledRule.nanoseconds / candidates,
                compiledRule.twtTotal);
    std::printf("ratio          %7.2f   (%s)\n", compiledRule.nanoseconds / cpp.nanoseconds, expression);
    return cpp.twtTotal == compiledRule.twtTotal;
}

// The combined scheme's time over list scheduling's with the expression; prints both Twt totals.
void compareCombined(Workspace& work, const char* expression, int repetitions) {
    rules::CompiledRule compiled(rules::parseInfix(expression, Environment::Single), Environment::Single);
    compiled.reserve(work.candidateCapacity());
    Matrix schedule;
    Matrix results;
    const double list = fastestNanoseconds(repetitions, [&] { listScheduleSingle(work, rules::RuleRef(compiled), schedule); });
    const double listTotal = singleMachineCriteria(work, schedule, results);
    const double combined =
        fastestNanoseconds(repetitions, [&] { combinedScheduleSingle(work, rules::RuleRef(compiled), schedule); });
    std::printf("combined       %7.2f x list's time   Twt total %g (list %g)\n", combined / list,
                singleMachineCriteria(work, schedule, results), listTotal);
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
    const long long candidates = candidatesOf(work);
    std::printf("%d sets of %d jobs with release times, %lld candidates per run, fastest of %d runs\n", sets, jobs,
                candidates, repetitions);
    const bool rm = compare(work, "built-in R&M", RuleOf<priorityRM>{}, kRM, candidates, repetitions);
    const bool evolved = compare(work, "evolved in C++", RuleOf<evolvedRule>{}, kEvolved, candidates, repetitions);
    compareCombined(work, kEvolved, repetitions);
    return rm && evolved ? 0 : 2;
}
