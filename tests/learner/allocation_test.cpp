// Measuring a compiled rule on a collection allocates nothing once the workspace and the buffers
// have seen the collection: every table keeps its storage from set to set and from rule to rule.
// The global allocation functions are replaced in this test program to count; sanitizer builds
// bring their own, so the test is skipped there.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "fitness/collection.h"
#include "fitness/workspace.h"
#include "learner/compiled_rule.h"
#include "learner/rule_language.h"
#include "learner/rule_scheduling.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define COUNTS_ALLOCATIONS 0
#else
#define COUNTS_ALLOCATIONS 1
#endif

#if COUNTS_ALLOCATIONS
namespace {
// Other tests of this program allocate from several threads at once.
std::atomic<long long> allocations{0};
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using testing_support::TempDir;

// The definition of `sets` sets of 20 jobs (on 3 machines where the environment has machines).
std::string definition(const std::string& environment, int sets, const std::string& extra) {
    std::string lists[4] = {"R.", "T.", "jobs", "machines"};
    const std::string values[4] = {" 0.5", " 0.5", " 20", " 3"};
    std::string text = environment + " 1\nsets " + std::to_string(sets) +
                       "\nmax_jobs 20\nmax_machines 3\nduration p.txt\ndeadline d.txt\nSP sp.txt\nweight_T w.txt\n"
                       "machine_file m.txt\n" +
                       extra;
    for (int l = 0; l < 4; ++l) {
        text += lists[l];
        for (int s = 0; s < sets; ++s) text += values[l];
        text += "\n";
    }
    return text;
}

// Allocations of the second measurement of the collection with the rule (the first one makes
// room for the rule's columns and the run's tables).
long long allocationsOfASecondRun(const std::string& environment, const std::string& extra, const char* rule,
                                  rules::Scheme scheme) {
    TempDir dir;
    dir.write("fitness.txt", definition(environment, 8, extra));
    const testing_support::RunResult generated = testing_support::runProgram(GENERATOR_BIN, "--seed 5", dir.path());
    EXPECT_EQ(generated.status, 0) << generated.err;
    testing_support::ScopedChdir inside(dir.path());
    const Collection collection = loadCollection("fitness.txt");
    Workspace work(collection);
    rules::CompiledRule compiled(rules::parseInfix(rule, collection.environment), collection.environment);
    Matrix schedule;
    Matrix results;
    rules::measureRule(work, compiled, scheme, schedule, results);
    const long long before = allocations;
    rules::measureRule(work, compiled, scheme, schedule, results);
    return allocations - before;
}

}  // namespace
#endif

TEST(Allocation, MeasuringARuleAgainAllocatesNothing) {
#if COUNTS_ALLOCATIONS
    const struct {
        const char* environment;
        const char* extra;
        const char* rule;
        rules::Scheme scheme;
    } cases[] = {
        {"single", "ready r.txt\n", "w / (p + wait) * exp(-pos(slack) / K)", rules::Scheme::List},
        {"single", "ready r.txt\nsetup 0.5\n", "-d - s / (K * p)", rules::Scheme::List},
        {"uniform", "ready r.txt\nsetup 0.5\n", "w * L / (p + wait) - s * v", rules::Scheme::List},
        {"uniform", "ready r.txt\nsetup 0.5\n", "w / (C - t) - s * pmin + mfree", rules::Scheme::Pair},
        {"unrelated", "ready r.txt\n", "-p + max(d, t)", rules::Scheme::List},
        {"unrelated", "ready r.txt\n", "-C / pavg", rules::Scheme::Pair},
        {"jobshop", "ready r.txt\nsetup 0.5\nmax_length 10\n", "w / (wait + twkr) - rem / pm + ops", rules::Scheme::List},
        {"jobshop", "ready r.txt\n", "twkr / (p + 5 * wait) - winq + npt / nmfree", rules::Scheme::Active},
    };
    for (const auto& c : cases)
        EXPECT_EQ(allocationsOfASecondRun(c.environment, c.extra, c.rule, c.scheme), 0) << c.environment << " " << c.rule;
#else
    GTEST_SKIP() << "allocations are counted only outside sanitizer builds";
#endif
}
