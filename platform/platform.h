#pragma once

#include <cstdint>
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

// Programs that run several child processes side by side (experiment): each started in its own
// working folder with its output sent to files, the children waited for in the order they end,
// and the signals that stop a run (Ctrl-C, SIGTERM, SIGHUP) held meanwhile, so that the parent
// can pass them on to its children and finish what it was writing.

struct ChildProgram {
    std::vector<std::string> argv;  // argv[0] is the program's path; PATH is not searched
    std::string folder;             // its working folder
    std::string outputFile;         // its standard output, created or emptied (a name in the folder)
    std::string errorFile;          // its standard error, likewise
};

// Starts the program with standard input from /dev/null. It gets SIGTERM when this process dies,
// so that no child outlives a killed parent. Returns its process id, or minus the system error
// number when it could not be started.
int startChild(const ChildProgram& program);

// While an object lives, the stop signals do not end the process: they wait for
// waitForChildOrStop. Children started meanwhile receive them as usual.
class HeldStopSignals {
public:
    HeldStopSignals();
    ~HeldStopSignals();
    HeldStopSignals(const HeldStopSignals&) = delete;
    HeldStopSignals& operator=(const HeldStopSignals&) = delete;
};

struct ChildEvent {
    int pid = 0;        // the child that ended; 0 when a stop signal came instead, -1 without children
    int exitCode = -1;  // its exit status, or -1 when a signal ended it
    int signal = 0;     // the signal that ended it, or the stop signal that came
};

// With the stop signals held: the next child to end (those already ended come first), or the
// next stop signal.
ChildEvent waitForChildOrStop();

void signalChild(int pid, int signal);

// Ctrl-C, SIGTERM or SIGHUP: what ends a run from outside, not of itself.
bool isStopSignal(int signal);

// With the stop signals held: drops those that came meanwhile (Ctrl-C reaches the children and
// their parent alike), once a stop is under way.
void dropPendingStopSignals();

// Ends the process as an unhandled signal would, so that a caller sees how it ended.
[[noreturn]] void endBySignal(int signal);

// A program that ends cleanly when stopped (learner --checkpoint): from this call on, the stop
// signals it was not started to ignore only note their coming, in any thread, and the program
// looks at caughtStopSignal() between its steps; it then ends with endBySignal.
void catchStopSignals();
// The last stop signal that came since catchStopSignals, or 0.
int caughtStopSignal();

// The folder that holds the running program's executable.
std::string executableFolder();

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

// A file that grows piece by piece (a learning run's hall of fame and log). Each piece goes out in
// one write call, so a kill leaves the pieces before it whole; the file is not synced to the disk.
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    // Opens fileName for writing at its end, created when missing; its contents stay.
    int open(const std::string& fileName);
    // Cuts it back to (or extends it to) `length` bytes; what follows is written there.
    int truncate(std::int64_t length);
    int append(std::string_view piece);
    int close();

private:
    int fd_ = -1;
};

// One file on its own, as FileBatch writes it.
int replaceFile(const std::string& fileName, std::string_view contents);

// Whether fileName could be written by FileBatch now: its folder takes a new file, the name is
// not a folder, and an existing file may be written. The folder is left as it was.
int checkReplaceable(const std::string& fileName);

}  // namespace platform
