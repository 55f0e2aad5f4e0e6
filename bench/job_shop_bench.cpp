// Times the job shop's schemes with one rule on the same in-memory shops: the non-delay and the
// active dispatcher one way, the active scheme both ways, justified, combined with the
// non-delay dispatcher, and iterated (with a rule that reads the previous schedule). The dispatchers are the learner's hot path in the job shop, where every
// candidate rule schedules every training set. Prints the time per set and the Cmax total, which
// must not move when the dispatchers are made faster.
// Usage: job_shop_bench [sets] [jobs] [machines] [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_instances.h"
#include "fitness/job_shop.h"
#include "learner/compiled_rule.h"
#include "learner/rule_language.h"
#include "learner/rule_scheduling.h"

namespace {

// A rule that weighs the wait, as the evolved ones do, so the active scheme has choices to make.
constexpr const char* kRule = "twkr / (p + 5 * wait)";
// The same, drawn towards where each operation started in the schedule before.
constexpr const char* kIteratedRule = "twkr / (p + 5 * wait) - 0.05 * prev";

}  // namespace

int main(int argc, char** argv) {
    const int sets = argc > 1 ? std::atoi(argv[1]) : 20;
    const int jobs = argc > 2 ? std::atoi(argv[2]) : 20;
    const int machines = argc > 3 ? std::atoi(argv[3]) : 10;
    const int repetitions = argc > 4 ? std::atoi(argv[4]) : 5;
    if (sets < 1 || jobs < 1 || machines < 1 || machines > 999 || repetitions < 1) {
        std::fprintf(stderr, "usage: job_shop_bench [sets >= 1] [jobs >= 1] [machines 1..999] [repetitions >= 1]\n");
        return 1;
    }
    const Collection collection = bench::jobShopCollection(sets, jobs, machines);
    Workspace work(collection);
    std::printf("%d job shops of %d jobs on %d machines, rule %s (iterated: %s), fastest of %d runs\n", sets, jobs,
                machines, kRule, kIteratedRule, repetitions);
    for (const char* name : {"list", "active", "bidirectional", "justified", "combined", "iterated"}) {
        const rules::Scheme scheme = *rules::schemeNamed(name);
        const char* text = scheme == rules::Scheme::Iterated ? kIteratedRule : kRule;
        rules::CompiledRule rule(rules::parseInfix(text, Environment::JobShop), Environment::JobShop);
        Matrix schedule, results;
        double fastest = 1e300;
        for (int i = 0; i < repetitions; ++i) {
            const auto start = std::chrono::steady_clock::now();
            rules::scheduleWithRule(work, rule, scheme, schedule, ScheduleWidth::Measured);
            const auto end = std::chrono::steady_clock::now();
            fastest = std::min(fastest, std::chrono::duration<double, std::micro>(end - start).count());
        }
        const double total = jobShopCriteria(work, schedule, results);
        std::printf("%-14s %9.1f us per set   Cmax total %g\n", name, fastest / sets, total);
    }
    return 0;
}
