// Whole-file output: a file is replaced by a complete copy or not at all, keeps what a plain
// fopen would have kept (permissions, links, devices), and a failure leaves the folder as it was.
#include <fcntl.h>
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

struct Unwritable {
    const char* name;
    int error;
};

class UnwritableName : public testing::TestWithParam<Unwritable> {};

// Paths that cannot be created even by root, who passes every permission check.
TEST_P(UnwritableName, IsRefusedWithTheSystemsReasonAndLeavesTheFolderAsItWas) {
    TempDir dir;
    const ScopedChdir here(dir.path());
    dir.write("file.txt", "kept\n");
    fs::create_directory("folder");
    const auto before = dir.contents();
    EXPECT_EQ(platform::checkReplaceable(GetParam().name), GetParam().error);
    EXPECT_EQ(platform::replaceFile(GetParam().name, "new\n"), GetParam().error);
    platform::FileBatch batch;
    ASSERT_EQ(batch.add("file.txt", "new\n"), 0);
    EXPECT_EQ(batch.add(GetParam().name, "new\n"), GetParam().error);
    batch.discard();
    EXPECT_EQ(dir.contents(), before);
}

INSTANTIATE_TEST_SUITE_P(Names, UnwritableName,
                         testing::Values(Unwritable{"no/such.txt", ENOENT}, Unwritable{"file.txt/x.txt", ENOTDIR},
                                         Unwritable{"folder", EISDIR}, Unwritable{"folder/", EISDIR},
                                         Unwritable{"", ENOENT}));

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

// A pipe (or a device such as /dev/stdout) cannot be renamed over: it is written in place.
TEST(ReplaceFile, APipeIsWrittenInPlace) {
    TempDir dir;
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(platform::replaceFile(pipe, "through"), 0);
    char text[16] = {};
    EXPECT_EQ(read(reader, text, sizeof text), 7);
    EXPECT_EQ(std::string(text), "through");
    close(reader);
    EXPECT_EQ(dir.contents().size(), 1u);
}

TEST(FileBatch, NothingIsInPlaceBeforeCommitAndTheLastOfOneNameWins) {
    TempDir dir;
    const ScopedChdir here(dir.path());
    dir.write("a.txt", "old a");
    {
        platform::FileBatch batch;
        ASSERT_EQ(batch.add("a.txt", "first"), 0);
        ASSERT_EQ(batch.add("b.txt", "b"), 0);
        ASSERT_EQ(batch.add("a.txt", "second"), 0);
        EXPECT_EQ(dir.read("a.txt"), "old a");
        EXPECT_FALSE(dir.exists("b.txt"));
        ASSERT_EQ(batch.commit(), 0);
    }
    EXPECT_EQ(dir.read("a.txt"), "second");
    EXPECT_EQ(dir.read("b.txt"), "b");
    EXPECT_EQ(dir.contents().size(), 2u);
}

}  // namespace
