// The compiled program against a plain recursive reading of the same tree: random trees over every
// terminal of every environment, list-scheduling and job-shop decisions, bit-for-bit equal priorities
// (folding and shared subtrees included).
#include "learner/compiled_rule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "fitness/decision.h"
#include "learner/rule_language.h"
#include "learner/terminals.h"
#include "support/collection_builder.h"

using rules::Node;
using rules::Primitive;
using rules::Terminal;
using rules::Tree;

namespace {

using testing_support::CollectionBuilder;

constexpr Environment kSingle = Environment::Single;
constexpr Environment kUniform = Environment::Uniform;

// What each terminal is worth for one candidate, read from the tables independently of the compiler.
// One entry per terminal, the last of the enumeration last.
using Values = std::array<double, static_cast<std::size_t>(Terminal::PreviousFloat) + 1>;

double terminalValue(Terminal terminal, const Values& x) { return x[static_cast<std::size_t>(terminal)]; }

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
            return exponential(evaluate(tree, at, x));  // the suite's own, as rules compute it
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
    TreeMaker(unsigned seed, Environment environment) : random_(seed), environment_(environment) {}

    Tree make(int depth) {
        Tree tree;
        grow(tree, depth);
        return tree;
    }

private:
    std::mt19937 random_;
    Environment environment_;
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
        const std::vector<rules::TerminalName>& terminals = rules::terminalsOf(environment_);
        const int choice = below(static_cast<int>(terminals.size()));
        tree.nodes.push_back(Node{Primitive::Terminal, terminals[static_cast<std::size_t>(choice)].terminal});
    }
};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

void set(Values& x, Terminal terminal, double value) { x[static_cast<std::size_t>(terminal)] = value; }

// Set 1 of a collection holds five jobs (on three machines where there are machines), with setups
// and successors, in hand as a dispatcher has it at a decision on machine 2 at time 5 after job 5,
// the machine free from 3.5 (as in the pair scheme). The compiled rule's priorities and the plain
// reading of the tree agree bit for bit.
class ListScheduling {
public:
    explicit ListScheduling(Environment environment) : collection_(instance(environment)), work_(collection_) {
        work_.takeListSet(1, 5, 3);
        work_.setupTimes.init(6, 5);
        for (int j = 0; j < 5; ++j) {
            work_.precedenceLists.at(j, 1) = j % 3;
            for (int q = 0; q < 6; ++q) work_.setupTimes.at(q, j) = (q * 7 + j * 3) % 5;
        }
        work_.inverseSpeedSum = 2.7;
        work_.meanRemainingDuration = 4.75;
        work_.meanDuration = 4.7;
        work_.meanSetup = 2.2;
    }

    ListDecision decision() const { return {work_, 5, 5.0, 2, 3.5}; }

    Values values(int j) const {
        const Collection& c = collection_;
        const bool unrelated = c.environment == Environment::Unrelated, uniform = c.environment == Environment::Uniform;
        const double p = c.processingTimes.get(1, unrelated ? j * 3 + 2 : j), d = c.dueDates.get(1, j);
        const double r = c.releaseTimes.get(1, j), v = uniform ? c.speeds.get(1, 2) : 1.0;
        Values x{};
        set(x, Terminal::Processing, p);
        set(x, Terminal::DueDate, d);
        set(x, Terminal::Weight, c.weights.get(1, j));
        set(x, Terminal::Ready, r);
        set(x, Terminal::Time, 5);
        set(x, Terminal::Wait, std::max(r - 5, 0.0));
        set(x, Terminal::Setup, work_.setupTimes.get(5, j));
        set(x, Terminal::Speed, v);
        set(x, Terminal::InverseSpeedSum, c.environment == Environment::Single ? 1.0 : 2.7);
        set(x, Terminal::RemainingMeanDuration, 4.75);
        set(x, Terminal::MeanDuration, 4.7);
        set(x, Terminal::MeanSetup, 2.2);
        set(x, Terminal::ProcessingSum, c.processingSum.get(1));
        set(x, Terminal::Successors, j % 3);
        set(x, Terminal::Slack, uniform ? d - p * v - 5 : d - p - 5);
        if (c.environment == Environment::Single) return x;
        std::vector<double> times;  // j's time on each machine
        for (int k = 0; k < 3; ++k)
            times.push_back(unrelated ? c.processingTimes.get(1, j * 3 + k) : c.processingTimes.get(1, j) * c.speeds.get(1, k));
        set(x, Terminal::MachineFree, 3.5);
        set(x, Terminal::Completion, std::max(r, 3.5) + times[2] + work_.setupTimes.get(5, j));
        set(x, Terminal::ShortestTime, *std::min_element(times.begin(), times.end()));
        set(x, Terminal::MeanTime, (times[0] + times[1] + times[2]) / 3);
        return x;
    }

private:
    Collection collection_;
    Workspace work_;

