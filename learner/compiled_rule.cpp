#include "learner/compiled_rule.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace rules {

namespace {

[[noreturn]] void foreignTerminal(Terminal terminal, Environment environment) {
    throw RuleError("the terminal \"" + std::string(nameOf(terminal, environment)) + "\" is not one of the " +
                    std::string(namesOf(environment).adjective) + " environment");
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
    Compiler(CompiledRule& rule, const Tree& tree, Environment environment)
        : rule_(rule), tree_(tree), environment_(environment) {}

    // Emits the subtree at `at`; returns the position after it and sets `slot` to its value's slot.
    int emit(int at, std::uint32_t& slot) {
        const Node& node = tree_.nodes[static_cast<std::size_t>(at)];
        if (node.primitive == Primitive::Constant) {
            slot = constantSlot(node.value);
            return at + 1;
        }
        if (node.primitive == Primitive::Terminal) {
            slot = terminalSlot(node.terminal);
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
    Environment environment_;
    std::map<const void*, std::uint32_t> terminalSlots_;    // by reading
    std::map<std::uint64_t, std::uint32_t> constantSlots_;  // by bit pattern, so 0 and -0 stay apart
    std::map<std::uint32_t, double> constantValues_;
    std::map<std::tuple<Op, std::uint32_t, std::uint32_t>, std::uint32_t> computed_;

    std::uint32_t newSlot() { return rule_.slotCount_++; }

    // A terminal's slot: a constant where the environment fixes its value, else a column its
    // reading fills at every decision.
    std::uint32_t terminalSlot(Terminal terminal) {
        if (environment_ == Environment::JobShop)
            return slotOf(terminal, shopReading(terminal, environment_), rule_.shopLoads_);
        return slotOf(terminal, listReading(terminal, environment_), rule_.listLoads_);
    }

    template <class Decision>
    std::uint32_t slotOf(Terminal terminal, const TerminalReading<Decision>* reading, std::vector<Load<Decision>>& loads) {
        if (!reading) foreignTerminal(terminal, environment_);
        if (!reading->gather) return constantSlot(reading->fixedValue);
        const auto [found, added] = terminalSlots_.try_emplace(reading, 0);
        if (added) {
            found->second = newSlot();
            loads.push_back({found->second, reading->gather});
        }
        return found->second;
    }

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

CompiledRule::CompiledRule(const Tree& tree, Environment environment) {
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
