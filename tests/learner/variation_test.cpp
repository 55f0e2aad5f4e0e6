// The learner's tree construction and variation operators: every tree they make is complete,
// within its depth limits and readable in both written forms; crossover exchanges one subtree of
// each parent; mutation replaces one subtree with a small grown one; terminals that the
// collection fixes are never drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "learner/compiled_rule.h"
#include "learner/rule_language.h"
#include "learner/rule_xml.h"
#include "learner/terminals.h"
#include "learner/variation.h"

using rules::Node;
using rules::Primitive;
using rules::Tree;

namespace {

using enum Environment;

// A collection as far as the primitive set looks at it: its environment and which optional data
// it has.
struct Flags {
    Environment environment = Single;
    bool releaseTimes = false;
    bool setups = false;
    bool constraints = false;
};

Collection collectionWith(const Flags& flags) {
    Collection s;
    s.environment = flags.environment;
    s.hasReleaseTimes = flags.releaseTimes;
    s.hasSetups = flags.setups;
    s.hasConstraints = flags.constraints;
    s.hasWeights = 1;
    return s;
}

std::vector<Primitive> allOperators() {
    std::vector<Primitive> operators;
    for (const rules::OperatorName& o : rules::operatorNames()) operators.push_back(o.primitive);
    return operators;
}

// A primitive set of every operator over a collection with every optional datum, so that the
// trees hold every kind of node.
gp::PrimitiveSet everything(Environment environment) {
    return gp::PrimitiveSet(collectionWith({environment, true, true, true}), allOperators());
}

// Whether every node has exactly its arity's subtrees after it, with nothing left over; read
// without Tree::subtreeEnd, which may assume a complete tree.
bool complete(const Tree& tree) {
    int owed = 1;
    for (const Node& node : tree.nodes) {
        if (owed == 0) return false;
        owed += rules::arity(node.primitive) - 1;
    }
    return owed == 0;
}

void collectLeafDepths(const Tree& tree, std::size_t& at, int depth, std::vector<int>& depths) {
    const int children = rules::arity(tree.nodes[at++].primitive);
    if (children == 0) depths.push_back(depth);
    for (int i = 0; i < children; ++i) collectLeafDepths(tree, at, depth + 1, depths);
}

// The depth of every leaf of a complete tree, the root's level being 1.
std::vector<int> leafDepths(const Tree& tree) {
    std::vector<int> depths;
    std::size_t at = 0;
    collectLeafDepths(tree, at, 1, depths);
    return depths;
}

int deepestLeaf(const Tree& tree) {
    const std::vector<int> depths = leafDepths(tree);
    return *std::max_element(depths.begin(), depths.end());
}

// A complete tree that both written forms give back exactly and that compiles in its environment.
void expectValid(const Tree& tree, Environment environment) {
    ASSERT_FALSE(tree.nodes.empty());
    ASSERT_TRUE(complete(tree));
    EXPECT_EQ(tree.subtreeEnd(0), tree.size());
    EXPECT_EQ(tree.depth(), deepestLeaf(tree));
    const std::string infix = rules::toInfix(tree, environment);
    EXPECT_TRUE(rules::fromXml(rules::toXml(tree, environment), environment) == tree) << infix;
    EXPECT_TRUE(rules::parseInfix(infix, environment) == tree) << infix;
    EXPECT_NO_THROW(rules::CompiledRule(tree, environment)) << infix;
}

bool sameNode(const Node& a, const Node& b) { return Tree{{a}} == Tree{{b}}; }

bool sameRun(const Tree& a, int aFrom, const Tree& b, int bFrom, int length) {
    for (int i = 0; i < length; ++i)
        if (!sameNode(a.nodes[static_cast<std::size_t>(aFrom + i)], b.nodes[static_cast<std::size_t>(bFrom + i)]))
            return false;
    return true;
}

// The places `at` of `into` such that `child` is `into` with the subtree at `at` replaced by some
// run of nodes: the child keeps the nodes before `at` and those after that subtree.
std::vector<int> replacedSubtrees(const Tree& child, const Tree& into) {
    std::vector<int> places;
    for (int at = 0; at < into.size(); ++at) {
        const int tail = into.size() - into.subtreeEnd(at);
        const int middle = child.size() - at - tail;
        if (middle < 1) continue;
        if (sameRun(child, 0, into, 0, at) && sameRun(child, at + middle, into, into.subtreeEnd(at), tail))
            places.push_back(at);
    }
    return places;
}

// The inserted run of `child` when `into`'s subtree at `at` is what was replaced.
Tree insertedAt(const Tree& child, const Tree& into, int at) {
    const int tail = into.size() - into.subtreeEnd(at);
    return Tree{{child.nodes.begin() + at, child.nodes.end() - tail}};
}

// Whether the children are the parents with one subtree of each swapped.
bool swapsOneSubtreeEach(const Tree& firstChild, const Tree& secondChild, const Tree& first, const Tree& second) {
    for (int a : replacedSubtrees(firstChild, first)) {
        const Tree fromSecond = insertedAt(firstChild, first, a);
        for (int b : replacedSubtrees(secondChild, second)) {
            const Tree fromFirst = insertedAt(secondChild, second, b);
            const Tree subtreeOfFirst{{first.nodes.begin() + a, first.nodes.begin() + first.subtreeEnd(a)}};
            const Tree subtreeOfSecond{{second.nodes.begin() + b, second.nodes.begin() + second.subtreeEnd(b)}};
            if (fromSecond == subtreeOfSecond && fromFirst == subtreeOfFirst) return true;
        }
    }
    return false;
}

std::multiset<std::uint64_t> nodeKeys(std::initializer_list<const Tree*> trees) {
    std::multiset<std::uint64_t> keys;
    for (const Tree* tree : trees)
        for (const Node& node : tree->nodes) keys.insert(rules::hashOf(Tree{{node}}));
    return keys;
}

// The names of the terminals `count` leaves drawn from the set use (constants left out).
std::set<std::string> drawnTerminals(const gp::PrimitiveSet& primitives, Environment environment, int count) {
    gp::RandomStream random(5);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i) {
        const Node leaf = primitives.leaf(random);
        if (leaf.primitive == Primitive::Terminal) names.insert(std::string(rules::nameOf(leaf.terminal, environment)));
    }
    return names;
}

}  // namespace