    static Collection instance(Environment environment) {
        const std::vector<double> p = {3, 0, 7.5, 2, 11};
        std::vector<double> perMachine;  // job j on machine k at j x 3 + k; machine 2 has p
        for (const double x : p) perMachine.insert(perMachine.end(), {x + 1, 2 * x, x});
        const bool unrelated = environment == Environment::Unrelated;
        return CollectionBuilder(environment)
            .processing({std::vector<double>(unrelated ? 15 : 5, 1.0), unrelated ? perMachine : p})
            .machines({3, 3})
            .speeds({{1, 1, 1}, {0.5, 1.5, 2.5}})
            .due({{1, 1, 1, 1, 1}, {10, 4, 30, 0, 25}})
            .weights({{1, 1, 1, 1, 1}, {1, 2, 0.5, 4, 1}})
            .releases({{0, 0, 0, 0, 0}, {0, 6, 2, 9, 1}})
            .sums({{1}, {23.5}})
            .setups(1);
    }
};

// Set 1 of a job shop holds three jobs of three operations each; the machine can start at 5, after
// job 3 (none yet), and the jobs wait at different places of their routes, where the machines'
// state has them; the machines finish their last operations at 7, 3 and 12. A previous schedule
// of the set (made up) started job j on machine k at 2j + 3k and could have started it k later.
class JobShop {
public:
    JobShop() : collection_(instance()), work_(collection_) {
        work_.takeShopSet(1, 3, 3);
        ShopFloor& floor = work_.floor;
        floor.reset(3, 3, ready_, work_.rows.machines, work_.rows.durations);
        for (int j = 0; j < 3; ++j)
            while (floor.nextOperation[j] < next_[j]) floor.perform(j, floor.nextMachine(j), 0, 1, 0);
        floor.machineFree = {7, 3, 12};
        PreviousSchedule& previous = work_.previous;
        previous.known = true;
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) {
                previous.start.push_back(2 * j + 3 * k);
                previous.latestStart.push_back(2 * j + 4 * k);
            }
    }

    ShopDecision decision() const { return {work_, 5.0, 3, next_, ready_}; }

    Values values(int j) const {
        const Collection& c = collection_;
        const int o = next_[j];
        double twkr = 0;
        for (int l = o; l < 3; ++l) twkr += c.operationDurations.get(1, j * 3 + l);
        const double p = c.operationDurations.get(1, j * 3 + o), d = c.dueDates.get(1, j);
        Values x{};
        set(x, Terminal::Processing, p);
        set(x, Terminal::RemainingWork, twkr);
        set(x, Terminal::WorkAfter, twkr - p);
        set(x, Terminal::MachineMean, c.machineMeanDuration.get(1, static_cast<int>(c.operationMachines.get(1, j * 3 + o))));
        set(x, Terminal::OperationsLeft, 3 - o);
        set(x, Terminal::DueDate, d);
        set(x, Terminal::Weight, c.weights.get(1, j));
        set(x, Terminal::Time, 5);
        set(x, Terminal::Ready, ready_[j]);
        set(x, Terminal::Wait, std::max(ready_[j] - 5, 0.0));
        set(x, Terminal::Slack, d - twkr - 5);
        const int machine = static_cast<int>(c.operationMachines.get(1, j * 3 + o));
        set(x, Terminal::PreviousStart, 2 * j + 3 * machine - 5);
        set(x, Terminal::PreviousFloat, machine);
        if (o + 1 < 3) {
            const int next = static_cast<int>(c.operationMachines.get(1, j * 3 + o + 1));
            set(x, Terminal::NextDuration, c.operationDurations.get(1, j * 3 + o + 1));
            set(x, Terminal::NextMachineFree, work_.floor.machineFree[static_cast<std::size_t>(next)]);
            double queued = 0;  // the next operations of all jobs that are on that machine
            for (int other = 0; other < 3; ++other)
                if (c.operationMachines.get(1, other * 3 + next_[other]) == next)
                    queued += c.operationDurations.get(1, other * 3 + next_[other]);
            set(x, Terminal::NextQueueWork, queued);
        }
        return x;
    }

