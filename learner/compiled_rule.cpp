#include "learner/compiled_rule.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace rules {

namespace {

constexpr int kUniform = 1;
constexpr int kUnrelated = 2;
constexpr int kJobShop = 3;

// A terminal's read in one environment, or a constant where its value is fixed there (a single
// machine's speed, say).
struct TerminalRead {
    bool isConstant;
    Load load;
    double value;
};

[[noreturn]] void foreignTerminal(Terminal terminal, int environment) {
    throw RuleError("the terminal \"" + std::string(nameOf(terminal, environment)) + "\" is not one of the " +
                    std::string(environmentName(environment)) + " environment");
}

TerminalRead readOf(Terminal terminal, int environment) {
    const auto load = [](Load l) { return TerminalRead{false, l, 0.0}; };
    const auto constant = [](double value) { return TerminalRead{true, Load::Count, value}; };
    if (environment == kJobShop) {
        switch (terminal) {
            case Terminal::Processing:
                return load(Load::OperationDuration);
            case Terminal::RemainingWork:
                return load(Load::RemainingWork);
            case Terminal::WorkAfter:
                return load(Load::WorkAfter);
            case Terminal::MachineMean:
                return load(Load::MachineMean);
            case Terminal::OperationsLeft:
                return load(Load::OperationsLeft);
            case Terminal::DueDate:
                return load(Load::JobShopDueDate);
            case Terminal::Weight:
                return load(Load::JobShopWeight);
            case Terminal::Time:
                return load(Load::JobShopTime);
            case Terminal::Ready:
                return load(Load::JobReady);
            case Terminal::Wait:
                return load(Load::JobShopWait);
            case Terminal::Slack:
                return load(Load::JobShopSlack);
            default:
                foreignTerminal(terminal, environment);
        }
    }
    switch (terminal) {
        case Terminal::Processing:
            return load(environment == kUnrelated ? Load::UnrelatedProcessing : Load::Processing);
        case Terminal::DueDate:
            return load(Load::DueDate);
        case Terminal::Weight:
            return load(Load::Weight);
        case Terminal::Ready:
            return load(Load::Ready);
        case Terminal::Time:
            return load(Load::Time);
        case Terminal::Wait:
            return load(Load::Wait);
        case Terminal::Setup:
            return load(Load::Setup);
        case Terminal::Speed:
            return environment == kUniform ? load(Load::Speed) : constant(1.0);
        case Terminal::InverseSpeedSum:
            return environment == kUniform || environment == kUnrelated ? load(Load::InverseSpeedSum) : constant(1.0);
        case Terminal::RemainingMeanDuration:
            return load(Load::RemainingMeanDuration);
        case Terminal::MeanDuration:
            return load(Load::MeanDuration);
        case Terminal::MeanSetup:
            return load(Load::MeanSetup);
        case Terminal::ProcessingSum:
            return load(Load::ProcessingSum);
        case Terminal::Successors:
            return load(Load::Successors);
        case Terminal::Slack:
            return load(environment == kUnrelated ? Load::UnrelatedSlack
                        : environment == kUniform ? Load::UniformSlack
                                                  : Load::SingleSlack);
        default:
            foreignTerminal(terminal, environment);
    }
}

Op operationOf(Primitive primitive) {
    switch (primitive) {
        case Primitive::Add:
            return Op::Add;
        case Primitive::Sub:
            return Op::Sub;
        case Primitive::Mul:
            return Op::Mul;
        case Primitive::Div:
            return Op::Div;
        case Primitive::Neg:
            return Op::Neg;
        case Primitive::Max:
            return Op::Max;
        case Primitive::Min:
            return Op::Min;
        case Primitive::Pos:
            return Op::Pos;
        default:
            return Op::Exp;
    }
}

std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

class Compiler {
public:
    Compiler(CompiledRule& rule, const Tree& tree, int environment)
        : rule_(rule), tree_(tree), environment_(environment) {}

