#pragma once

#include <string>

namespace experiment {

// Writes the file under a temporary name in its folder, then renames it into place, so that a
// reader (or a run stopped at any moment) sees the whole old file or the whole new one, never a
// part. False when it could not be written; nothing is left under the temporary name then.
bool writeFileAtomically(const std::string& path, const std::string& text);

}  // namespace experiment
