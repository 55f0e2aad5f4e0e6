#pragma once

// A rule tree compiled once into a flat three-address program, run for every decision by the
// evaluator's own dispatchers: no allocation once room is made, no virtual call. Every value lives
// in a slot: the terminals the rule reads, its constants and the results of its operations. Equal
// subtrees are computed once, and subtrees of constants alone are folded at compile time; both give
// the very doubles the tree gives, because the operations are deterministic and kept exactly as
// written (no reassociation, no fused multiply-add).
//
// Each slot is computed as seldom as its value changes (learner/terminals.h, Varies): what depends
// on the set alone once per set, what depends on the job alone once per job of the set (in evolved
// rules often a third of the operations and more), what depends on the moment alone once per
// decision, and only the rest for every candidate of every decision. Each is the same operation on
// the same values, so the doubles are those of the tree read candidate by candidate.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/exponential.h"
#include "fitness/candidate_batch.h"
#include "fitness/decision.h"
#include "fitness/rules.h"
#include "learner/rule_language.h"
#include "learner/terminals.h"

namespace rules {

// Copy is the identity: it hands a result that no operation over the candidates computes to the
// batch, and it is what an operation does with its value when nothing follows it in the same loop.
// NegPos, -pos(x), is what follows an operation whose value a pos and then a negation take. Rules
// write neither.
enum class Op : std::uint8_t { Add, Sub, Mul, Div, Neg, Max, Min, Pos, Exp, Copy, NegPos };

// How an operation over a column of values (one per job of the set or per candidate of the decision)
// reads an operand slot: entry by entry, the one value it holds for all of them, or, for the
// candidates, the entry of each candidate's job.
enum class Read : std::uint8_t { Column, Single, ByJob };

// slots[result] = then(slots[left] op slots[right]), entry by entry; a unary operation reads `left`.
// `then` is a negation or positive part that took the value alone and runs in the same loop (Copy
// when none does), so that a chain such as -pos(d - t) is not a loop per operation.
struct Instruction {
    Op op;
    Read leftRead;
    Read rightRead;
    std::uint32_t result;
    std::uint32_t left;
    std::uint32_t right;
    Op then = Op::Copy;
};

// Division by exactly zero gives 1, the protected division of GP.
inline double protectedDivide(double a, double b) { return b == 0 ? 1.0 : a / b; }

// Calls visit with the function object of the operation, so that constant folding and the
// program's execution share one definition of each.
template <class Visit>
decltype(auto) withOperation(Op op, Visit visit) {
    switch (op) {
        case Op::Add:
            return visit([](double a, double b) { return a + b; });
        case Op::Sub:
            return visit([](double a, double b) { return a - b; });
        case Op::Mul:
            return visit([](double a, double b) { return a * b; });
        case Op::Div:
            return visit([](double a, double b) { return protectedDivide(a, b); });
        case Op::Neg:
            return visit([](double a, double) { return -a; });
        case Op::Max:
            return visit([](double a, double b) { return std::max(a, b); });
        case Op::Min:
            return visit([](double a, double b) { return std::min(a, b); });
        case Op::Pos:
            return visit([](double a, double) { return positivePart(a); });
        case Op::Exp:
            return visit([](double a, double) { return exponential(a); });
        case Op::Copy:
            return visit([](double a, double) { return a; });
        case Op::NegPos:
            return visit([](double a, double) { return -positivePart(a); });
    }
    __builtin_unreachable();  // every operation has its case
}

// Calls visit with the function object of a unary operation that may follow another in its loop.
template <class Visit>
decltype(auto) withFollowing(Op then, Visit visit) {
    switch (then) {
        case Op::Neg:
        case Op::Pos:
        case Op::NegPos:
            return withOperation(then, visit);
        default:
            return withOperation(Op::Copy, visit);
    }
}

// One operation's loop over `count` entries, made for its operation and its operands' reads;
// `jobs` are the candidates' jobs, which a ByJob read indexes with.
using Kernel = void (*)(double* out, const double* a, const double* b, const int* jobs, int count);

// An instruction bound to its kernel and its columns, as the program runs it.
struct Step {
    Kernel kernel;
    double* out;
    const double* a;
    const double* b;
};

// A terminal's slot and how a decision fills it.
template <class Decision>
struct Load {
    std::uint32_t slot;
    Gather<Decision> gather;
};

// A compiled rule keeps its slots with it, so one rule object serves one thread at a time; every
// worker of a parallel evaluation compiles its own. It rates a whole decision at once: each slot
// is a column with one value per candidate (or per job of the set, or a single value in its first
// entry), and each operation runs down its columns in a loop made for it, so the program is
// interpreted once per decision rather than once per candidate. Only the terminals the rule reads
// are gathered, and the last operation over the candidates writes the batch's priorities.
class CompiledRule {
public:
    CompiledRule(const Tree& tree, Environment environment);

