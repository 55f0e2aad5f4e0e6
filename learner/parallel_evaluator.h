#pragma once

// Measures rule trees on the training collection with several threads. The workers share the
// loaded collection, which nothing writes, and each owns a workspace and compiles the rules it
// measures; the trees are shared read-only and each result lands in its own place, so the results
// do not depend on the number of threads.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/matrice.h"
#include "fitness/collection.h"
#include "fitness/workspace.h"
#include "learner/rule_language.h"

namespace gp {

class ParallelEvaluator {
public:
    ParallelEvaluator(const Collection& collection, int threads);

    // totals[i] becomes the criterion totals (the last row of the results) of trees[i].
    void measure(const std::vector<const rules::Tree*>& trees, std::vector<std::vector<double>>& totals);

    int threads() const { return static_cast<int>(workers_.size()); }
    // Candidates rated so far, over every worker.
    std::uint64_t candidatesRated() const;

private:
    struct Worker {
        explicit Worker(const Collection& collection) : work(collection) {}
        Workspace work;
        Matrix schedule;  // kept from rule to rule, so that measuring allocates nothing
        Matrix results;
        std::uint64_t rated = 0;
    };
    const Collection& collection_;
    std::vector<std::unique_ptr<Worker>> workers_;

    void measureOne(Worker& worker, const rules::Tree& tree, std::vector<double>& totals);
};

}  // namespace gp