TEST(TreeConstruction, FullTreesHaveEveryLeafAtTheirDepthAndGrownTreesStayWithinIt) {
    for (const Environment environment : kEnvironments) {
        const gp::PrimitiveSet primitives = everything(environment);
        gp::RandomStream random(11);
        for (int depth = 1; depth <= 7; ++depth) {
            for (int i = 0; i < 20; ++i) {
                const Tree full = gp::randomTree(primitives, random, depth, true);
                const std::vector<int> depths = leafDepths(full);
                EXPECT_TRUE(std::all_of(depths.begin(), depths.end(), [&](int d) { return d == depth; }))
                    << rules::toInfix(full, environment);
                const Tree grown = gp::randomTree(primitives, random, depth, false);
                EXPECT_LE(deepestLeaf(grown), depth) << rules::toInfix(grown, environment);
            }
        }
    }
}

TEST(TreeConstruction, RampedHalfAndHalfCoversTheDepthsWithinTheLimitsAndStartsDiverse) {
    const gp::PrimitiveSet primitives = everything(Single);
    gp::RandomStream random(3);
    const int minDepth = 2, maxDepth = 5;
    const std::vector<Tree> trees = gp::rampedHalfAndHalf(primitives, random, 101, minDepth, maxDepth);
    ASSERT_EQ(trees.size(), 101u);
    std::set<int> fullDepths;
    std::set<std::uint64_t> distinct;
    for (const Tree& tree : trees) {
        expectValid(tree, Single);
        EXPECT_LE(tree.depth(), maxDepth);
        const std::vector<int> depths = leafDepths(tree);
        const bool full = std::all_of(depths.begin(), depths.end(), [&](int d) { return d == depths[0]; });
        if (full && tree.depth() >= minDepth) fullDepths.insert(tree.depth());
        distinct.insert(rules::hashOf(tree));
    }
    // Every depth of the ramp has its full trees.
    EXPECT_EQ(fullDepths, (std::set<int>{2, 3, 4, 5}));
    // Repeats are drawn again, so all but very few of the trees differ.
    EXPECT_GE(distinct.size(), 98u);
}

