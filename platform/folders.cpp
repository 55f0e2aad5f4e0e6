#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/platform.h"

namespace platform {

WorkingFolder::WorkingFolder(const std::string& folder) {
    previous_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (previous_ < 0 || chdir(folder.c_str()) != 0) error_ = errno;
}

WorkingFolder::~WorkingFolder() {
    if (previous_ < 0) return;
    if (error_ == 0) [[maybe_unused]] const int back = fchdir(previous_);  // an open folder can always be re-entered
    close(previous_);
}

QuietStandardOutput::QuietStandardOutput() {
    std::fflush(stdout);
    const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nowhere < 0) return;
    saved_ = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ >= 0) dup2(nowhere, STDOUT_FILENO);
    close(nowhere);
}

QuietStandardOutput::~QuietStandardOutput() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
}

}  // namespace platform
