// The compiled program against a plain recursive reading of the same tree: random trees over every
// terminal, random candidates, bit-for-bit equal priorities (folding and shared subtrees included).
#include "learner/compiled_rule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "fitness/candidate_batch.h"
#include "learner/rule_language.h"

using rules::Node;
using rules::Primitive;
using rules::Terminal;
using rules::Tree;

namespace {

constexpr int kSingle = 0;
constexpr int kUniform = 1;

// What the terminals are worth for one candidate, read from the tables independently of the compiler.
struct Values {
    double p, d, w, r, t, wait, s, v, L, K, pmean, smean, SP, succ, slack;
};

double terminalValue(Terminal terminal, const Values& x) {
    switch (terminal) {
        case Terminal::Processing:
            return x.p;
        case Terminal::DueDate:
            return x.d;
        case Terminal::Weight:
            return x.w;
        case Terminal::Ready:
            return x.r;
        case Terminal::Time:
            return x.t;
        case Terminal::Wait:
            return x.wait;
        case Terminal::Setup:
            return x.s;
        case Terminal::Speed:
            return x.v;
        case Terminal::InverseSpeedSum:
            return x.L;
        case Terminal::RemainingMeanDuration:
            return x.K;
        case Terminal::MeanDuration:
            return x.pmean;
        case Terminal::MeanSetup:
            return x.smean;
        case Terminal::ProcessingSum:
            return x.SP;
        case Terminal::Slack:
            return x.slack;
        default:
            return x.succ;
    }
}

// The tree read the obvious way, one node at a time.
double evaluate(const Tree& tree, int& at, const Values& x) {
    const Node& node = tree.nodes[static_cast<std::size_t>(at++)];
    switch (node.primitive) {
        case Primitive::Constant:
            return node.value;
        case Primitive::Terminal:
            return terminalValue(node.terminal, x);
        case Primitive::Neg:
            return -evaluate(tree, at, x);
        case Primitive::Pos:
            return std::max(evaluate(tree, at, x), 0.0);
        case Primitive::Exp:
            return std::exp(evaluate(tree, at, x));
        default:
            break;
    }
    const double a = evaluate(tree, at, x);
    const double b = evaluate(tree, at, x);
    switch (node.primitive) {
        case Primitive::Add:
            return a + b;
        case Primitive::Sub:
            return a - b;
        case Primitive::Mul:
            return a * b;
        case Primitive::Div:
            return b == 0 ? 1.0 : a / b;
        case Primitive::Max:
            return std::max(a, b);
        default:
            return std::min(a, b);
    }
}

// Random trees that reuse a few subtrees (so the compiler shares them) and hold constants
// (so it folds them), zeros included (so divisions by zero happen).
class TreeMaker {
public:
    explicit TreeMaker(unsigned seed) : random_(seed) {}

    Tree make(int depth) {
        Tree tree;
        grow(tree, depth);
        return tree;
    }

private:
    std::mt19937 random_;
    std::vector<Tree> kept_;

    int below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

    void grow(Tree& tree, int depth) {
        if (!kept_.empty() && below(6) == 0) {
            const Tree& again = kept_[static_cast<std::size_t>(below(static_cast<int>(kept_.size())))];
            tree.nodes.insert(tree.nodes.end(), again.nodes.begin(), again.nodes.end());
            return;
        }
        if (depth <= 1 || below(4) == 0) {
            leaf(tree);
            return;
        }
        constexpr Primitive kOperators[] = {Primitive::Add, Primitive::Sub, Primitive::Mul,
                                            Primitive::Div, Primitive::Neg, Primitive::Max,
                                            Primitive::Min, Primitive::Pos, Primitive::Exp};
        const Primitive op = kOperators[below(9)];
        const std::size_t start = tree.nodes.size();
        tree.nodes.push_back(Node{op});
        for (int i = 0; i < rules::arity(op); ++i) grow(tree, depth - 1);
        if (below(3) == 0)
            kept_.push_back(Tree{{tree.nodes.begin() + static_cast<std::ptrdiff_t>(start), tree.nodes.end()}});
    }

