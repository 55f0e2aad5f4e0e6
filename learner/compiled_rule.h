#pragma once

// A rule tree compiled once into a flat three-address program, run for every candidate of every
// decision by the evaluator's own dispatchers: no allocation, no virtual call. Every value lives
// in a slot: the terminals the rule reads (loaded once per candidate), its constants and the
// results of its operations. Equal subtrees are computed once, and subtrees of constants alone
// are folded at compile time; both give the very doubles the tree gives, because the operations
// are deterministic and kept exactly as written (no reassociation, no fused multiply-add).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "fitness/scheduler.h"
#include "learner/rule_language.h"

namespace rules {

// The terminal reads, each with its own slot (its value) and bit (whether a rule uses it).
enum class Load : std::uint8_t {
    // list-scheduling environments
    Processing,
    UnrelatedProcessing,
    DueDate,
    Weight,
    Ready,
    Time,
    Wait,
    Setup,
    Speed,
    InverseSpeedSum,
    RemainingMeanDuration,
    MeanDuration,
    MeanSetup,
    ProcessingSum,
    Successors,
    // job shop
    OperationDuration,
    RemainingWork,
    WorkAfter,
    MachineMean,
    OperationsLeft,
    JobShopDueDate,
    JobShopWeight,
    JobShopTime,
    JobReady,
    JobShopWait,
    Count
};
inline constexpr int kLoads = static_cast<int>(Load::Count);

enum class Op : std::uint8_t { Add, Sub, Mul, Div, Neg, Max, Min, Pos, Exp };

// slots[result] = slots[left] op slots[right]; a unary operation reads `left`.
struct Instruction {
    Op op;
    std::uint32_t result;
    std::uint32_t left;
    std::uint32_t right;
};

// Division by exactly zero gives 1, the protected division of GP.
inline double protectedDivide(double a, double b) { return b == 0 ? 1.0 : a / b; }
inline double positivePart(double x) { return std::max(x, 0.0); }

inline double apply(Op op, double left, double right) {
    switch (op) {
        case Op::Add:
            return left + right;
        case Op::Sub:
            return left - right;
        case Op::Mul:
            return left * right;
        case Op::Div:
            return protectedDivide(left, right);
        case Op::Neg:
            return -left;
        case Op::Max:
            return std::max(left, right);
        case Op::Min:
            return std::min(left, right);
        case Op::Pos:
            return positivePart(left);
        case Op::Exp:
            return std::exp(left);
    }
    __builtin_unreachable();  // every operation has its case: no range check in the hot loop
}

// What a list-scheduling dispatcher tells a rule: job j considered for `machine` at `time`, after
// `previous` on that machine.
struct ListDecision {
    const Scheduler& s;
    int set;
    int job;
    int previous;
    double time;
    int machine;
};

// What the job-shop dispatcher tells a rule: the next operation of the job (position `operation`
// of its route), the time its machine can start and the time the job is ready.
struct ShopDecision {
    const Scheduler& s;
    int set;
    int job;
    int operation;
    double time;
    double jobReady;
};

// A compiled rule keeps its slots with it, so one rule object serves one thread at a time; every
// worker of a parallel evaluation compiles its own.
class CompiledRule {
public:
    CompiledRule(const Tree& tree, int environment);

    double operator()(const Scheduler& s, int set, int job, int previous, double time, int machine) {
        loadTerminals(ListDecision{s, set, job, previous, time, machine});
        return execute();
    }
    double operator()(const Scheduler& s, int set, int job, int operation, double time, double jobReady, int) {
        loadTerminals(ShopDecision{s, set, job, operation, time, jobReady});
        return execute();
    }

    std::size_t operations() const { return code_.size(); }

private:
    std::vector<Instruction> code_;
    std::vector<double> slots_;  // kLoads terminal slots, then constants, then results
    std::uint32_t used_ = 0;     // bit i: the rule reads Load i
    std::uint32_t result_ = 0;

    bool uses(Load load) const { return used_ & (std::uint32_t{1} << static_cast<int>(load)); }
    double& slot(Load load) { return slots_[static_cast<std::size_t>(load)]; }

