#include "learner/variation.h"

#include <cstdint>
#include <unordered_map>

#include "learner/terminals.h"

namespace gp {

namespace {

using rules::Node;
using rules::Primitive;
using rules::Tree;

// How often a variation that would exceed the maximum depth is drawn again.
constexpr int kAttempts = 5;

// How often a repeated tree of the initial population is drawn again.
constexpr int kFreshDraws = 10;

void grow(Tree& tree, const PrimitiveSet& primitives, RandomStream& random, int depth, bool full) {
    const bool leaf = depth <= 1 || (!full && random.chance(primitives.leafShare()));
    if (leaf) {
        tree.nodes.push_back(primitives.leaf(random));
        return;
    }
    const Node function = primitives.function(random);
    tree.nodes.push_back(function);
    for (int i = 0; i < rules::arity(function.primitive); ++i) grow(tree, primitives, random, depth - 1, full);
}

}  // namespace

PrimitiveSet::PrimitiveSet(const Collection& collection, std::vector<Primitive> functions, bool withPreviousSchedule)
    : functions_(std::move(functions)) {
    for (const rules::TerminalName& t : rules::terminalsOf(collection.environment))
        if (!rules::fixedIn(collection, t.terminal) && (withPreviousSchedule || !rules::ofPreviousSchedule(t.terminal)))
            terminals_.push_back(t.terminal);
}

Node PrimitiveSet::leaf(RandomStream& random) const {
    const int choice = random.below(static_cast<int>(terminals_.size()) + 1);
    if (choice < static_cast<int>(terminals_.size()))
        return Node{Primitive::Terminal, terminals_[static_cast<std::size_t>(choice)]};
    // Two decimals from 0.01 to 10: short to read in a rule, and exact in its written forms.
    return Node{Primitive::Constant, rules::Terminal::Processing, (1 + random.below(1000)) / 100.0};
}

Node PrimitiveSet::function(RandomStream& random) const {
    return Node{functions_[static_cast<std::size_t>(random.below(static_cast<int>(functions_.size())))]};
}

double PrimitiveSet::leafShare() const {
    const double leaves = static_cast<double>(terminals_.size()) + 1;
    return leaves / (leaves + static_cast<double>(functions_.size()));
}

Tree randomTree(const PrimitiveSet& primitives, RandomStream& random, int depth, bool full) {
    Tree tree;
    grow(tree, primitives, random, depth, full);
    return tree;
}

std::vector<Tree> rampedHalfAndHalf(const PrimitiveSet& primitives, RandomStream& random, int count, int minDepth,
                                    int maxDepth) {
    const int depths = maxDepth - minDepth + 1;
    std::vector<Tree> trees;
    std::unordered_multimap<std::uint64_t, std::size_t> seen;  // index in trees
    const auto isSeen = [&](const Tree& tree) {
        return rules::findTree(seen, rules::hashOf(tree), tree, [&](std::size_t i) -> const Tree& { return trees[i]; });
    };
    for (int i = 0; i < count; ++i) {
        const int depth = minDepth + (i / 2) % depths;
        const bool full = i % 2 == 1;
        Tree tree = randomTree(primitives, random, depth, full);
        for (int draw = 1; draw < kFreshDraws && isSeen(tree); ++draw) tree = randomTree(primitives, random, depth, full);
        seen.emplace(rules::hashOf(tree), trees.size());
        trees.push_back(std::move(tree));
    }
    return trees;
}

int pickNode(const Tree& tree, RandomStream& random) {
    std::vector<int> inner, leaves;
    for (int i = 0; i < tree.size(); ++i)
        (rules::arity(tree.nodes[static_cast<std::size_t>(i)].primitive) > 0 ? inner : leaves).push_back(i);
    const std::vector<int>& from = !inner.empty() && random.chance(0.9) ? inner : leaves;
    return from[static_cast<std::size_t>(random.below(static_cast<int>(from.size())))];
}

Tree spliced(const Tree& into, int at, const Tree& from, int fromAt) {
    const auto begin = [](const Tree& t, int i) { return t.nodes.begin() + i; };
    Tree result;
    result.nodes.reserve(into.nodes.size() + from.nodes.size());
    result.nodes.insert(result.nodes.end(), into.nodes.begin(), begin(into, at));
    result.nodes.insert(result.nodes.end(), begin(from, fromAt), begin(from, from.subtreeEnd(fromAt)));
    result.nodes.insert(result.nodes.end(), begin(into, into.subtreeEnd(at)), into.nodes.end());
    return result;
}

void crossover(Tree& first, Tree& second, RandomStream& random, int maxDepth) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int a = pickNode(first, random);
        const int b = pickNode(second, random);
        Tree one = spliced(first, a, second, b);
        Tree two = spliced(second, b, first, a);
        if (one.depth() > maxDepth || two.depth() > maxDepth) continue;
        first = std::move(one);
        second = std::move(two);
        return;
    }
}

void mutate(Tree& tree, const PrimitiveSet& primitives, RandomStream& random, int mutationDepth, int maxDepth) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int at = pickNode(tree, random);
        const Tree graft = randomTree(primitives, random, 1 + random.below(mutationDepth), false);
        Tree mutant = spliced(tree, at, graft, 0);
        if (mutant.depth() > maxDepth) continue;
        tree = std::move(mutant);
        return;
    }
}

}  // namespace gp
