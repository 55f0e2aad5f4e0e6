#include "learner/collection.h"

#include <cstring>
#include <fstream>

#include "core/fatal.h"
#include "fitness/run_sequence.h"

namespace rules {

namespace {

// The folder named in messages while a collection of another folder is in hand, and the handler
// that was in place before.
std::string namedFolder;
FatalHandler handedOnTo = nullptr;

std::string aboutCollection(const std::string& folder, const std::string& message) {
    return "Collection \"" + folder + "\": " + message;
}

void nameTheFolder(const std::string& message) {
    handedOnTo(message.empty() ? message : aboutCollection(namedFolder, message));
}

}  // namespace

InCollectionFolder::InCollectionFolder(const std::string& folder) {
    if (folder.empty()) return;
    inside_ = std::make_unique<platform::WorkingFolder>(folder);
    if (const int error = inside_->error())
        fatalError(aboutCollection(folder, std::string("the folder cannot be entered (") + std::strerror(error) + ")."));
    previous_ = fatalHandler();
    namedFolder = folder;
    handedOnTo = previous_;
    setFatalHandler(nameTheFolder);
}

InCollectionFolder::~InCollectionFolder() {
    if (previous_) setFatalHandler(previous_);
}

Scheduler loadCollection(const std::string& definitionFile, const std::string& folder) {
    const InCollectionFolder inside(folder);
    // The evaluator treats a missing definition as nothing to do; for a learner it is an error.
    if (!std::ifstream(definitionFile)) fatalError("Definition file \"" + definitionFile + "\" cannot be read.");
    Scheduler s;
    s.load(definitionFile);
    // What every schedule of the environment needs (uniform speeds, checked job-shop routes, ...).
    runSequenceOf(s.environment).prepare(s);
    return s;
}

}  // namespace rules
