#pragma once

#include <string>

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

// Makes a folder the working folder for the object's lifetime; the previous one comes back at
// its end. Single-threaded use only: the working folder belongs to the whole process.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    // 0 once entered, else the system error number (the working folder is then unchanged).
    int error() const { return error_; }

private:
    int previous_ = -1;
    int error_ = 0;
};

// Sends standard output to nowhere for the object's lifetime (standard error still shows).
class QuietStandardOutput {
public:
    QuietStandardOutput();
    ~QuietStandardOutput();
    QuietStandardOutput(const QuietStandardOutput&) = delete;
    QuietStandardOutput& operator=(const QuietStandardOutput&) = delete;

private:
    int saved_ = -1;
};

}  // namespace platform
