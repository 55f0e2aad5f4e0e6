#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/matrice.h"
#include "support/test_support.h"

using testing_support::TempDir;

namespace {

// The assertion text of the matrix type, as a death-test pattern, then the lines that follow it.
std::string assertionAt(int line, const std::string& then = "") {
    return "^Assertion failed!\nfile: \\.\\\\matrice\nline: " + std::to_string(line) + "\n" + then + "$";
}

Matrix readText(const TempDir& dir, const std::string& text) {
    dir.write("m.txt", text);
    Matrix m;
    m.read(dir.file("m.txt"));
    return m;
}

std::string printfG(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " %g ", value);
    return buffer;
}

}  // namespace

TEST(MatrixAccess, OneIndexFormsTouchColumnZeroOnly) {
    Matrix m;
    m.initZero(2, 3);
    m.set(1, 7.5);
    EXPECT_EQ(m.get(1, 0), 7.5);
    EXPECT_EQ(m.get(1), 7.5);
    EXPECT_EQ(m.get(1, 1), 0.0);
    EXPECT_EQ(m.get(1, 2), 0.0);
    EXPECT_EQ(m.set(0, 2, -1.0), -1.0);
    EXPECT_EQ(m.get(0), 0.0);
}

TEST(MatrixAccessDeathTest, OutOfRangeIndicesAssertWithTheirLines) {
    Matrix m;
    m.initZero(2, 3);
    EXPECT_EXIT(m.get(2, 0), testing::ExitedWithCode(1), assertionAt(188));
    EXPECT_EXIT(m.get(0, 3), testing::ExitedWithCode(1), assertionAt(188));
    EXPECT_EXIT(m.get(-1, 0), testing::ExitedWithCode(1), assertionAt(188));
    EXPECT_EXIT(m.get(2), testing::ExitedWithCode(1), assertionAt(194));
    EXPECT_EXIT(m.set(2, 0, 1.0), testing::ExitedWithCode(1), assertionAt(202));
    EXPECT_EXIT(m.set(0, -1, 1.0), testing::ExitedWithCode(1), assertionAt(202));
    EXPECT_EXIT(m.set(-1, 1.0), testing::ExitedWithCode(1), assertionAt(209));
    Matrix empty;
    EXPECT_EXIT(empty.get(0, 0), testing::ExitedWithCode(1), assertionAt(188));
}

TEST(MatrixAllocationDeathTest, NonPositiveShapesAreRefused) {
    Matrix m;
    EXPECT_EXIT(m.initZero(0, 5), testing::ExitedWithCode(1), assertionAt(273));
    EXPECT_EXIT(m.init(0, 5), testing::ExitedWithCode(1), assertionAt(27));
    EXPECT_EXIT(m.init(3, -1), testing::ExitedWithCode(1), assertionAt(27));
}

TEST(MatrixCopy, CopiesValuesAndEmptyStaysEmpty) {
    Matrix source;
    source.initZero(2, 2);
    source.set(1, 1, 4.0);
    Matrix copy(source);
    source.set(1, 1, 5.0);
    EXPECT_EQ(copy.get(1, 1), 4.0);

    Matrix empty;
    Matrix emptyCopy(empty);
    EXPECT_TRUE(emptyCopy.empty());
    copy = empty;
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(copy.rows, 0);
    EXPECT_EQ(copy.cols, 0);

    Matrix& self = source;
    source = self;
    EXPECT_EQ(source.get(1, 1), 5.0);
}

TEST(MatrixPlus, ShiftsOneBasedJobNumbersAndKeepsTheSource) {
    Matrix jobs;
    jobs.init(1, 3);
    jobs.set(0, 0, 1.0);
    jobs.set(0, 1, 3.0);
    jobs.set(0, 2, 2.0);
    Matrix zeroBased = jobs + -1.0;
    EXPECT_EQ(zeroBased.get(0, 0), 0.0);
    EXPECT_EQ(zeroBased.get(0, 1), 2.0);
    EXPECT_EQ(zeroBased.get(0, 2), 1.0);
    EXPECT_EQ(jobs.get(0, 1), 3.0);
}

TEST(MatrixFile, WritesTheBlankSeparatedLayout) {
    TempDir dir;
    Matrix m;
    m.init(2, 3);
    const double values[] = {1, 2.5, 40, 1234567, 0.0001, -0.00001};
    for (int i = 0; i < 6; ++i) m.set(i / 3, i % 3, values[i]);
    m.write(dir.file("out.txt"));
    EXPECT_EQ(dir.read("out.txt"), "2 3\n 1  2.5  40 \n 1.23457e+06  0.0001  -1e-05 \n");
}

