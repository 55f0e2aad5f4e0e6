#pragma once

// The instance collection a learner run schedules: the definition and data files loaded as the
// evaluator loads them, with the same checks and messages.
#include <string>

#include "fitness/scheduler.h"

namespace rules {

// Ends the run with one message and exit status 1 when the definition cannot be read or the
// evaluator would refuse it.
Scheduler loadCollection(const std::string& definitionFile);

}  // namespace rules
