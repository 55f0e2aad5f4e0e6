#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/definition_entries.h"
#include "support/test_support.h"

using testing_support::TempDir;

namespace {

class DefinitionEntriesDeathTest : public testing::Test {
protected:
    TempDir dir;
    DefinitionFile file;
    DefinitionEntries entries{file, "fitness.txt"};

    void openWith(const std::string& text) {
        dir.write("fitness.txt", text);
        ASSERT_EQ(file.open(dir.file("fitness.txt")), 1);
    }
};

// Restores the machine's own memory figure after a test that lowers it.
struct MemoryLimit {
    explicit MemoryLimit(std::uint64_t bytes) { limitMemoryForTables(bytes); }
    ~MemoryLimit() { limitMemoryForTables(UINT64_MAX); }
};

}  // namespace

TEST_F(DefinitionEntriesDeathTest, CountsBeyondAnIntAreNamedWithTheirKeyAndValue) {
    openWith("sets 4294967296\nmax_jobs -2147483649\nmax_length 2147483647\nmax_machines +99999999999x\n");
    EXPECT_EXIT(entries.requiredCount("sets"), testing::ExitedWithCode(1),
                "^Definition file \"fitness.txt\": the entry \"sets\" gives 4294967296, which does not fit an int "
                "\\(-2147483648 to 2147483647\\)\\.\n$");
    EXPECT_EXIT(entries.requiredCount("max_jobs"), testing::ExitedWithCode(1), "\"max_jobs\" gives -2147483649,");
    int value = 0;
    EXPECT_EXIT(entries.count("max_machines", value), testing::ExitedWithCode(1),
                "\"max_machines\" gives \\+99999999999x, which does not fit an int");
    EXPECT_TRUE(entries.count("max_length", value));
    EXPECT_EQ(value, 2147483647);
    value = 5;
    EXPECT_FALSE(entries.count("absent", value));
    EXPECT_EQ(value, 5);
}

TEST_F(DefinitionEntriesDeathTest, PerSetCountsBeyondAnIntAreNamed) {
    openWith("jobs 3 3000000000 1\nmachines 1 1 -inf\nR. 1e300 2 3\n");
    EXPECT_EXIT(entries.perSetCounts("jobs", 3, true), testing::ExitedWithCode(1),
                "^Definition file \"fitness.txt\": the entry \"jobs\" gives set 1 the count 3000000000, which does "
                "not fit an int \\(-2147483648 to 2147483647\\)\\.\n$");
    EXPECT_EXIT(entries.perSetCounts("machines", 3, true), testing::ExitedWithCode(1), "set 2 the count -inf,");
    EXPECT_EQ(entries.perSetList("R.", 3, true), (std::vector<double>{1e300, 2, 3}));  // not a count
}

// A huge "sets" with a short list is answered from the line alone, at once.
TEST_F(DefinitionEntriesDeathTest, ShortListsAreRefusedWhateverTheSets) {
    openWith("jobs 2 2\n");
    EXPECT_EXIT(entries.perSetList("jobs", 2147483647, true), testing::ExitedWithCode(1),
                "^Definition file \"fitness.txt\": the entry \"jobs\" must give 2147483647 values, one per set\\.\n$");
    EXPECT_EXIT(entries.perSetList("machines", 2, true), testing::ExitedWithCode(1),
                "the required entry \"machines\" is missing\\.");
    EXPECT_EQ(entries.perSetList("jobs", 4, false), (std::vector<double>{2, 2, 0, 0}));
    EXPECT_TRUE(entries.perSetList("jobs", 0, true).empty());  // the table shapes refuse 0 sets
}

TEST_F(DefinitionEntriesDeathTest, TablesBeyondMemoryAreRefusedBeforeAllocation) {
    openWith("");
    Matrix a, b;
    const MemoryLimit limit(1 << 20);  // 1 MiB: 131072 doubles
    const std::vector<ShapedTable> fitting = {{&a, 256, 256}, {&b, 256, 255}};
    entries.requireMemoryFor(fitting, {{"sets", 256}});
    const std::vector<ShapedTable> beyond = {{&a, 256, 256}, {&b, 256, 257}};
    EXPECT_EXIT(entries.requireMemoryFor(beyond, {{"sets", 256}, {"max_jobs", 257}}), testing::ExitedWithCode(1),
                "^Definition file \"fitness.txt\": the tables that \"sets\" 256, \"max_jobs\" 257 shape need 2 MiB, "
                "more than the 1 MiB of memory of this machine\\.\n$");
    const std::vector<ShapedTable> refusedShape = {{&a, 0, 1 << 30}};  // left to the shape assertion
    entries.requireMemoryFor(refusedShape, {{"sets", 0}});
    EXPECT_TRUE(a.empty());
}

// The need of the largest shapes is counted without overflow against the machine's own memory.
TEST_F(DefinitionEntriesDeathTest, LargestShapesExceedAnyMachine) {
    openWith("");
    Matrix a;
    EXPECT_GE(memoryForTables(), std::uint64_t{1} << 20);
    EXPECT_EXIT(entries.requireMemoryFor({{&a, 2147483647, 2147483647}}, {{"sets", 2147483647}}),
                testing::ExitedWithCode(1), "need 35184372056064 MiB, more than the [0-9]+ MiB");
}
