#include "learner/collection.h"

#include <fstream>

#include "core/fatal.h"

namespace rules {

Scheduler loadCollection(const std::string& definitionFile) {
    // The evaluator treats a missing definition as nothing to do; for a learner it is an error.
    if (!std::ifstream(definitionFile)) fatalError("Definition file \"" + definitionFile + "\" cannot be read.");
    Scheduler s;
    s.load(definitionFile);
    s.prepareInstances();
    return s;
}

}  // namespace rules
