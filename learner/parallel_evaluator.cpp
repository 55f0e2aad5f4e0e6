#include "learner/parallel_evaluator.h"

#include <atomic>
#include <thread>

#include "learner/compiled_rule.h"
#include "learner/rule_scheduling.h"

namespace gp {

ParallelEvaluator::ParallelEvaluator(const Collection& collection, int threads) : collection_(collection) {
    for (int w = 0; w < (threads < 1 ? 1 : threads); ++w) workers_.push_back(std::make_unique<Worker>(collection));
}

void ParallelEvaluator::measureOne(Worker& worker, const rules::Tree& tree, std::vector<double>& totals) {
    rules::CompiledRule rule(tree, collection_.environment);
    rules::measureRule(worker.work, rule, worker.schedule, worker.results);
    worker.rated += rule.candidatesRated();
    const Matrix& results = worker.results;
    totals.assign(results.rowData(results.rows - 1), results.rowData(results.rows - 1) + results.cols);
}

void ParallelEvaluator::measure(const std::vector<const rules::Tree*>& trees,
                                std::vector<std::vector<double>>& totals) {
    totals.resize(trees.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&](Worker& worker) {
        for (std::size_t i = next++; i < trees.size(); i = next++) measureOne(worker, *trees[i], totals[i]);
    };
    if (workers_.size() == 1) {
        work(*workers_[0]);
        return;
    }
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers_.size(); ++w) threads.emplace_back(work, std::ref(*workers_[w]));
    work(*workers_[0]);
    for (std::thread& thread : threads) thread.join();
}

std::uint64_t ParallelEvaluator::candidatesRated() const {
    std::uint64_t rated = 0;
    for (const auto& worker : workers_) rated += worker->rated;
    return rated;
}

}  // namespace gp