    // Emits the subtree at `at`; returns the position after it and sets `slot` to its value's slot.
    int emit(int at, std::uint32_t& slot) {
        const Node& node = tree_.nodes[static_cast<std::size_t>(at)];
        if (node.primitive == Primitive::Constant) {
            slot = constantSlot(node.value);
            return at + 1;
        }
        if (node.primitive == Primitive::Terminal) {
            const TerminalRead read = readOf(node.terminal, environment_);
            if (read.isConstant) {
                slot = constantSlot(read.value);
            } else {
                rule_.used_ |= std::uint32_t{1} << static_cast<int>(read.load);
                slot = static_cast<std::uint32_t>(read.load);
            }
            return at + 1;
        }
        const Op op = operationOf(node.primitive);
        std::uint32_t left = 0;
        std::uint32_t right = 0;
        int next = emit(at + 1, left);
        if (arity(node.primitive) == 2) next = emit(next, right);
        slot = operation(op, left, right);
        return next;
    }

private:
    CompiledRule& rule_;
    const Tree& tree_;
    int environment_;
    std::map<std::uint64_t, std::uint32_t> constantSlots_;  // by bit pattern, so 0 and -0 stay apart
    std::map<std::uint32_t, double> constantValues_;
    std::map<std::tuple<Op, std::uint32_t, std::uint32_t>, std::uint32_t> computed_;

    std::uint32_t newSlot() { return rule_.slotCount_++; }

    std::uint32_t constantSlot(double value) {
        const auto [found, added] = constantSlots_.try_emplace(bitsOf(value), 0);
        if (added) {
            found->second = newSlot();
            constantValues_[found->second] = value;
            rule_.constants_.push_back({found->second, value});
        }
        return found->second;
    }