private:
    Collection collection_;
    Workspace work_;
    const int next_[3] = {0, 1, 2};
    const double ready_[3] = {2, 9, 5};

    static Collection instance() {
        const std::vector<double> routes = {2004, 6, 1005, 3, 1002, 2008, 1001, 2009, 7};
        return CollectionBuilder(Environment::JobShop)
            .processing({routes, routes})
            .machines({3, 3})
            .due({{1, 1, 1}, {30, 12, 4}})
            .weights({{1, 1, 1}, {2, 0.5, 3}});
    }
};

// Rates random trees over the environment's terminals on a batch of candidates in any order, a
// job twice, and compares each priority with the tree's plain reading.
template <class Setting>
void expectBitForBit(const Setting& setting, Environment environment, std::initializer_list<int> candidates) {
    CandidateBatch batch;
    batch.reserve(static_cast<int>(candidates.size()));
    for (const int j : candidates) batch.add(j);
    TreeMaker maker(2024, environment);
    int trees = 0;
    for (int i = 0; i < 3000; ++i) {
        const Tree tree = maker.make(1 + i % 8);
        if (tree.depth() > rules::kMaxDepth) continue;
        rules::CompiledRule rule(tree, environment);
        rule.rate(setting.decision(), batch);
        for (int c = 0; c < batch.size(); ++c) {
            int at = 0;
            const double expected = evaluate(tree, at, setting.values(batch.jobs()[c]));
            ASSERT_TRUE(sameBits(batch.priorities()[c], expected))
                << rules::toInfix(tree, environment) << " job " << batch.jobs()[c] << ": " << batch.priorities()[c]
                << " vs " << expected;
        }
        ++trees;
    }
    EXPECT_GT(trees, 2900);
}

class CompiledListRule : public ::testing::TestWithParam<Environment> {};

TEST_P(CompiledListRule, RatesEveryCandidateAsTheTreeReadsBitForBit) {
    expectBitForBit(ListScheduling(GetParam()), GetParam(), {4, 0, 1, 2, 3, 0});
}

INSTANTIATE_TEST_SUITE_P(Environments, CompiledListRule,
                         ::testing::Values(Environment::Single, Environment::Uniform, Environment::Unrelated),
                         [](const auto& info) { return std::string(namesOf(info.param).keyword); });

TEST(CompiledShopRule, RatesEveryCandidateAsTheTreeReadsBitForBit) {
    expectBitForBit(JobShop(), Environment::JobShop, {2, 0, 1, 0});
}

}  // namespace

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
    const ListScheduling uniform(kUniform);
    CandidateBatch batch;
    batch.reserve(5);
    for (int j = 0; j < 5; ++j) batch.add(j);
    const auto rate = [&](const char* text) {
        rules::CompiledRule rule(rules::parseInfix(text, kUniform), kUniform);
        rule.rate(uniform.decision(), batch);
        return std::vector<double>(batch.priorities(), batch.priorities() + 5);
    };
    EXPECT_EQ(rate("w / p"), (std::vector<double>{1.0 / 3, 1, 0.5 / 7.5, 2, 1.0 / 11}));  // job 1 has p = 0
    EXPECT_EQ(rate("d / (p - p)"), std::vector<double>(5, 1.0));
    EXPECT_EQ(rate("0 / 0 + 1 / -0"), std::vector<double>(5, 2.0));  // folded with the same rule
    EXPECT_EQ(rate("-1 / 1e-320")[0], -1.0 / 1e-320);                // not zero: the plain quotient
}
