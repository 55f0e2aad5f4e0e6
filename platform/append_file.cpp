#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"

namespace platform {

AppendFile::~AppendFile() { close(); }

// O_APPEND puts every piece at the end, wherever a truncation left it.
int AppendFile::open(const std::string& fileName) {
    close();
    if (fileName.empty()) return ENOENT;
    if (fileName.find('\0') != std::string::npos) return EINVAL;
    fd_ = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    return fd_ < 0 ? errno : 0;
}

// A device or a pipe has no length to cut back to, as opening it to be emptied leaves it as it is.
int AppendFile::truncate(std::int64_t length) {
    struct stat status {};
    if (fstat(fd_, &status) != 0) return errno;
    if (!S_ISREG(status.st_mode)) return 0;
    return ftruncate(fd_, static_cast<off_t>(length)) == 0 ? 0 : errno;
}

// A regular file takes the piece whole; a pipe or a full device may take part of it, and the
// rest follows.
int AppendFile::append(std::string_view piece) {
    while (!piece.empty()) {
        const ssize_t written = write(fd_, piece.data(), piece.size());
        if (written >= 0)
            piece.remove_prefix(static_cast<std::size_t>(written));
        else if (errno != EINTR)
            return errno;
    }
    return 0;
}

// A file system may report a failed write only when the file is closed.
int AppendFile::close() {
    if (fd_ < 0) return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
}

}  // namespace platform
