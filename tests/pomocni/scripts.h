#pragma once

#include <filesystem>
#include <string>

#include "support/test_support.h"

// Small shell scripts standing in for the test and evaluation programs.
inline std::string writeScript(const testing_support::TempDir& dir, const std::string& name, const std::string& body) {
    dir.write(name, "#!/bin/sh\n" + body);
    std::filesystem::permissions(dir.file(name), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                     std::filesystem::perms::group_exec);
    return dir.file(name);
}
