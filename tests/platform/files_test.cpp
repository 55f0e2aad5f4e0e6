// Whole-file output keeps what a plain fopen would have kept: permissions, links. Names that
// cannot be written, and devices written in place (/dev/full), are covered by the programs' tests.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScopedChdir;
using testing_support::TempDir;

mode_t permissionsOf(const std::string& name) {
    struct stat status {};
    EXPECT_EQ(stat(name.c_str(), &status), 0) << name;
    return status.st_mode & 07777;
}

TEST(ReplaceFile, WritesTheWholeContentsAndLeavesNoTemporary) {
    TempDir dir;
    const ScopedChdir here(dir.path());
    const std::string longName(250, 'n');  // its temporary's name must still fit
    for (const std::string& name : {std::string("a.txt"), longName}) {
        dir.write(name, "old contents, longer than the new\n");
        ASSERT_EQ(platform::replaceFile(name, "new\n"), 0);
        EXPECT_EQ(dir.read(name), "new\n");
        ASSERT_EQ(platform::replaceFile(name, ""), 0);
        EXPECT_EQ(dir.read(name), "");
    }
    EXPECT_EQ(dir.contents().size(), 2u);
}

// A name read from a definition may hold a NUL: refused, never cut short to another name.
TEST(ReplaceFile, NamesWithANulByteAreRefused) {
    TempDir dir;
    const ScopedChdir here(dir.path());
    for (const std::string& name : {std::string("\0tail", 5), std::string("a\0b", 3)}) {
        EXPECT_EQ(platform::replaceFile(name, "x"), EINVAL);
        EXPECT_EQ(platform::checkReplaceable(name), EINVAL);
    }
    EXPECT_TRUE(dir.contents().empty());
}

TEST(ReplaceFile, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirPermissions) {
    TempDir dir;
    const ScopedChdir here(dir.path());
    const mode_t saved = umask(027);
    EXPECT_EQ(platform::replaceFile("new.txt", "x"), 0);
    umask(saved);
    EXPECT_EQ(permissionsOf("new.txt"), 0640u);
    dir.write("old.txt", "x");
    ASSERT_EQ(chmod("old.txt", 0604), 0);
    EXPECT_EQ(platform::replaceFile("old.txt", "y"), 0);
    EXPECT_EQ(permissionsOf("old.txt"), 0604u);
}

// As through fopen: a link leads to the file it names, a second name sees the new contents.
TEST(ReplaceFile, LinksKeepLeadingToTheFile) {
    TempDir dir;
    const ScopedChdir here(dir.path());
    fs::create_directory("data");
    dir.write("data/real.txt", "old");
    fs::create_symlink("data/real.txt", "link.txt");
    fs::create_hard_link("data/real.txt", "second.txt");
    EXPECT_EQ(platform::replaceFile("link.txt", "via link"), 0);
    EXPECT_TRUE(fs::is_symlink("link.txt"));
    EXPECT_EQ(dir.read("second.txt"), "via link");
    EXPECT_EQ(platform::replaceFile("second.txt", "via second name"), 0);
    EXPECT_EQ(dir.read("data/real.txt"), "via second name");
    fs::create_symlink("data/later.txt", "ahead.txt");  // a link to a file not there yet
    EXPECT_EQ(platform::replaceFile("ahead.txt", "made"), 0);
    EXPECT_EQ(dir.read("data/later.txt"), "made");
}

}  // namespace
