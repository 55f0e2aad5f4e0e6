#include "learner/compiled_rule.h"

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
            return environment == kUniform || environment == kUnrelated ? load(Load::InverseSpeedSum)
                                                                        : constant(1.0);
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
        : rule_(rule), tree_(tree), environment_(environment) {
        rule_.slots_.assign(static_cast<std::size_t>(kLoads), 0.0);
    }

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
    std::map<std::uint64_t, std::uint32_t> constants_;  // by bit pattern, so 0 and -0 stay apart
    std::map<std::tuple<Op, std::uint32_t, std::uint32_t>, std::uint32_t> computed_;

    std::vector<bool> constantSlots_ = std::vector<bool>(static_cast<std::size_t>(kLoads), false);

    std::uint32_t newSlot(double value, bool constant) {
        rule_.slots_.push_back(value);
        constantSlots_.push_back(constant);
        return static_cast<std::uint32_t>(rule_.slots_.size() - 1);
    }

    std::uint32_t constantSlot(double value) {
        const auto [found, added] = constants_.try_emplace(bitsOf(value), 0);
        if (added) found->second = newSlot(value, true);
        return found->second;
    }

    bool isConstant(std::uint32_t slot) const { return constantSlots_[slot]; }

    std::uint32_t operation(Op op, std::uint32_t left, std::uint32_t right) {
        const bool unary = op == Op::Neg || op == Op::Pos || op == Op::Exp;
        if (unary) right = left;
        if (isConstant(left) && isConstant(right))
            return constantSlot(apply(op, rule_.slots_[left], rule_.slots_[right]));
        const auto [found, added] = computed_.try_emplace({op, left, right}, 0);
        if (added) {
            found->second = newSlot(0.0, false);
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

}  // namespace rules