TEST(MatrixFile, LineStructureCarriesNoMeaning) {
    TempDir dir;
    for (const char* text : {"2 2\n1 2\n3 4\n", "2 2\n1 2 3 4", "2\t2\n1\n2\n3\n4\n"}) {
        Matrix m = readText(dir, text);
        ASSERT_EQ(m.rows, 2);
        ASSERT_EQ(m.cols, 2);
        EXPECT_EQ(m.get(0, 0), 1.0);
        EXPECT_EQ(m.get(0, 1), 2.0);
        EXPECT_EQ(m.get(1, 0), 3.0);
        EXPECT_EQ(m.get(1, 1), 4.0);
    }
}

TEST(MatrixFile, NumbersAfterTheLastNeededOneAreIgnored) {
    TempDir dir;
    Matrix m = readText(dir, "2 3\n1 2 3 4 5 6 7\n");
    EXPECT_EQ(m.get(1, 2), 6.0);
}

TEST(MatrixFile, ReadsEveryNumberFormOfFormattedInput) {
    TempDir dir;
    Matrix m = readText(dir, "1 10\n+3 -2.5e3 inf -INF nan 0x10 1e400 -1e-400 .5 7.\n");
    EXPECT_EQ(m.get(0, 0), 3.0);
    EXPECT_EQ(m.get(0, 1), -2500.0);
    EXPECT_EQ(m.get(0, 2), std::numeric_limits<double>::infinity());
    EXPECT_EQ(m.get(0, 3), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(m.get(0, 4)));
    EXPECT_EQ(m.get(0, 5), 16.0);
    EXPECT_EQ(m.get(0, 6), std::numeric_limits<double>::infinity());
    EXPECT_EQ(m.get(0, 7), 0.0);
    EXPECT_EQ(m.get(0, 8), 0.5);
    EXPECT_EQ(m.get(0, 9), 7.0);
}

// Decimals of every length around the reader's direct path (up to 15 digits), with signs, leading
// zeros and every separator, read bit for bit as strtod reads them.
TEST(MatrixFile, PlainDecimalsReadAsStrtodReadsThem) {
    std::mt19937_64 random(2024);
    const char* separators[] = {" ", "\t", "\n", "\r\n", "\v", "\f", "  "};
    std::vector<std::string> tokens;
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        std::string token = random() % 3 == 0 ? "-" : "";
        const int whole = 1 + static_cast<int>(random() % 17);
        const int fraction = static_cast<int>(random() % 18) - 1;  // -1: no point
        for (int d = 0; d < whole; ++d) token += static_cast<char>('0' + random() % 10);
        if (fraction >= 0) token += ".";
        for (int d = 0; d < fraction; ++d) token += static_cast<char>('0' + random() % 10);
        tokens.push_back(token);
        text += token + separators[random() % 7];
    }
    TempDir dir;
    const Matrix m = readText(dir, "1 " + std::to_string(tokens.size()) + "\n" + text);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const double expected = std::strtod(tokens[i].c_str(), nullptr);
        ASSERT_EQ(std::memcmp(&expected, &m.rowData(0)[i], sizeof expected), 0) << tokens[i];
    }
}

TEST(MatrixFile, RoundTripKeepsSixSignificantDigits) {
    TempDir dir;
    Matrix m;
    m.init(1, 2);
    m.set(0, 0, 1234567.0);
    m.set(0, 1, 0.1234567);
    m.write(dir.file("r.txt"));
    Matrix back;
    back.read(dir.file("r.txt"));
    EXPECT_EQ(back.rows, 1);
    EXPECT_EQ(back.cols, 2);
    EXPECT_EQ(back.get(0, 0), 1234570.0);
    EXPECT_EQ(back.get(0, 1), 0.123457);
}

TEST(MatrixFile, FastFormattingMatchesPrintfByteForByte) {
    std::vector<double> awkward = {0.0,
                                   -0.0,
                                   1.0,
                                   -1.0,
                                   0.5,
                                   2.5,
                                   999999.5,
                                   999999.4,
                                   9999995.0,
                                   0.0001,
                                   0.00009999995,
                                   0.000099999,
                                   1e-5,
                                   123456.5,
                                   1e300,
                                   -1e-300,
                                   4.9e-324,
                                   1.7976931348623157e308,
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN(),
                                   -std::numeric_limits<double>::quiet_NaN(),
                                   100.0 / 3.0,
                                   778.0666666666667,
                                   22.5,
                                   1022.5};
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 4000; ++i) {
        awkward.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
        awkward.push_back(std::round(mantissa(random) * 1e6) / 8.0);  // ties at the sixth digit
        double raw;
        const std::uint64_t pattern = bits(random);
        std::memcpy(&raw, &pattern, sizeof raw);
        awkward.push_back(raw);
    }
    for (double value : awkward) {
        char buffer[40];
        buffer[0] = ' ';
        char* end = formatG(buffer + 1, value);
        *end++ = ' ';
        ASSERT_EQ(std::string(buffer, end), printfG(value)) << "value bits differ for " << value;
    }

    // The whole file path too: one matrix of all the values against fprintf line by line.
    TempDir dir;
    Matrix m;
    m.init(static_cast<int>(awkward.size()), 1);
    std::string expected = std::to_string(awkward.size()) + " 1\n";
    for (std::size_t i = 0; i < awkward.size(); ++i) {
        m.set(static_cast<int>(i), awkward[i]);
        expected += printfG(awkward[i]) + "\n";
    }
    m.write(dir.file("all.txt"));
    EXPECT_EQ(dir.read("all.txt"), expected);
}