TEST(TreeConstruction, TreesOfEveryEnvironmentAreCompleteReadableAndCompile) {
    for (const Environment environment : kEnvironments) {
        SCOPED_TRACE(namesOf(environment).adjective);
        const gp::PrimitiveSet primitives = everything(environment);
        gp::RandomStream random(17);
        for (const Tree& tree : gp::rampedHalfAndHalf(primitives, random, 60, 1, 6)) expectValid(tree, environment);
    }
}

TEST(Crossover, SwapsOneSubtreeOfEachParentWithinTheMaximumDepth) {
    for (const Environment environment : {Single, JobShop}) {
        const gp::PrimitiveSet primitives = everything(environment);
        gp::RandomStream random(23);
        const int maxDepth = 5;
        int swapped = 0;
        const int trials = 200;
        for (int trial = 0; trial < trials; ++trial) {
            // Parents up to the maximum depth, so that many swaps would overflow it.
            const Tree first = gp::randomTree(primitives, random, 2 + trial % 4, trial % 2 == 0);
            const Tree second = gp::randomTree(primitives, random, maxDepth, trial % 3 == 0);
            Tree one = first, two = second;
            gp::crossover(one, two, random, maxDepth);
            expectValid(one, environment);
            expectValid(two, environment);
            EXPECT_LE(one.depth(), maxDepth);
            EXPECT_LE(two.depth(), maxDepth);
            EXPECT_EQ(nodeKeys({&one, &two}), nodeKeys({&first, &second}));
            const bool kept = one == first && two == second;
            EXPECT_TRUE(kept || swapsOneSubtreeEach(one, two, first, second))
                << rules::toInfix(first, environment) << " x " << rules::toInfix(second, environment) << " -> "
                << rules::toInfix(one, environment) << " | " << rules::toInfix(two, environment);
            if (!(one == first)) ++swapped;
        }
        // Most pairs do exchange something; parents are kept only when every draw overflows.
        EXPECT_GT(swapped, trials / 2);
    }
}

TEST(Crossover, ParentsAreKeptWhenNoSwapFitsTheMaximumDepth) {
    const gp::PrimitiveSet primitives = everything(Uniform);
    gp::RandomStream random(29);
    for (int trial = 0; trial < 20; ++trial) {
        const Tree first = gp::randomTree(primitives, random, 4, true);
        const Tree second = gp::randomTree(primitives, random, 3, true);
        Tree one = first, two = second;
        // Two lone leaves cannot hold the parents' nodes, so every swap leaves a child too deep.
        gp::crossover(one, two, random, 1);
        EXPECT_TRUE(one == first);
        EXPECT_TRUE(two == second);
    }
}

TEST(Mutation, ReplacesOneSubtreeWithASmallGrownTreeWithinTheMaximumDepth) {
    for (const Environment environment : kEnvironments) {
        SCOPED_TRACE(namesOf(environment).adjective);
        const gp::PrimitiveSet primitives = everything(environment);
        gp::RandomStream random(31);
        const int mutationDepth = 3, maxDepth = 5;
        int changed = 0;
        for (int trial = 0; trial < 100; ++trial) {
            const Tree parent = gp::randomTree(primitives, random, 1 + trial % maxDepth, trial % 2 == 0);
            Tree mutant = parent;
            gp::mutate(mutant, primitives, random, mutationDepth, maxDepth);
            expectValid(mutant, environment);
            EXPECT_LE(mutant.depth(), maxDepth);
            if (mutant == parent) continue;
            ++changed;
            bool graftFound = false;
            for (int at : replacedSubtrees(mutant, parent)) {
                const Tree graft = insertedAt(mutant, parent, at);
                graftFound = graftFound || (complete(graft) && graft.depth() <= mutationDepth);
            }
            EXPECT_TRUE(graftFound) << rules::toInfix(parent, environment) << " -> "
                                    << rules::toInfix(mutant, environment);
        }
        EXPECT_GT(changed, 80);
    }
}

