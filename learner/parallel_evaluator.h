#pragma once

// Measures rule trees on the training collection with several threads. Each worker owns a copy of
// the loaded Scheduler (the evaluator's working tables are per schedule, so workers cannot share
// one) and compiles the rules it measures; the trees are shared read-only and each result lands in
// its own place, so the results do not depend on the number of threads.
#include <cstdint>
#include <vector>

#include "fitness/scheduler.h"
#include "learner/rule_language.h"

namespace gp {

class ParallelEvaluator {
public:
    ParallelEvaluator(const Scheduler& loaded, int threads);

    // totals[i] becomes the criterion totals (the last row of `results`) of trees[i].
    void measure(const std::vector<const rules::Tree*>& trees, std::vector<std::vector<double>>& totals);

    int threads() const { return static_cast<int>(workers_.size()); }
    // Candidates rated so far, over every worker.
    std::uint64_t candidatesRated() const;

private:
    struct Worker {
        Scheduler scheduler;
        std::uint64_t rated = 0;
    };
    std::vector<Worker> workers_;

    void measureOne(Worker& worker, const rules::Tree& tree, std::vector<double>& totals);
};

}  // namespace gp