    // Room for decisions of `candidates` candidates and sets of as many jobs; larger ones make room
    // themselves.
    void reserve(int candidates);

    // The dispatchers' batch interface (fitness/decision.h).
    void rate(const ListDecision& at, CandidateBatch& batch) { rateWith(listLoads_, at, batch); }
    void rate(const ShopDecision& at, CandidateBatch& batch) { rateWith(shopLoads_, at, batch); }

    // Operations in the program.
    std::size_t operations() const;
    // Whether it reads the set's previous schedule (terminals.h, ofPreviousSchedule).
    bool readsPreviousSchedule() const { return readsPreviousSchedule_; }
    // The candidates this rule has rated, for throughput figures.
    std::uint64_t candidatesRated() const { return rated_; }

private:
    // The program's parts by what their results change with (Varies): per set, per job, per moment
    // and per candidate.
    static constexpr int kParts = 4;
    static constexpr int kCandidate = static_cast<int>(Varies::PerCandidate);
    struct ConstantSlot {
        std::uint32_t slot;
        double value;
    };
    template <class Decision>
    using Loads = std::vector<Load<Decision>>[kParts];  // the terminals the rule reads, by part

    Loads<ListDecision> listLoads_;  // by decision scheme
    Loads<ShopDecision> shopLoads_;
    std::vector<Instruction> code_[kParts];
    std::vector<ConstantSlot> constants_;
    std::uint32_t slotCount_ = 0;  // terminals, constants and results, in the order first met
    Instruction delivery_{};       // the last step over the candidates: it writes the rule's value
    int capacity_ = 0;
    bool readsPreviousSchedule_ = false;
    std::uint64_t rated_ = 0;
    std::uint64_t setStamp_ = 0;  // the set in hand whose per-set and per-job slots are filled (SetInHand::stamp)
    std::vector<double> columns_;  // slot i holds entries [i * capacity_, (i + 1) * capacity_)
    std::vector<int> everyJob_;    // 0, 1, 2, ...: the jobs of a set, as per-job columns list them
    std::vector<Step> steps_[kParts];  // code_ bound to the columns; the candidates' part ends with the delivery

    double* column(std::uint32_t slot) { return columns_.data() + static_cast<std::size_t>(slot) * capacity_; }
    void fuseUnaryOperations();
    void bind();

    template <class Decision>
    void rateWith(const Loads<Decision>& loads, const Decision& at, CandidateBatch& batch) {
        const int count = batch.size();
        reserve(std::max(count, at.work.rows.n));
        if (setStamp_ != at.work.rows.stamp || setStamp_ == 0) takeSet(loads, at);
        constexpr int kMoment = static_cast<int>(Varies::PerMoment);
        gather(loads[kMoment], at, everyJob_.data(), 1);
        execute(steps_[kMoment], everyJob_.data(), 1);
        gather(loads[kCandidate], at, batch.jobs(), count);
        steps_[kCandidate].back().out = batch.priorities();
        execute(steps_[kCandidate], batch.jobs(), count);
        rated_ += static_cast<std::uint64_t>(count);
    }

    // The per-set and per-job slots of the set in hand of the decision.
    template <class Decision>
    void takeSet(const Loads<Decision>& loads, const Decision& at) {
        constexpr int kSet = static_cast<int>(Varies::PerSet);
        constexpr int kJob = static_cast<int>(Varies::PerJob);
        setStamp_ = at.work.rows.stamp;
        gather(loads[kSet], at, everyJob_.data(), 1);
        execute(steps_[kSet], everyJob_.data(), 1);
        gather(loads[kJob], at, everyJob_.data(), at.work.rows.n);
        execute(steps_[kJob], everyJob_.data(), at.work.rows.n);
    }

    template <class Decision>
    void gather(const std::vector<Load<Decision>>& loads, const Decision& at, const int* jobs, int count) {
        for (const Load<Decision>& load : loads) load.gather(at, jobs, count, column(load.slot));
    }

    // Runs a part's steps over `count` entries; `jobs` are the candidates' jobs, which ByJob reads.
    static void execute(const std::vector<Step>& steps, const int* jobs, int count) {
        for (const Step& step : steps) step.kernel(step.out, step.a, step.b, jobs, count);
    }

    friend class Compiler;
};

// A reference to a compiled rule in the form the dispatchers take by value, so that handing the
// rule to a dispatcher copies a pointer, not the program.
class RuleRef {
public:
    explicit RuleRef(CompiledRule& rule) : rule_(&rule) {}
    template <class Decision>
    void rate(const Decision& at, CandidateBatch& batch) {
        rule_->rate(at, batch);
    }

private:
    CompiledRule* rule_;
};

}  // namespace rules
