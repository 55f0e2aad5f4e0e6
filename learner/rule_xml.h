#pragma once

// The XML form of a rule tree: one line, one element per node in prefix order, in the manner of a
// GP framework's tree genotype. This is the individual's text in a hall-of-fame file and in the
// seed file that pomocni writes:
//   <Genotype type="gptree" size="5" depth="3"><Primit name="/"><Primit name="w"/>
//   <Primit name="+"><Primit name="p"/><Primit name="wait"/></Primit></Primit></Genotype>
// (on one line). Operators are named + - * / neg max min pos exp; a constant is
// <Primit name="const" value="0.5"/> with the shortest text that reads back to the same double.
#include <string>
#include <string_view>
#include <vector>

#include "learner/rule_language.h"

namespace rules {

std::string toXml(const Tree& tree, Environment environment);
// Reads the text of one <Genotype> element; throws RuleError naming the offending element.
Tree fromXml(std::string_view text, Environment environment);
// The tree of the first individual of a seed file (<Beagle><Seeds><Individual>); throws RuleError
// with a message that names the file when it is missing, not XML or holds no valid individual.
Tree readSeedFile(const std::string& fileName, Environment environment);
// The trees of every individual of a seed file, in file order; the same faults, and an individual
// that is not a valid tree is named by its place in the file.
std::vector<Tree> readSeedFileAll(const std::string& fileName, Environment environment);

}  // namespace rules
