#include "learner/compiled_rule.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <tuple>
#include <type_traits>

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

bool isUnary(Op op) { return op == Op::Neg || op == Op::Pos || op == Op::Exp; }

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

    // The rule's value goes to the batch: the last operation over the candidates writes it, or a
    // copy does where no such operation computes it.
    void deliverFrom(std::uint32_t slot) {
        std::vector<Instruction>& candidates = rule_.code_[CompiledRule::kCandidate];
        if (!candidates.empty() && candidates.back().result == slot) {
            rule_.delivery_ = candidates.back();
            candidates.pop_back();
        } else {
            rule_.delivery_ = {Op::Copy, candidateRead(slot), Read::Single, slot, slot, slot};
        }
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

    std::uint32_t newSlot(Varies varies) {
        varies_.push_back(varies);
        return rule_.slotCount_++;
    }

    Varies variesOf(std::uint32_t slot) const { return varies_[slot]; }

    // How an operation over the jobs of a set, or over the candidates of a decision, reads a slot.
    Read jobRead(std::uint32_t slot) const { return variesOf(slot) == Varies::PerSet ? Read::Single : Read::Column; }
    Read candidateRead(std::uint32_t slot) const {
        switch (variesOf(slot)) {
            case Varies::PerJob:
                return Read::ByJob;
            case Varies::PerCandidate:
                return Read::Column;
            default:
                return Read::Single;
        }
    }

    // A terminal's slot: a constant where the environment fixes its value, else a column its
    // reading fills at every decision.
    std::uint32_t terminalSlot(Terminal terminal) {
        if (ofPreviousSchedule(terminal)) rule_.readsPreviousSchedule_ = true;
        if (environment_ == Environment::JobShop)
            return slotOf(terminal, shopReading(terminal, environment_), rule_.shopLoads_);
        return slotOf(terminal, listReading(terminal, environment_), rule_.listLoads_);
    }

    template <class Decision>
    std::uint32_t slotOf(Terminal terminal, const TerminalReading<Decision>* reading,
                         CompiledRule::Loads<Decision>& loads) {
        if (!reading) foreignTerminal(terminal, environment_);
        if (!reading->gather) return constantSlot(reading->fixedValue);
        const auto [found, added] = terminalSlots_.try_emplace(reading, 0);
        if (added) {
            found->second = newSlot(reading->varies);
            loads[static_cast<int>(reading->varies)].push_back({found->second, reading->gather});
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
        if (isUnary(op)) right = left;
        const auto leftConstant = constantValues_.find(left);
        const auto rightConstant = constantValues_.find(right);
        if (leftConstant != constantValues_.end() && rightConstant != constantValues_.end())
            return constantSlot(
                withOperation(op, [&](auto f) { return f(leftConstant->second, rightConstant->second); }));
        const auto [found, added] = computed_.try_emplace({op, left, right}, 0);
        if (!added) return found->second;
        const Varies varies = variesOf(left) | variesOf(right);
        const bool candidates = varies == Varies::PerCandidate;
        const Read leftRead = candidates ? candidateRead(left) : jobRead(left);
        const Read rightRead = candidates ? candidateRead(right) : jobRead(right);
        found->second = newSlot(varies);
        rule_.code_[static_cast<int>(varies)].push_back({op, leftRead, rightRead, found->second, left, right});
        return found->second;
    }
};

CompiledRule::CompiledRule(const Tree& tree, Environment environment) {
    if (tree.nodes.empty()) throw RuleError("the rule is empty");
    if (tree.depth() > kMaxDepth) throw RuleError("the rule is deeper than " + std::to_string(kMaxDepth) + " levels");
    Compiler compiler(*this, tree, environment);
    std::uint32_t result = 0;
    compiler.emit(0, result);
    fuseUnaryOperations();
    compiler.deliverFrom(result);
    bind();
}

namespace {

// The one operation that does `first` and then `second`, where a loop has one. An exponential keeps
// a loop of its own, whose passes over the column run its series on several values at once.
std::optional<Op> followedBy(Op first, Op second) {
    if (second == Op::Exp) return std::nullopt;
    if (first == Op::Copy) return second;
    if (first == Op::Pos && second == Op::Neg) return Op::NegPos;
    return std::nullopt;
}

// Operations an instruction does.
std::size_t operationsOf(const Instruction& instruction) {
    const std::size_t own = instruction.op == Op::Copy ? 0 : 1;
    switch (instruction.then) {
        case Op::Copy:
            return own;
        case Op::NegPos:
            return own + 2;
        default:
            return own + 1;
    }
}

}  // namespace

// A unary operation whose operand the instruction just before it computes, and nothing else reads,
// joins that instruction's loop; the values are the same, one loop fewer. Equal subtrees are
// computed once, so a value read twice is never folded away.
void CompiledRule::fuseUnaryOperations() {
    std::vector<int> reads(slotCount_, 0);
    for (const std::vector<Instruction>& part : code_)
        for (const Instruction& instruction : part) {
            ++reads[instruction.left];
            if (!isUnary(instruction.op)) ++reads[instruction.right];
        }
    for (std::vector<Instruction>& part : code_) {
        std::vector<Instruction> fused;
        for (const Instruction& instruction : part) {
            if (!fused.empty() && isUnary(instruction.op) && instruction.left == fused.back().result &&
                reads[instruction.left] == 1) {
                if (const std::optional<Op> then = followedBy(fused.back().then, instruction.op)) {
                    fused.back().then = *then;
                    fused.back().result = instruction.result;
                    continue;
                }
            }
            fused.push_back(instruction);
        }
        part = std::move(fused);
    }
}

std::size_t CompiledRule::operations() const {
    std::size_t count = operationsOf(delivery_);
    for (const std::vector<Instruction>& part : code_)
        for (const Instruction& instruction : part) count += operationsOf(instruction);
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
    bind();
}

namespace {

template <Read read>
double operand(const double* values, const int* jobs, int i) {
    if constexpr (read == Read::Column) return values[i];
    if constexpr (read == Read::Single) return values[0];
    if constexpr (read == Read::ByJob) return values[jobs[i]];
}

// The loop of an operation F followed by a unary Then (function objects without state) over
// operands read as `left` and `right` read them.
template <class F, class Then, Read left, Read right>
void run(double* __restrict out, const double* __restrict a, const double* __restrict b, const int* __restrict jobs,
         int count) {
    const F f{};
    const Then then{};
    for (int i = 0; i < count; ++i) out[i] = then(f(operand<left>(a, jobs, i), operand<right>(b, jobs, i)), 0.0);
}

// Calls visit with the read as a constant of the type, so that each read gets a loop of its own.
template <class Visit>
Kernel withRead(Read read, Visit visit) {
    switch (read) {
        case Read::Column:
            return visit(std::integral_constant<Read, Read::Column>{});
        case Read::Single:
            return visit(std::integral_constant<Read, Read::Single>{});
        case Read::ByJob:
            return visit(std::integral_constant<Read, Read::ByJob>{});
    }
    __builtin_unreachable();  // every read has its case
}

template <class F, class Then>
Kernel kernelReading(Read left, Read right) {
    return withRead(left, [right](auto l) {
        return withRead(right, [](auto r) { return &run<F, Then, decltype(l)::value, decltype(r)::value>; });
    });
}

// An exponential's loop: its operand read into the result's column where it is not a column
// itself, the exponentials of the column in passes that run on several values at once, then the
// operation that follows it.
template <class Then, Read left>
void runExponential(double* __restrict out, const double* __restrict a, const double*, const int* __restrict jobs,
                    int count) {
    const double* operands = a;
    if constexpr (left != Read::Column) {
        for (int i = 0; i < count; ++i) out[i] = operand<left>(a, jobs, i);
        operands = out;
    }
    exponentials(operands, out, count);
    const Then then{};
    for (int i = 0; i < count; ++i) out[i] = then(out[i], 0.0);
}

template <class Then>
Kernel exponentialReading(Read left) {
    return withRead(left, [](auto l) { return &runExponential<Then, decltype(l)::value>; });
}

Kernel kernelOf(const Instruction& instruction) {
    if (instruction.op == Op::Exp)
        return withFollowing(instruction.then,
                             [&]<class Then>(Then) { return exponentialReading<Then>(instruction.leftRead); });
    return withOperation(instruction.op, [&]<class F>(F) {
        return withFollowing(instruction.then, [&]<class Then>(Then) {
            return kernelReading<F, Then>(instruction.leftRead, instruction.rightRead);
        });
    });
}

}  // namespace

void CompiledRule::bind() {
    const auto step = [this](const Instruction& instruction) {
        return Step{kernelOf(instruction), column(instruction.result), column(instruction.left),
                    column(instruction.right)};
    };
    for (int part = 0; part < kParts; ++part) {
        steps_[part].clear();
        for (const Instruction& instruction : code_[part]) steps_[part].push_back(step(instruction));
    }
    steps_[kCandidate].push_back(step(delivery_));  // its output is the batch's, set at every decision
}

}  // namespace rules