// A file that cannot be read gives the three assertion lines that scripts look for, then one
// that names it with the system's reason.
TEST(MatrixFileDeathTest, MissingShortAndEmptyFilesEndTheProcess) {
    TempDir dir;
    Matrix m;
    std::filesystem::create_directory(dir.file("folder"));
    const std::pair<const char*, const char*> unreadable[] = {{"none.txt", "No such file or directory"},
                                                              {"folder", "Is a directory"}};
    for (const auto& [name, reason] : unreadable)
        EXPECT_EXIT(m.read(dir.file(name)), testing::ExitedWithCode(1),
                    assertionAt(218, "Matrix file \"" + dir.file(name) + "\" cannot be read: " + reason + "\n"));
    dir.write("zero.txt", "0 3\n");
    EXPECT_EXIT(m.read(dir.file("zero.txt")), testing::ExitedWithCode(1), assertionAt(27));
}

// With several data files named in a definition, the message must tell which one is short.
TEST(MatrixFileDeathTest, ShortAndEmptyFilesNameThemselves) {
    TempDir dir;
    Matrix m;
    dir.write("short.txt", "2 3\n1 2 3 4 5\n");
    EXPECT_EXIT(m.read(dir.file("short.txt")), testing::ExitedWithCode(1),
                "^Matrix file \".*short\\.txt\": the header promises 2 x 3 values, but the file holds 5\\.\n$");
    dir.write("header-only.txt", "4 1\n");
    EXPECT_EXIT(m.read(dir.file("header-only.txt")), testing::ExitedWithCode(1), "promises 4 x 1 values, but the file holds 0\\.");
    dir.write("empty.txt", "  \n");
    EXPECT_EXIT(m.read(dir.file("empty.txt")), testing::ExitedWithCode(1),
                "^Matrix file \".*empty\\.txt\" is empty: it must begin with the rows and the columns\\.\n$");
    dir.write("nothing.txt", "");
    EXPECT_EXIT(m.read(dir.file("nothing.txt")), testing::ExitedWithCode(1), "nothing\\.txt\" is empty");
}

// A header far beyond what the file holds must not be allocated first: the file is short.
// A value that is not a number before the end is still named first.
TEST(MatrixFileDeathTest, HeaderBeyondTheFileIsShortWithoutAllocating) {
    TempDir dir;
    Matrix m;
    dir.write("huge.txt", "2000000000 2000000000\n1\n");
    EXPECT_EXIT(m.read(dir.file("huge.txt")), testing::ExitedWithCode(1),
                "the header promises 2000000000 x 2000000000 values, but the file holds 1\\.\n$");
    dir.write("wide.txt", "1 2147483647\n1 2 3\n");
    EXPECT_EXIT(m.read(dir.file("wide.txt")), testing::ExitedWithCode(1), "promises 1 x 2147483647 values, but the file holds 3");
    dir.write("garbage.txt", "1000 1000\n1 x 3\n");
    EXPECT_EXIT(m.read(dir.file("garbage.txt")), testing::ExitedWithCode(1), "row 0, column 1 .*\"x\" is not a number");
}

TEST(MatrixFileDeathTest, GarbageIsNamedWithItsPosition) {
    TempDir dir;
    Matrix m;
    dir.write("bad.txt", "2 3\n1 2 3\n4 x5 6\n");
    EXPECT_EXIT(m.read(dir.file("bad.txt")), testing::ExitedWithCode(1),
                "bad\\.txt\": row 1, column 1 \\(counted from 0\\): \"x5\" is not a number\\.\n$");
    dir.write("signs.txt", "1 2\n-1 +-5\n");
    EXPECT_EXIT(m.read(dir.file("signs.txt")), testing::ExitedWithCode(1), "row 0, column 1 .*\"\\+-5\"");
    dir.write("comma.txt", "1 2\n1,5 2\n");
    EXPECT_EXIT(m.read(dir.file("comma.txt")), testing::ExitedWithCode(1), "row 0, column 0 .*\"1,5\"");
    for (const char* header : {"2.5 3\n1 2 3 4 5 6\n", "two 3\n", "2\n", "99999999999 1\n"}) {
        dir.write("header.txt", header);
        EXPECT_EXIT(m.read(dir.file("header.txt")), testing::ExitedWithCode(1),
                    "header\\.txt\": the header must hold two integers");
    }
}

TEST(MatrixDeathTest, ShapeBeyondMemoryIsReportedNotCrashed) {
    Matrix m;
    EXPECT_EXIT(m.init(2000000000, 2000000000), testing::ExitedWithCode(1),
                "^Not enough memory for a matrix of 2000000000 rows and 2000000000 columns\\.\n$");
}