    void leaf(Tree& tree) {
        if (below(4) == 0) {
            constexpr double kConstants[] = {0.0, -0.0, 1.0, 0.5, 2.3, 1e-3, 40.0};
            tree.nodes.push_back(Node{Primitive::Constant, Terminal::Processing, kConstants[below(7)]});
            return;
        }
        const std::vector<rules::TerminalName>& terminals = rules::terminalsOf(kUniform);
        const int choice = below(static_cast<int>(terminals.size()));
        tree.nodes.push_back(Node{Primitive::Terminal, terminals[static_cast<std::size_t>(choice)].terminal});
    }
};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

// A uniform-machine set of five jobs with setups and successors, in hand as a dispatcher has it.
Scheduler uniformSet() {
    Scheduler s;
    s.environment = Uniform;
    s.hasSetups = 1;
    s.processingTimes.init(2, 5);
    s.dueDates.init(2, 5);
    s.weights.init(2, 5);
    s.releaseTimes.init(2, 5);
    s.speeds.init(2, 5);
    s.processingSum.init(2, 1);
    s.setupTimes.init(6, 5);
    s.precedenceLists.initZero(5, 6);
    const double p[] = {3, 0, 7.5, 2, 11}, d[] = {10, 4, 30, 0, 25}, w[] = {1, 2, 0.5, 4, 1}, r[] = {0, 6, 2, 9, 1};
    for (int j = 0; j < 5; ++j) {
        s.processingTimes.at(1, j) = p[j];
        s.dueDates.at(1, j) = d[j];
        s.weights.at(1, j) = w[j];
        s.releaseTimes.at(1, j) = r[j];
        s.speeds.at(1, j) = 0.5 + j;
        s.precedenceLists.at(j, 1) = j % 3;
        for (int q = 0; q < 6; ++q) s.setupTimes.at(q, j) = (q * 7 + j * 3) % 5;
    }
    s.processingSum.at(1, 0) = 23.5;
    s.inverseSpeedSum = 2.7;
    s.meanRemainingDuration = 4.75;
    s.meanDuration = 4.7;
    s.meanSetup = 2.2;
    return s;
}

}  // namespace

TEST(CompiledRule, RatesEveryCandidateAsTheTreeReadsBitForBit) {
    Scheduler s = uniformSet();
    const int set = 1, previous = 5, machine = 2;
    const double time = 5;
    CandidateBatch batch;
    batch.reserve(6);
    for (const int j : {4, 0, 1, 2, 3, 0}) batch.add(j);  // in any order, a job twice

    TreeMaker maker(2024);
    int trees = 0;
    for (int i = 0; i < 3000; ++i) {
        const Tree tree = maker.make(1 + i % 8);
        if (tree.depth() > rules::kMaxDepth) continue;
        rules::CompiledRule rule(tree, kUniform);
        rule.rateList(s, set, batch, previous, time, machine);
        for (int c = 0; c < batch.size(); ++c) {
            const int j = batch.jobs()[c];
            const double r = s.releaseTimes.at(set, j);
            const Values x{s.processingTimes.at(set, j),
                           s.dueDates.at(set, j),
                           s.weights.at(set, j),
                           r,
                           time,
                           std::max(r - time, 0.0),
                           s.setupTimes.at(previous, j),
                           s.speeds.at(set, machine),
                           s.inverseSpeedSum,
                           s.meanRemainingDuration,
                           s.meanDuration,
                           s.meanSetup,
                           s.processingSum.at(set, 0),
                           s.precedenceLists.at(j, 1),
                           s.dueDates.at(set, j) - s.processingTimes.at(set, j) * s.speeds.at(set, machine) - time};
            int at = 0;
            const double expected = evaluate(tree, at, x);
            ASSERT_TRUE(sameBits(batch.priorities()[c], expected))
                << rules::toInfix(tree, kUniform) << " job " << j << ": " << batch.priorities()[c] << " vs "
                << expected;
        }
        ++trees;
    }
    EXPECT_GT(trees, 2900);
}

TEST(CompiledRule, SharesEqualSubtreesAndFoldsConstants) {
    const auto operations = [](const char* text) {
        return rules::CompiledRule(rules::parseInfix(text, kSingle), kSingle).operations();
    };
    EXPECT_EQ(operations("w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K))"), 10u);  // p + wait once
    EXPECT_EQ(operations("p * (2 + 3 * exp(0))"), 1u);
    EXPECT_EQ(operations("v * L"), 0u);  // a single machine's speed and speed sum are 1
    EXPECT_EQ(operations("p"), 0u);
}

TEST(CompiledRule, DivisionByExactlyZeroGivesOne) {
    Scheduler s = uniformSet();
    CandidateBatch batch;
    batch.reserve(5);
    for (int j = 0; j < 5; ++j) batch.add(j);
    const auto rate = [&](const char* text) {
        rules::CompiledRule rule(rules::parseInfix(text, kUniform), kUniform);
        rule.rateList(s, 1, batch, 5, 0.0, 0);
        return std::vector<double>(batch.priorities(), batch.priorities() + 5);
    };
    EXPECT_EQ(rate("w / p"), (std::vector<double>{1.0 / 3, 1, 0.5 / 7.5, 2, 1.0 / 11}));  // job 1 has p = 0
    EXPECT_EQ(rate("d / (p - p)"), std::vector<double>(5, 1.0));
    EXPECT_EQ(rate("0 / 0 + 1 / -0"), std::vector<double>(5, 2.0));  // folded with the same rule
    EXPECT_EQ(rate("-1 / 1e-320")[0], -1.0 / 1e-320);                // not zero: the plain quotient
}
