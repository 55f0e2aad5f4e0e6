#pragma once

// The language of priority rules: a rule is an expression tree over the terminals of one
// scheduling environment, numeric constants, + - * /, unary minus and the functions max, min,
// pos and exp. A tree is stored in prefix order, so every subtree is one contiguous run of
// nodes, which the genetic operators cut and splice directly.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/names.h"

namespace rules {

enum class Primitive : std::uint8_t { Add, Sub, Mul, Div, Neg, Max, Min, Pos, Exp, Constant, Terminal };

// What a terminal measures; its name and exact meaning depend on the environment.
enum class Terminal : std::uint8_t {
    // list-scheduling environments (single, uniform, unrelated) and the job shop
    Processing,  // p
    DueDate,     // d
    Weight,      // w
    Ready,       // r
    Time,        // t
    Wait,        // wait = max(r - t, 0)
    Slack,       // slack = d - (the work still ahead of j) - t
    // list-scheduling environments only
    Setup,                  // s
    Speed,                  // v
    InverseSpeedSum,        // L
    RemainingMeanDuration,  // K
    MeanDuration,           // pmean
    MeanSetup,              // smean
    ProcessingSum,          // SP
    Successors,             // succ
    // uniform and unrelated machines only: job j on machine k
    MachineFree,    // mfree: when k can take j
    Completion,     // C: when j would complete on k
    ShortestTime,   // pmin: j's smallest time over the set's machines
    MeanTime,       // pavg: j's mean time over the set's machines
    // job shop only
    RemainingWork,    // twkr
    WorkAfter,        // rem
    MachineMean,      // pm
    OperationsLeft,   // ops
    NextDuration,     // npt: the duration of j's operation after this one
    NextMachineFree,  // nmfree: when the machine of that operation finishes its last one
    NextQueueWork,    // winq: the work queued for the machine of that operation
    PreviousStart,    // prev: when the operation started in the previous schedule, less t
    PreviousFloat,    // float: how much later it could have started there without a longer makespan
};

struct Node {
    Primitive primitive;
    Terminal terminal = Terminal::Processing;  // for Primitive::Terminal
    double value = 0;                          // for Primitive::Constant
};

int arity(Primitive primitive);

// A rule tree in prefix order. Trees built by the parser, the XML reader and the genetic
// operators are always complete: every node has exactly arity() subtrees after it.
struct Tree {
    std::vector<Node> nodes;

    int size() const { return static_cast<int>(nodes.size()); }
    int depth() const;  // a lone terminal has depth 1
    // One past the last node of the subtree rooted at `root`.
    int subtreeEnd(int root) const;
    bool operator==(const Tree& other) const;
};

// The operators by the names of their XML form, which the learner's --functions option uses too:
// + - * / neg max min pos exp.
struct OperatorName {
    std::string_view name;
    Primitive primitive;
};
const std::vector<OperatorName>& operatorNames();

// A 64-bit hash of the tree's nodes: equal trees (constants compared bit for bit) have equal
// hashes, so trees are looked up by it and compared node by node only when it matches.
std::uint64_t hashOf(const Tree& tree);

// The entry filed under `hash` in a multimap whose tree equals `tree`, or null; treeOf gives an
// entry's tree.
template <class Map, class TreeOf>
auto findTree(Map& entries, std::uint64_t hash, const Tree& tree, TreeOf treeOf) -> decltype(&entries.begin()->second) {
    for (auto [at, end] = entries.equal_range(hash); at != end; ++at)
        if (treeOf(at->second) == tree) return &at->second;
    return nullptr;
}

// A terminal with its name in an environment (learner/terminals.h lists them).
struct TerminalName {
    std::string_view name;
    Terminal terminal;
};

// A rule that cannot be read: the message says where (1-based character position for infix text)
// and what was expected.
class RuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Trees deeper than this are refused, so that reading, printing and evaluating them stay within
// bounded stack space.
inline constexpr int kMaxDepth = 200;

Tree parseInfix(std::string_view text, Environment environment);
// The canonical text: blanks around binary operators, parentheses only where the tree needs them,
// constants in their shortest form that reads back to the same double.
std::string toInfix(const Tree& tree, Environment environment);

// The shortest decimal text of a finite constant that reads back to the same double.
std::string constantText(double value);

}  // namespace rules
