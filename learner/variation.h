#pragma once

// Tree construction and the variation operators of standard tree GP over the rule language:
// ramped half-and-half initialisation, subtree crossover and subtree mutation, all within a
// maximum depth. Every tree they return is complete and valid in its environment.
#include <vector>

#include "fitness/collection.h"
#include "learner/random_stream.h"
#include "learner/rule_language.h"

namespace gp {

// What trees are made of: the terminals of the collection's environment, random constants and
// the chosen operators of the language. Terminals whose value the collection fixes (a single
// machine's speed, setups without setup times, ...) are left out: they would only be constants
// under another name.
class PrimitiveSet {
public:
    // The terminals of the previous schedule only where the scheme makes one (withPreviousSchedule).
    PrimitiveSet(const Collection& collection, std::vector<rules::Primitive> functions,
                 bool withPreviousSchedule = false);

    // A terminal or a fresh random constant, each of the environment's terminals and the constant
    // equally likely.
    rules::Node leaf(RandomStream& random) const;
    rules::Node function(RandomStream& random) const;
    // The share of leaves among all primitives, for the "grow" method's choice at each node.
    double leafShare() const;

private:
    std::vector<rules::Terminal> terminals_;
    std::vector<rules::Primitive> functions_;
};

// A random tree: "full" puts leaves only at `depth`; "grow" lets them stand anywhere down to it.
rules::Tree randomTree(const PrimitiveSet& primitives, RandomStream& random, int depth, bool full);

// `count` trees with depths ramped evenly from minDepth to maxDepth, half grown, half full,
// repeated trees drawn again a few times so the population starts diverse.
std::vector<rules::Tree> rampedHalfAndHalf(const PrimitiveSet& primitives, RandomStream& random, int count,
                                           int minDepth, int maxDepth);

// A node of the tree for crossover or mutation: an inner node nine times in ten when the tree has
// one, the usual bias against swapping mere leaves.
int pickNode(const rules::Tree& tree, RandomStream& random);

// `into` with the subtree at `at` replaced by the subtree of `from` rooted at `fromAt`.
rules::Tree spliced(const rules::Tree& into, int at, const rules::Tree& from, int fromAt);

// Swaps a random subtree of each parent. A pair of children of which one is deeper than maxDepth
// is drawn again, a few times, before the parents are kept as they are.
void crossover(rules::Tree& first, rules::Tree& second, RandomStream& random, int maxDepth);

// Replaces a random subtree with a grown tree of depth up to mutationDepth; a mutant deeper than
// maxDepth is drawn again, a few times, before the tree is kept as it is.
void mutate(rules::Tree& tree, const PrimitiveSet& primitives, RandomStream& random, int mutationDepth, int maxDepth);

}  // namespace gp
