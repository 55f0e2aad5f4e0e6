#include "core/output_files.h"

#include <cerrno>

#include "core/fatal.h"

namespace {

// The reason a stream failed: its error flag may stand from an earlier write, whose errno is
// normally still there; "Input/output error" should nothing have kept it.
int streamError() { return errno != 0 ? errno : EIO; }

}  // namespace

void cannotWrite(const char* kind, const std::string& fileName, int error) {
    fatalError(fileProblem(kind, fileName, "written", error));
}

void writeWholeFile(const std::string& fileName, std::string_view contents, const char* kind) {
    OutputFiles file(kind);
    file.add(fileName, contents);
    file.commit();
}

void requireWritable(const std::string& fileName, const char* kind) {
    if (const int error = platform::checkReplaceable(fileName)) cannotWrite(kind, fileName, error);
}

void OutputFiles::add(const std::string& fileName, std::string_view contents) {
    if (const int error = batch_.add(fileName, contents)) {
        batch_.discard();  // the end of the process does not wait for our destructor
        cannotWrite(kind_, fileName, error);
    }
}

void OutputFiles::commit() {
    if (const int error = batch_.commit()) cannotWrite(kind_, batch_.failedFile(), error);
}

void flushOrStop(std::FILE* file, const char* kind, const std::string& fileName) {
    if (std::fflush(file) != 0 || std::ferror(file)) cannotWrite(kind, fileName, streamError());
}

void closeOrStop(std::FILE* file, const char* kind, const std::string& fileName) {
    const bool failedBefore = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failedBefore) cannotWrite(kind, fileName, streamError());
}
