#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/definition_file.h"
#include "support/test_support.h"

using testing_support::TempDir;

namespace {

class DefinitionFileTest : public testing::Test {
protected:
    TempDir dir;
    DefinitionFile file;

    void openWith(const std::string& text) {
        dir.write("fitness.txt", text);
        ASSERT_EQ(file.open(dir.file("fitness.txt")), 1);
    }
};

}  // namespace

TEST_F(DefinitionFileTest, KeyMustStandAloneAtTheStartOfTheLine) {
    int sets = -1;
    openWith("sets 100\n");
    EXPECT_EQ(file.lookup("sets", &sets), 1);
    EXPECT_EQ(sets, 100);

    openWith("sets\t42\n");
    EXPECT_EQ(file.lookup("sets", &sets), 1);
    EXPECT_EQ(sets, 42);

    sets = -1;
    openWith("sets100 5\n sets 7\njobshop 1\n");
    EXPECT_EQ(file.lookup("sets", &sets), 0);
    EXPECT_EQ(file.lookup("jobs", &sets), 0);
    EXPECT_EQ(sets, -1);
}

TEST_F(DefinitionFileTest, ShortLineStoresWhatItHasAndFails) {
    openWith("R. 0.2 0.4\n");
    double values[3] = {-1, -1, -1};
    EXPECT_EQ(file.lookup("R.", values, 3), 0);
    EXPECT_EQ(values[0], 0.2);
    EXPECT_EQ(values[1], 0.4);
    EXPECT_EQ(values[2], -1);
}

TEST_F(DefinitionFileTest, StringTokensAreConcatenated) {
    openWith("names a b c\n");
    std::string out = "old";
    EXPECT_EQ(file.lookup("names", out, 2), 1);
    EXPECT_EQ(out, "ab");
}

TEST_F(DefinitionFileTest, ConversionsTakeTheLongestPrefix) {
    openWith("setup 0.5\njobs 3.5 abc 7\n");
    double factor = 0;
    int whole = -1;
    EXPECT_EQ(file.lookup("setup", &factor), 1);
    EXPECT_EQ(factor, 0.5);
    EXPECT_EQ(file.lookup("setup", &whole), 1);
    EXPECT_EQ(whole, 0);

    int jobs[3] = {-1, -1, -1};
    EXPECT_EQ(file.lookup("jobs", jobs, 3), 1);
    EXPECT_EQ(jobs[0], 3);
    EXPECT_EQ(jobs[1], -1);  // a token that is no number leaves its element alone
    EXPECT_EQ(jobs[2], 7);
}

TEST_F(DefinitionFileTest, FirstOccurrenceWinsAndLookupsRepeat) {
    openWith("# sets 9\nsets 2\nsets 3\n");
    int sets = 0;
    EXPECT_EQ(file.lookup("sets", &sets), 1);
    EXPECT_EQ(sets, 2);
    EXPECT_EQ(file.lookup("sets", &sets), 1);
    EXPECT_EQ(sets, 2);
    EXPECT_EQ(file.lookup("sets", &sets, 1, 2), 1);
    EXPECT_EQ(sets, 3);
    EXPECT_EQ(file.lookup("sets", &sets, 1, 3), 0);
    EXPECT_EQ(file.lookup("sets", &sets, 0), 0);
}

TEST_F(DefinitionFileTest, KeywordNeedsAValueAfterIt) {
    openWith("jobshop\nsingle 1\nunrelated \t \n");
    int ignored = 0;
    EXPECT_EQ(file.lookup("jobshop", &ignored), 0);
    EXPECT_EQ(file.lookup("single", &ignored), 1);
    EXPECT_EQ(file.lookup("unrelated", &ignored), 0);
}

TEST_F(DefinitionFileTest, EmptyFileAnswersNothing) {
    openWith("");
    int value = 5;
    std::string name = "keep";
    EXPECT_EQ(file.lookup("sets", &value), 0);
    EXPECT_EQ(file.lookup("duration", name), 0);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(name, "keep");
}

TEST_F(DefinitionFileTest, LongLinesAndLongNamesStayWhole) {
    const std::string longName(12000, 'n');
    std::string jobs = "jobs";
    for (int i = 0; i < 3000; ++i) {
        jobs += " ";
        jobs += std::to_string(i % 7);
    }
    std::string text = "duration ";
    text += longName;
    text += "\n";
    text += jobs;
    text += "\nsets 3000\n";
    openWith(text);
    std::string name;
    EXPECT_EQ(file.lookup("duration", name), 1);
    EXPECT_EQ(name, longName);
    std::vector<double> counts(3000, -1);
    EXPECT_EQ(file.lookup("jobs", counts.data(), 3000), 1);
    EXPECT_EQ(counts[2999], 2999 % 7);
    int sets = 0;
    EXPECT_EQ(file.lookup("sets", &sets), 1);
    EXPECT_EQ(sets, 3000);
}

TEST_F(DefinitionFileTest, WindowsLineEndsStillRead) {
    openWith("sets 4\r\nduration p.txt\r\n");
    int sets = 0;
    std::string name;
    EXPECT_EQ(file.lookup("sets", &sets), 1);
    EXPECT_EQ(sets, 4);
    EXPECT_EQ(file.lookup("duration", name), 1);
    EXPECT_EQ(name, "p.txt");
}

// The int form clamps; the long long form keeps what was written, so that a caller can refuse it.
TEST_F(DefinitionFileTest, WideIntegersKeepValuesBeyondAnInt) {
    openWith("sets 4294967296\nmax_jobs -99999999999\nhuge 99999999999999999999999\n");
    int narrow = 0;
    long long wide = 0;
    EXPECT_EQ(file.lookup("sets", &narrow), 1);
    EXPECT_EQ(narrow, 2147483647);
    EXPECT_EQ(file.lookup("sets", &wide), 1);
    EXPECT_EQ(wide, 4294967296LL);
    EXPECT_EQ(file.lookup("max_jobs", &wide), 1);
    EXPECT_EQ(wide, -99999999999LL);
    EXPECT_EQ(file.lookup("huge", &wide), 1);
    EXPECT_EQ(wide, 9223372036854775807LL);
}

// A list asked for with a count far beyond its line holds only what the line gives.
TEST_F(DefinitionFileTest, GrowingListStopsAtTheLineEnd) {
    openWith("jobs 4 x 6\nR. 1 2\n");
    std::vector<double> values = {9, 9, 9, 9, 9};
    EXPECT_EQ(file.lookup("jobs", values, 2147483647), 0);
    EXPECT_EQ(values, (std::vector<double>{4, 0, 6}));
    EXPECT_EQ(file.lookup("R.", values, 2), 1);
    EXPECT_EQ(values, (std::vector<double>{1, 2}));
    EXPECT_EQ(file.lookup("T.", values, 2), 0);
    EXPECT_EQ(values, (std::vector<double>{1, 2}));  // an absent key leaves the list alone
}

TEST(DefinitionFileOpen, MissingFileIsReportedByTheResult) {
    DefinitionFile file;
    EXPECT_EQ(file.open("/nonexistent/fitness.txt"), 0);
    EXPECT_EQ(file.close(), 1);
}
