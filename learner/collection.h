#pragma once

// The instance collection a learner run schedules: the definition and data files loaded as the
// evaluator loads them, with the same checks and messages.
#include <memory>
#include <string>

#include "core/fatal.h"
#include "fitness/scheduler.h"
#include "platform/platform.h"

namespace rules {

// For its lifetime, the files that the evaluator reads by their names in a definition are read
// from a collection's folder, and a fatal message starts with "Collection "<folder>": ", so that
// it names the folder of the file it is about. An empty folder is the working folder and changes
// nothing. A folder that cannot be entered ends the run with such a message. Not nested.
class InCollectionFolder {
public:
    explicit InCollectionFolder(const std::string& folder);
    ~InCollectionFolder();
    InCollectionFolder(const InCollectionFolder&) = delete;
    InCollectionFolder& operator=(const InCollectionFolder&) = delete;

private:
    std::unique_ptr<platform::WorkingFolder> inside_;
    FatalHandler previous_ = nullptr;
};

// Loads the collection whose definition file is definitionFile in `folder` (empty: the working
// folder); its data files are read from that folder too. Ends the run with one message and exit
// status 1 when the definition cannot be read or the evaluator would refuse it.
Scheduler loadCollection(const std::string& definitionFile, const std::string& folder = "");

}  // namespace rules
