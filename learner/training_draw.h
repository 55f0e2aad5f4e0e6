#pragma once

// Training sets drawn afresh, like those of the training collection: the generator's own draw
// from the collection's definition, taken into a collection in memory with the tables the loader
// derives. A run that measures each generation on new sets cannot fit the sets' chance details.
#include <cstdint>
#include <string>
#include <vector>

#include "fitness/collection.h"

namespace gp {

// What keeps the collection's sets from being drawn again, or "" if nothing: precedence
// constraints are read from a file, never drawn.
std::string drawProblem(const Collection& training);

// The sets `generator --seed S` would draw from the definition file `definitionPath` (the training
// collection's) for each S of `seeds`, one draw's sets after the other's, with the training
// collection's features.
Collection drawnLike(const Collection& training, const std::string& definitionPath,
                     const std::vector<std::uint32_t>& seeds);

// A collection of some of `collection`'s sets, in the order `sets` lists them (each below its
// number of sets).
Collection setsOf(const Collection& collection, const std::vector<int>& sets);

}  // namespace gp