    void loadTerminals(const ListDecision& d);
    void loadTerminals(const ShopDecision& d);
    double execute();

    friend class Compiler;
};

// A reference to a compiled rule in the form the dispatchers take by value, so that handing the
// rule to a dispatcher copies a pointer, not the program.
class RuleRef {
public:
    explicit RuleRef(CompiledRule& rule) : rule_(&rule) {}
    template <class... Args>
    double operator()(const Scheduler& s, Args... args) const {
        return (*rule_)(s, args...);
    }

private:
    CompiledRule* rule_;
};

inline void CompiledRule::loadTerminals(const ListDecision& d) {
    const Scheduler& s = d.s;
    if (uses(Load::Processing)) slot(Load::Processing) = s.processingTimes.at(d.set, d.job);
    if (uses(Load::UnrelatedProcessing))
        slot(Load::UnrelatedProcessing) =
            s.processingTimes.at(d.set, d.job * static_cast<int>(s.machineCount.at(d.set, 0)) + d.machine);
    if (uses(Load::DueDate)) slot(Load::DueDate) = s.dueDates.at(d.set, d.job);
    if (uses(Load::Weight)) slot(Load::Weight) = s.weights.at(d.set, d.job);
    if (uses(Load::Ready)) slot(Load::Ready) = s.releaseTimes.at(d.set, d.job);
    if (uses(Load::Time)) slot(Load::Time) = d.time;
    if (uses(Load::Wait)) slot(Load::Wait) = positivePart(s.releaseTimes.at(d.set, d.job) - d.time);
    if (uses(Load::Setup)) slot(Load::Setup) = s.hasSetups ? s.setupTimes.at(d.previous, d.job) : 0.0;
    if (uses(Load::Speed)) slot(Load::Speed) = s.speeds.at(d.set, d.machine);
    if (uses(Load::InverseSpeedSum)) slot(Load::InverseSpeedSum) = s.inverseSpeedSum;
    if (uses(Load::RemainingMeanDuration)) slot(Load::RemainingMeanDuration) = s.meanRemainingDuration;
    if (uses(Load::MeanDuration)) slot(Load::MeanDuration) = s.meanDuration;
    if (uses(Load::MeanSetup)) slot(Load::MeanSetup) = s.meanSetup;
    if (uses(Load::ProcessingSum)) slot(Load::ProcessingSum) = s.processingSum.at(d.set, 0);
    if (uses(Load::Successors)) slot(Load::Successors) = s.precedenceLists.at(d.job, 1);
}

inline void CompiledRule::loadTerminals(const ShopDecision& d) {
    const Scheduler& s = d.s;
    if (uses(Load::OperationDuration)) slot(Load::OperationDuration) = s.operationDurations.at(d.job, d.operation);
    if (uses(Load::RemainingWork)) slot(Load::RemainingWork) = s.remainingWork(d.set, d.job, d.operation);
    if (uses(Load::WorkAfter)) slot(Load::WorkAfter) = s.remainingWork(d.set, d.job, d.operation + 1);
    if (uses(Load::MachineMean))
        slot(Load::MachineMean) =
            s.machineMeanDuration.at(static_cast<int>(s.operationMachines.at(d.job, d.operation)), 0);
    if (uses(Load::OperationsLeft)) slot(Load::OperationsLeft) = s.machineCount.at(d.set, 0) - d.operation;
    if (uses(Load::JobShopDueDate)) slot(Load::JobShopDueDate) = s.dueDates.at(d.set, d.job);
    if (uses(Load::JobShopWeight)) slot(Load::JobShopWeight) = s.hasWeights ? s.weights.at(d.set, d.job) : 1.0;
    if (uses(Load::JobShopTime)) slot(Load::JobShopTime) = d.time;
    if (uses(Load::JobReady)) slot(Load::JobReady) = d.jobReady;
    if (uses(Load::JobShopWait)) slot(Load::JobShopWait) = positivePart(d.jobReady - d.time);
}

inline double CompiledRule::execute() {
    double* v = slots_.data();
    for (const Instruction& i : code_) v[i.result] = apply(i.op, v[i.left], v[i.right]);
    return v[result_];
}

}  // namespace rules
