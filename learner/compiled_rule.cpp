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

    // The rule's value as the candidates' column, or as one value for them all.
    void deliverFrom(std::uint32_t slot) {
        rule_.result_ = candidateOperand(slot);
        rule_.resultSingle_ = single(rule_.result_);
    }

private:
    CompiledRule& rule_;
    const Tree& tree_;
    Environment environment_;
    std::map<const void*, std::uint32_t> terminalSlots_;    // by reading
    std::map<std::uint64_t, std::uint32_t> constantSlots_;  // by bit pattern, so 0 and -0 stay apart
    std::map<std::uint32_t, double> constantValues_;
    std::map<std::tuple<Op, std::uint32_t, std::uint32_t>, std::uint32_t> computed_;
    std::vector<Varies> varies_;                               // by slot
    std::map<std::uint32_t, std::uint32_t> candidateColumns_;  // of per-job slots, by slot

    std::uint32_t newSlot(Varies varies) {
        varies_.push_back(varies);
        return rule_.slotCount_++;
    }

    Varies variesOf(std::uint32_t slot) const { return varies_[slot]; }
    // One value for every job and candidate: read once by the operations over columns.
    bool single(std::uint32_t slot) const { return (static_cast<int>(variesOf(slot)) & static_cast<int>(Varies::PerJob)) == 0; }

    // The slot a per-candidate operation reads for `slot`: a per-job slot is copied into a column of
    // the decision's candidates first.
    std::uint32_t candidateOperand(std::uint32_t slot) {
        if (variesOf(slot) != Varies::PerJob) return slot;
        const auto [found, added] = candidateColumns_.try_emplace(slot, 0);
        if (added) {
            found->second = newSlot(Varies::PerCandidate);
            rule_.jobColumns_.push_back({slot, found->second});
        }
        return found->second;
    }

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
            found->second = newSlot(reading->varies);
            loads.push_back({found->second, reading->varies, reading->gather});
        }
        return found->second;
    }

    std::uint32_t constantSlot(double value) {
        const auto [found, added] = constantSlots_.try_emplace(bitsOf(value), 0);
        if (added) {
            found->second = newSlot(Varies::PerSet);
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
        if (!added) return found->second;
        const Varies varies = variesOf(left) | variesOf(right);
        if (varies == Varies::PerCandidate) {
            left = candidateOperand(left);
            right = candidateOperand(right);
        }
        found->second = newSlot(varies);
        rule_.code_[static_cast<int>(varies)].push_back({op, single(left), single(right), found->second, left, right});
        return found->second;
    }

};

CompiledRule::CompiledRule(const Tree& tree, Environment environment) {
    if (tree.nodes.empty()) throw RuleError("the rule is empty");
    if (tree.depth() > kMaxDepth) throw RuleError("the rule is deeper than " + std::to_string(kMaxDepth) + " levels");
    Compiler compiler(*this, tree, environment);
    std::uint32_t result = 0;
    compiler.emit(0, result);
    compiler.deliverFrom(result);
}

std::size_t CompiledRule::operations() const {
    std::size_t count = 0;
    for (const std::vector<Instruction>& part : code_) count += part.size();
    return count;
}

void CompiledRule::reserve(int candidates) {
    if (candidates <= capacity_) return;
    capacity_ = candidates;
    columns_.assign(static_cast<std::size_t>(slotCount_) * static_cast<std::size_t>(capacity_), 0.0);
    for (const ConstantSlot& constant : constants_) std::fill_n(column(constant.slot), capacity_, constant.value);
    everyJob_.resize(static_cast<std::size_t>(capacity_));
    for (int j = 0; j < capacity_; ++j) everyJob_[static_cast<std::size_t>(j)] = j;
    setStamp_ = 0;  // the per-set and per-job slots are gone with the old columns
}

void CompiledRule::execute(const std::vector<Instruction>& code, int count) {
    for (const Instruction& instruction : code) {
        double* __restrict out = column(instruction.result);
        const double* __restrict a = column(instruction.left);
        const double* __restrict b = column(instruction.right);
        withOperation(instruction.op, [&](auto f) {
            if (instruction.leftSingle == instruction.rightSingle) {  // two columns, or one value of two
                for (int i = 0; i < count; ++i) out[i] = f(a[i], b[i]);
            } else if (instruction.rightSingle) {
                const double y = b[0];
                for (int i = 0; i < count; ++i) out[i] = f(a[i], y);
            } else {
                const double x = a[0];
                for (int i = 0; i < count; ++i) out[i] = f(x, b[i]);
            }
        });
    }
}

void CompiledRule::copyJobColumns(const int* jobs, int count) {
    for (const JobColumn& copy : jobColumns_) {
        const double* __restrict perJob = column(copy.job);
        double* __restrict out = column(copy.candidate);
        for (int i = 0; i < count; ++i) out[i] = perJob[jobs[i]];
    }
}

void CompiledRule::deliver(CandidateBatch& batch) {
    rated_ += static_cast<std::uint64_t>(batch.size());
    if (resultSingle_)
        std::fill_n(batch.priorities(), batch.size(), column(result_)[0]);
    else
        std::copy_n(column(result_), batch.size(), batch.priorities());
}

}  // namespace rules
