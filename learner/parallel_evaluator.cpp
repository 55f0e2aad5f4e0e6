#include "learner/parallel_evaluator.h"

#include "learner/compiled_rule.h"
#include "learner/rule_scheduling.h"

namespace gp {

ParallelEvaluator::ParallelEvaluator(const Collection& collection, int threads, rules::Scheme scheme)
    : collection_(collection), scheme_(scheme) {
    for (int w = 0; w < (threads < 1 ? 1 : threads); ++w) workers_.push_back(std::make_unique<Worker>(collection));
    for (std::size_t w = 1; w < workers_.size(); ++w) helpers_.emplace_back(&ParallelEvaluator::help, this, std::ref(*workers_[w]));
}

ParallelEvaluator::~ParallelEvaluator() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
}

void ParallelEvaluator::measureOne(Worker& worker, std::size_t i) {
    rules::CompiledRule rule(*(*trees_)[i], collection_.environment);
    rules::measureRule(worker.work, rule, scheme_, worker.schedule, worker.results);
    worker.rated += rule.candidatesRated();
    const Matrix& results = worker.results;
    const int sets = results.rows - 1;
    (*totals_)[i].assign(results.rowData(sets), results.rowData(sets) + results.cols);
    if (!perSet_) return;
    std::vector<double>& values = (*perSet_)[i];
    values.resize(static_cast<std::size_t>(sets));
    for (int set = 0; set < sets; ++set) values[static_cast<std::size_t>(set)] = results.at(set, perSetColumn_);
}

// Takes trees of the batch in hand until none is left.
void ParallelEvaluator::drain(Worker& worker) {
    const std::vector<const rules::Tree*>& trees = *trees_;
    for (std::size_t i = next_++; i < trees.size(); i = next_++) measureOne(worker, i);
}

void ParallelEvaluator::help(Worker& worker) {
    std::uint64_t done = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || batch_ != done; });
            if (stopping_) return;
            done = batch_;
        }
        drain(worker);
        const std::lock_guard<std::mutex> lock(mutex_);
        if (--busy_ == 0) finished_.notify_one();
    }
}

void ParallelEvaluator::measure(const std::vector<const rules::Tree*>& trees,
                                std::vector<std::vector<double>>& totals, std::vector<std::vector<double>>* perSet,
                                int perSetColumn) {
    totals.resize(trees.size());
    if (perSet) perSet->resize(trees.size());
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        trees_ = &trees;
        totals_ = &totals;
        perSet_ = perSet;
        perSetColumn_ = perSetColumn;
        next_ = 0;
        busy_ = helpers_.size();
        ++batch_;
    }
    wake_.notify_all();
    drain(*workers_[0]);
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return busy_ == 0; });
}

std::uint64_t ParallelEvaluator::candidatesRated() const {
    std::uint64_t rated = 0;
    for (const auto& worker : workers_) rated += worker->rated;
    return rated;
}

}  // namespace gp