    std::uint32_t operation(Op op, std::uint32_t left, std::uint32_t right) {
        const bool unary = op == Op::Neg || op == Op::Pos || op == Op::Exp;
        if (unary) right = left;
        const auto leftConstant = constantValues_.find(left);
        const auto rightConstant = constantValues_.find(right);
        if (leftConstant != constantValues_.end() && rightConstant != constantValues_.end())
            return constantSlot(
                withOperation(op, [&](auto f) { return f(leftConstant->second, rightConstant->second); }));
        const auto [found, added] = computed_.try_emplace({op, left, right}, 0);
        if (added) {
            found->second = newSlot();
            rule_.code_.push_back({op, found->second, left, right});
        }
        return found->second;
    }
};

CompiledRule::CompiledRule(const Tree& tree, int environment) {
    if (tree.nodes.empty()) throw RuleError("the rule is empty");
    if (tree.depth() > kMaxDepth) throw RuleError("the rule is deeper than " + std::to_string(kMaxDepth) + " levels");
    Compiler(*this, tree, environment).emit(0, result_);
}

void CompiledRule::reserve(int candidates) {
    if (candidates <= capacity_) return;
    capacity_ = candidates;
    columns_.assign(static_cast<std::size_t>(slotCount_) * static_cast<std::size_t>(capacity_), 0.0);
    for (const ConstantSlot& constant : constants_) std::fill_n(column(constant.slot), capacity_, constant.value);
}

void CompiledRule::fill(Load load, double value, int count) { std::fill_n(column(load), count, value); }

void CompiledRule::rateList(const Scheduler& s, int set, CandidateBatch& batch, int previous, double time,
                            int machine) {
    const int count = batch.size();
    reserve(count);
    const int* jobs = batch.jobs();
    const auto gather = [&](Load load, const double* values) {
        double* out = column(load);
        for (int i = 0; i < count; ++i) out[i] = values[jobs[i]];
    };
    if (uses(Load::Processing)) gather(Load::Processing, s.processingTimes.rowData(set));
    if (uses(Load::UnrelatedProcessing)) {
        const int m = static_cast<int>(s.machineCount.at(set, 0));
        const double* p = s.processingTimes.rowData(set);
        double* out = column(Load::UnrelatedProcessing);
        for (int i = 0; i < count; ++i) out[i] = p[jobs[i] * m + machine];
    }
    if (uses(Load::DueDate)) gather(Load::DueDate, s.dueDates.rowData(set));
    if (uses(Load::Weight)) gather(Load::Weight, s.weights.rowData(set));
    if (uses(Load::Ready)) gather(Load::Ready, s.releaseTimes.rowData(set));
    if (uses(Load::Time)) fill(Load::Time, time, count);
    if (uses(Load::Wait)) {
        const double* r = s.releaseTimes.rowData(set);
        double* out = column(Load::Wait);
        for (int i = 0; i < count; ++i) out[i] = positivePart(r[jobs[i]] - time);
    }
    if (uses(Load::Setup)) {
        if (s.hasSetups)
            gather(Load::Setup, s.setupTimes.rowData(previous));
        else
            fill(Load::Setup, 0.0, count);
    }
    if (uses(Load::Speed)) fill(Load::Speed, s.speeds.at(set, machine), count);
    if (uses(Load::InverseSpeedSum)) fill(Load::InverseSpeedSum, s.inverseSpeedSum, count);
    if (uses(Load::RemainingMeanDuration)) fill(Load::RemainingMeanDuration, s.meanRemainingDuration, count);
    if (uses(Load::MeanDuration)) fill(Load::MeanDuration, s.meanDuration, count);
    if (uses(Load::MeanSetup)) fill(Load::MeanSetup, s.meanSetup, count);
    if (uses(Load::ProcessingSum)) fill(Load::ProcessingSum, s.processingSum.at(set, 0), count);
    if (uses(Load::Successors)) {
        double* out = column(Load::Successors);
        for (int i = 0; i < count; ++i) out[i] = s.precedenceLists.at(jobs[i], 1);
    }
    if (uses(Load::SingleSlack) || uses(Load::UniformSlack) || uses(Load::UnrelatedSlack)) {
        const double* p = s.processingTimes.rowData(set);
        const double* d = s.dueDates.rowData(set);
        const Load load = uses(Load::SingleSlack)    ? Load::SingleSlack
                          : uses(Load::UniformSlack) ? Load::UniformSlack
                                                     : Load::UnrelatedSlack;
        double* out = column(load);
        if (load == Load::SingleSlack) {
            for (int i = 0; i < count; ++i) out[i] = d[jobs[i]] - p[jobs[i]] - time;
        } else if (load == Load::UniformSlack) {
            const double v = s.speeds.at(set, machine);
            for (int i = 0; i < count; ++i) out[i] = d[jobs[i]] - p[jobs[i]] * v - time;
        } else {
            const int m = static_cast<int>(s.machineCount.at(set, 0));
            for (int i = 0; i < count; ++i) out[i] = d[jobs[i]] - p[jobs[i] * m + machine] - time;
        }
    }
    execute(count);
    deliver(batch);
}

void CompiledRule::rateShop(const Scheduler& s, int set, CandidateBatch& batch, const int* nextOperation,
                            const double* jobReady, double time, int) {
    const int count = batch.size();
    reserve(count);
    const int* jobs = batch.jobs();
    // Each terminal is a function of the candidate job and its next operation.
    const auto each = [&](Load load, auto value) {
        if (!uses(load)) return;
        double* out = column(load);
        for (int i = 0; i < count; ++i) out[i] = value(jobs[i], nextOperation[jobs[i]]);
    };
    each(Load::OperationDuration, [&](int j, int o) { return s.operationDurations.at(j, o); });
    each(Load::RemainingWork, [&](int j, int o) { return s.remainingWork(set, j, o); });
    each(Load::WorkAfter, [&](int j, int o) { return s.remainingWork(set, j, o + 1); });
    each(Load::MachineMean,
         [&](int j, int o) { return s.machineMeanDuration.at(static_cast<int>(s.operationMachines.at(j, o)), 0); });
    each(Load::OperationsLeft, [&](int, int o) { return s.machineCount.at(set, 0) - o; });
    each(Load::JobShopDueDate, [&](int j, int) { return s.dueDates.at(set, j); });
    each(Load::JobShopWeight, [&](int j, int) { return s.hasWeights ? s.weights.at(set, j) : 1.0; });
    if (uses(Load::JobShopTime)) fill(Load::JobShopTime, time, count);
    each(Load::JobReady, [&](int j, int) { return jobReady[j]; });
    each(Load::JobShopWait, [&](int j, int) { return positivePart(jobReady[j] - time); });
    each(Load::JobShopSlack, [&](int j, int o) { return s.dueDates.at(set, j) - s.remainingWork(set, j, o) - time; });
    execute(count);
    deliver(batch);
}

void CompiledRule::execute(int count) {
    for (const Instruction& instruction : code_) {
        double* __restrict out = column(instruction.result);
        const double* __restrict a = column(instruction.left);
        const double* __restrict b = column(instruction.right);
        withOperation(instruction.op, [&](auto f) {
            for (int i = 0; i < count; ++i) out[i] = f(a[i], b[i]);
        });
    }
}

void CompiledRule::deliver(CandidateBatch& batch) {
    rated_ += static_cast<std::uint64_t>(batch.size());
    std::copy_n(column(result_), batch.size(), batch.priorities());
}

}  // namespace rules
