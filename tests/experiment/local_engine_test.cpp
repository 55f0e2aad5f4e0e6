// The local engine runs commands in their folders with their output in files, at most --jobs at
// once, and reports each as it ends with how it ended.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>

#include "experiment/engine.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

struct Command {
    const char* name;
    std::vector<std::string> argv;
    int exitCode, signal, startError;
};

// Each command runs in a folder of its own, counting the runs in progress in a shared folder.
TEST(LocalEngine, RunsEveryCommandInItsFolderAndReportsHowItEnded) {
    const TempDir dir;
    const std::string busy = dir.file("busy");
    std::filesystem::create_directory(busy);
    // Notes how many runs were in progress beside it, then ends as told.
    const std::string script = "touch '" + busy + "'/$$; ls '" + busy + "' | wc -l > most; sleep 0.2; rm '" + busy +
                               "'/$$; echo out; echo err >&2; ";
    const std::vector<Command> commands = {
        {"succeeds", {"/bin/sh", "-c", script + "exit 0"}, 0, 0, 0},
        {"fails", {"/bin/sh", "-c", script + "exit 3"}, 3, 0, 0},
        {"killed", {"/bin/sh", "-c", script + "kill -KILL $$"}, -1, SIGKILL, 0},
        {"missing", {dir.file("no-such-program")}, -1, 0, ENOENT},
        {"succeeds too", {"/bin/sh", "-c", script + "exit 0"}, 0, 0, 0},
    };
    std::vector<experiment::RunTask> tasks;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::string folder = dir.file("run-" + std::to_string(i));
        std::filesystem::create_directory(folder);
        tasks.push_back({static_cast<int>(i), folder, commands[i].argv, "out.txt", "err.txt"});
    }
    std::map<int, experiment::RunEnd> ends;
    const int stop = experiment::localEngine(2)->run(
        tasks, [&](const experiment::RunTask& task, const experiment::RunEnd& end) { ends[task.run] = end; });
    EXPECT_EQ(stop, 0);
    ASSERT_EQ(ends.size(), commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(commands[i].name);
        EXPECT_EQ(ends[static_cast<int>(i)].exitCode, commands[i].exitCode);
        EXPECT_EQ(ends[static_cast<int>(i)].signal, commands[i].signal);
        EXPECT_EQ(ends[static_cast<int>(i)].startError, commands[i].startError);
        if (commands[i].startError != 0) continue;
        const std::string folder = "run-" + std::to_string(i) + "/";
        EXPECT_EQ(dir.read(folder + "out.txt"), "out\n");
        EXPECT_EQ(dir.read(folder + "err.txt"), "err\n");
        EXPECT_LE(std::stoi(dir.read(folder + "most")), 2);  // --jobs 2
    }
}

}  // namespace
