#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/platform.h"

namespace platform {

namespace {

// The longest part of a target's name kept in its temporary's name, so that the pieces added
// never take the name past the system's 255 bytes.
constexpr std::size_t kNameKept = 200;

std::atomic<unsigned> temporaryCount{0};

// What writing a file name reaches.
struct Target {
    std::string path;  // the file itself, a link followed
    bool exists = false;
    bool inPlace = false;
    struct stat status {};
};

int examine(const std::string& fileName, Target& target) {
    if (fileName.empty()) return ENOENT;
    // The system would take the name only up to its first NUL: another file than the one named.
    if (fileName.find('\0') != std::string::npos) return EINVAL;
    if (fileName.back() == '/') return EISDIR;
    target.path = fileName;
    struct stat& status = target.status;
    if (lstat(fileName.c_str(), &status) != 0) return errno == ENOENT ? 0 : errno;  // a new file
    if (S_ISLNK(status.st_mode)) {
        if (stat(fileName.c_str(), &status) != 0) {
            // A link to nowhere: written through, which creates the file it names, as fopen does.
            target.inPlace = errno == ENOENT;
            return target.inPlace ? 0 : errno;
        }
        const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(fileName.c_str(), nullptr), &std::free);
        if (!resolved) return errno;
        target.path = resolved.get();
    }
    if (S_ISDIR(status.st_mode)) return EISDIR;
    target.exists = true;
    target.inPlace = !S_ISREG(status.st_mode) || status.st_nlink > 1;
    return access(fileName.c_str(), W_OK) == 0 ? 0 : errno;
}

// Hidden, so that globs such as rezultat_*.txt never meet a file that is still being written.
std::string temporaryBeside(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, start) + "." + path.substr(start, kNameKept) + "." + std::to_string(getpid()) + "." +
           std::to_string(temporaryCount++) + ".tmp";
}

// Mode 0666 lets the umask (or the folder's default ACL) decide, as for any new file.
int createTemporary(const std::string& path, std::string& temporary, int& fd) {
    do {
        temporary = temporaryBeside(path);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EEXIST);
    return fd < 0 ? errno : 0;
}

int writeAndClose(int fd, std::string_view contents) {
    int error = 0;
    while (!contents.empty() && error == 0) {
        const ssize_t written = write(fd, contents.data(), contents.size());
        if (written >= 0)
            contents.remove_prefix(static_cast<std::size_t>(written));
        else if (errno != EINTR)
            error = errno;
    }
    // A file system may report a failed write only when the file is closed.
    if (close(fd) != 0 && error == 0) error = errno;
    return error;
}

int writeInPlace(const std::string& path, std::string_view contents) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? errno : writeAndClose(fd, contents);
}

// The owner first: changing it clears the set-user-ID bits that the mode then restores.
void keepModeAndOwner(int fd, const struct stat& status) {
    if (fchown(fd, status.st_uid, status.st_gid) != 0) {
        // Not ours to give away: the file stays ours, as a copy we made would.
    }
    fchmod(fd, status.st_mode & 07777);
}

}  // namespace

// The data reach the disk when the system writes them back; no fsync: a kill cannot tear a
// renamed file, and the outputs can be made again, while a sync per file would cost more than
// a small evaluation takes.
int FileBatch::add(const std::string& fileName, std::string_view contents) {
    Target target;
    if (const int error = examine(fileName, target)) return error;
    Entry entry{fileName, target.path, target.inPlace, {}, {}};
    if (target.inPlace) {
        entry.contents = contents;
    } else {
        int fd = -1;
        if (const int error = createTemporary(target.path, entry.temporary, fd)) return error;
        if (target.exists) keepModeAndOwner(fd, target.status);
        if (const int error = writeAndClose(fd, contents)) {
            unlink(entry.temporary.c_str());
            return error;
        }
    }
    entries_.push_back(std::move(entry));
    return 0;
}

// The targets written in place first: their writes can still fail (a full device), while the
// renames that follow hardly can.
int FileBatch::commit() {
    for (const bool inPlace : {true, false}) {
        for (Entry& entry : entries_) {
            if (entry.inPlace != inPlace) continue;
            int error = 0;
            if (inPlace)
                error = writeInPlace(entry.target, entry.contents);
            else if (std::rename(entry.temporary.c_str(), entry.target.c_str()) == 0)
                entry.temporary.clear();
            else
                error = errno;
            if (error != 0) {
                failedFile_ = entry.fileName;
                discard();
                return error;
            }
        }
    }
    entries_.clear();
    return 0;
}

void FileBatch::discard() {
    for (const Entry& entry : entries_)
        if (!entry.temporary.empty()) unlink(entry.temporary.c_str());
    entries_.clear();
}

int replaceFile(const std::string& fileName, std::string_view contents) {
    FileBatch batch;
    if (const int error = batch.add(fileName, contents)) return error;
    return batch.commit();
}

int checkReplaceable(const std::string& fileName) {
    Target target;
    if (const int error = examine(fileName, target)) return error;
    if (target.inPlace) return 0;
    std::string temporary;
    int fd = -1;
    if (const int error = createTemporary(target.path, temporary, fd)) return error;
    close(fd);
    unlink(temporary.c_str());
    return 0;
}

}  // namespace platform