// Terminals that are the same number at every decision of the collection are left out of the
// set: drawing many leaves shows exactly the terminals that vary, each of them.
TEST(PrimitiveSet, TerminalsFixedByTheCollectionAreNeverDrawn) {
    struct Case {
        Flags flags;
        std::set<std::string> terminals;
        bool previousSchedule = false;
    };
    const std::vector<Case> cases = {
        {{Single, false, false, false}, {"p", "d", "w", "t", "K", "pmean", "SP", "slack"}},
        {{Single, true, true, false}, {"p", "d", "w", "r", "t", "wait", "s", "K", "pmean", "smean", "SP", "slack"}},
        {{Uniform, true, false, true},
         {"p", "d", "w", "r", "t", "wait", "v", "L", "K", "pmean", "SP", "succ", "slack", "mfree", "C", "pmin",
          "pavg"}},
        {{Unrelated, false, true, false},
         {"p", "d", "w", "t", "s", "L", "K", "pmean", "smean", "SP", "slack", "mfree", "C", "pmin", "pavg"}},
        // In the job shop r is when the job's previous operation ends, so it varies without release times.
        {{JobShop, false, false, false},
         {"p", "twkr", "rem", "pm", "ops", "d", "w", "t", "r", "wait", "slack", "npt", "nmfree", "winq"}},
        // Only the iterated scheme makes a previous schedule for its terminals to read.
        {{JobShop, false, false, false},
         {"p", "twkr", "rem", "pm", "ops", "d", "w", "t", "r", "wait", "slack", "npt", "nmfree", "winq", "prev", "float"},
         true},
    };
    for (const Case& c : cases) {
        const Environment environment = c.flags.environment;
        const gp::PrimitiveSet primitives(collectionWith(c.flags), {Primitive::Add}, c.previousSchedule);
        EXPECT_EQ(drawnTerminals(primitives, environment, 3000), c.terminals) << namesOf(environment).adjective;
    }
}

TEST(PrimitiveSet, DrawsOnlyTheChosenOperatorsAndTwoDecimalConstantsUpToTen) {
    const gp::PrimitiveSet primitives(collectionWith({Single, true, false, false}),
                                      {Primitive::Max, Primitive::Div, Primitive::Exp});
    gp::RandomStream random(37);
    std::set<Primitive> operators;
    int constants = 0;
    for (int i = 0; i < 3000; ++i) {
        operators.insert(primitives.function(random).primitive);
        const Node leaf = primitives.leaf(random);
        if (leaf.primitive != Primitive::Constant) continue;
        ++constants;
        EXPECT_GE(leaf.value, 0.01);
        EXPECT_LE(leaf.value, 10.0);
        EXPECT_EQ(leaf.value, std::round(leaf.value * 100) / 100) << leaf.value;
    }
    EXPECT_EQ(operators, (std::set<Primitive>{Primitive::Max, Primitive::Div, Primitive::Exp}));
    EXPECT_GT(constants, 0);
}

// Without a weight file every job weighs 1, so w is a constant under another name like the
// other fixed terminals.
TEST(PrimitiveSet, WeightsAreFixedWithoutAWeightFile) {
    Collection unweighted = collectionWith({Single, true, false, false});
    unweighted.hasWeights = 0;
    const gp::PrimitiveSet primitives(unweighted, {Primitive::Add});
    EXPECT_EQ(drawnTerminals(primitives, Single, 3000).count("w"), 0u);
}
