#pragma once

// Measures rule trees on the training collection with several threads. The workers share the
// loaded collection, which nothing writes, and each owns a workspace and compiles the rules it
// measures; the trees are shared read-only and each result lands in its own place, so the results
// do not depend on the number of threads. The helper threads are started once and wait between
// batches; the calling thread works as the first worker.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/matrice.h"
#include "fitness/collection.h"
#include "fitness/workspace.h"
#include "learner/rule_language.h"
#include "learner/rule_scheduling.h"

namespace gp {

class ParallelEvaluator {
public:
    ParallelEvaluator(const Collection& collection, int threads, rules::Scheme scheme);
    ~ParallelEvaluator();
    ParallelEvaluator(const ParallelEvaluator&) = delete;
    ParallelEvaluator& operator=(const ParallelEvaluator&) = delete;

    // totals[i] becomes the criterion totals (the last row of the results) of trees[i]; with a
    // `perSet` table, perSet[i] also becomes every set's value of column perSetColumn.
    void measure(const std::vector<const rules::Tree*>& trees, std::vector<std::vector<double>>& totals,
                 std::vector<std::vector<double>>* perSet = nullptr, int perSetColumn = 0);

    int threads() const { return static_cast<int>(workers_.size()); }
    const Collection& collection() const { return collection_; }
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
    const rules::Scheme scheme_;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<std::thread> helpers_;  // for workers_[1..]

    // The batch in hand, handed to the helpers under the mutex.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const std::vector<const rules::Tree*>* trees_ = nullptr;
    std::vector<std::vector<double>>* totals_ = nullptr;
    std::vector<std::vector<double>>* perSet_ = nullptr;
    int perSetColumn_ = 0;
    std::atomic<std::size_t> next_{0};
    std::uint64_t batch_ = 0;  // counts the batches, so that a helper takes each one once
    std::size_t busy_ = 0;     // helpers still on the batch
    bool stopping_ = false;

    void help(Worker& worker);
    void drain(Worker& worker);
    void measureOne(Worker& worker, std::size_t i);
};

}  // namespace gp
