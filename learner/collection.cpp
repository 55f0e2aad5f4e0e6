#include "learner/collection.h"

#include <fstream>

#include "core/fatal.h"
#include "fitness/run_sequence.h"

namespace rules {

Scheduler loadCollection(const std::string& definitionFile) {
    // The evaluator treats a missing definition as nothing to do; for a learner it is an error.
    if (!std::ifstream(definitionFile)) fatalError("Definition file \"" + definitionFile + "\" cannot be read.");
    Scheduler s;
    s.load(definitionFile);
    // What every schedule of the environment needs (uniform speeds, checked job-shop routes, ...).
    runSequenceOf(s.environment).prepare(s);
    return s;
}

}  // namespace rules
