#pragma once

#include <string>
#include <string_view>
#include <vector>

// The few operating-system services the programs need, in one place.
namespace platform {

// Prints "Press any key to continue . . . ", waits for one key when standard input is a
// terminal (no Enter needed), returns at once at the end of input, then ends the line.
void pause();

// Starts a command line (split the way a Windows command line is: white space separates,
// double quotes group) as a child process found on PATH, with our environment and working
// directory, and waits for it. Returns 0 on success, else the system error number
// (2 for a program that does not exist).
int launch(const std::string& commandLine);

// Whole-file output that a kill or a failure never leaves half-written. Errors are the system's
// error numbers (errno), 0 for none.

// Files that replace their targets together: each is written complete under a temporary name
// beside its target (".<name>.<process>.<n>.tmp"), and only when every one is written are they
// renamed into place, in the order added. A new file gets the permissions a plain fopen would
// give it; a replaced one keeps its permissions and, where we may, its owner. A device, a pipe
// or a file with more than one name cannot be replaced by renaming; such a target is written in
// place at commit(), before the renames. Temporaries not put in place are removed again.
class FileBatch {
public:
    FileBatch() = default;
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;
    ~FileBatch() { discard(); }

    // Writes contents for fileName; on failure nothing of it is left behind.
    int add(const std::string& fileName, std::string_view contents);
    // Puts every file in place; on failure the one not put in place is named by failedFile()
    // and the files not yet put in place are left as they were.
    int commit();
    void discard();
    const std::string& failedFile() const { return failedFile_; }

private:
    struct Entry {
        std::string fileName;   // as given
        std::string target;     // the file itself, a link followed
        bool inPlace = false;
        std::string temporary;  // until renamed into place
        std::string contents;   // kept for a target written in place
    };
    std::vector<Entry> entries_;
    std::string failedFile_;
};

// One file on its own, as FileBatch writes it.
int replaceFile(const std::string& fileName, std::string_view contents);

// Whether fileName could be written by FileBatch now: its folder takes a new file, the name is
// not a folder, and an existing file may be written. The folder is left as it was.
int checkReplaceable(const std::string& fileName);

}  // namespace platform
