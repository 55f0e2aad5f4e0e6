#include "core/matrice.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>
#include <vector>

#include "core/fatal.h"
#include "core/names.h"
#include "core/output_files.h"

namespace {

// Line numbers of the matrix assertions; stored files and scripts grep for them.
constexpr int kLineAllocate = 27;
constexpr int kLineGetColumn0 = 194;
constexpr int kLineSet = 202;
constexpr int kLineSetColumn0 = 209;
constexpr int kLineOpenForReading = 218;
constexpr int kLineInitZero = 273;

[[noreturn]] void matrixAssertion(int line) { assertionFailed("matrice", line); }

// The blank and the controls from tab to carriage return.
bool isSpace(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t'; }
bool isDigit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }

// Exact doubles, so that a quotient by one of them is the correctly rounded decimal.
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
// A plain decimal of this many digits at most has an exact integer mantissa below 2^53.
constexpr int kPlainDigits = 15;

// Reads a whole file in one call; the system's error number when it cannot be read, else 0.
int slurp(const std::string& fileName, std::vector<char>& text) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (!file) return errno;
    char chunk[1 << 16];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.insert(text.end(), chunk, chunk + got);
    const int error = std::ferror(file) ? errno : 0;  // a folder opens, but cannot be read
    std::fclose(file);
    return error;
}

// Walks the white-space separated tokens of a matrix file.
class Tokens {
public:
    explicit Tokens(const std::vector<char>& text) : pos_(text.data()), end_(text.data() + text.size()) {}

    bool next(std::string_view& token) {
        while (pos_ < end_ && isSpace(*pos_)) ++pos_;
        if (pos_ == end_) return false;
        const char* start = pos_;
        while (pos_ < end_ && !isSpace(*pos_)) ++pos_;
        token = std::string_view(start, static_cast<std::size_t>(pos_ - start));
        return true;
    }

    // The next token when it is a plain decimal (an optional minus, digits, an optional point with
    // digits after it) of at most kPlainDigits digits, read directly: the mantissa and the power of
    // ten are exact, so their quotient is the correctly rounded value, the very double the general
    // parser gives. False, with the position before the token, for any other token.
    bool nextPlainDecimal(double& value) {
        while (pos_ < end_ && isSpace(*pos_)) ++pos_;
        const char* p = pos_;
        const bool negative = p < end_ && *p == '-';
        if (negative) ++p;
        std::uint64_t mantissa = 0;
        const char* const whole = p;
        for (; p < end_ && isDigit(*p); ++p) mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        const long digits = p - whole;
        long fraction = 0;
        if (p < end_ && *p == '.') {
            const char* const point = ++p;
            for (; p < end_ && isDigit(*p); ++p) mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
            fraction = p - point;
            if (fraction == 0) return false;
        }
        if (digits == 0 || digits + fraction > kPlainDigits || (p < end_ && !isSpace(*p))) return false;
        const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[fraction];
        value = negative ? -magnitude : magnitude;
        pos_ = p;
        return true;
    }

    // The most tokens the rest of the text can hold: each takes a character and a separator.
    std::size_t mostLeft() const { return (static_cast<std::size_t>(end_ - pos_) + 1) / 2; }

private:
    const char* pos_;
    const char* end_;
};

bool parseInt(std::string_view token, int& value) {
    const char* first = token.data();
    const char* last = first + token.size();
    if (first != last && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last;
}

// Accepts every whole token that formatted input reads completely as a double: signs,
// exponents, inf, nan, hexadecimal, and values beyond the range (as infinity or zero).
bool parseDouble(std::string_view token, double& value) {
    const char* first = token.data();
    const char* last = first + token.size();
    // The fast path takes what it can ("-" included); a "+" it does not know is skipped, but a
    // second sign after it is left to the slow path, which refuses it as formatted input does.
    const char* digits = (first != last && *first == '+') ? first + 1 : first;
    const bool secondSign = digits != first && digits != last && (*digits == '+' || *digits == '-');
    if (!secondSign) {
        auto [ptr, ec] = std::from_chars(digits, last, value);
        if (ec == std::errc() && ptr == last) return true;
    }
    std::string copy(token);
    char* end = nullptr;
    errno = 0;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && !copy.empty();
}

[[noreturn]] void badHeader(const std::string& fileName) {
    fatalError("Matrix file \"" + fileName + "\": the header must hold two integers, the rows and the columns.");
}

[[noreturn]] void badValue(const std::string& fileName, long long index, int cols, std::string_view token) {
    fatalError("Matrix file \"" + fileName + "\": row " + std::to_string(index / cols) + ", column " +
               std::to_string(index % cols) + " (counted from 0): \"" + std::string(token) + "\" is not a number.");
}

[[noreturn]] void emptyFile(const std::string& fileName) {
    fatalError("Matrix file \"" + fileName + "\" is empty: it must begin with the rows and the columns.");
}

[[noreturn]] void shortFile(const std::string& fileName, int rows, int cols, long long held) {
    fatalError("Matrix file \"" + fileName + "\": the header promises " + std::to_string(rows) + " x " +
               std::to_string(cols) + " values, but the file holds " + std::to_string(held) + ".");
}

// Reads up to count values in file order into values (or, when it is null, only checks that they
// are numbers); returns how many the file held.
long long readValues(Tokens& tokens, long long count, int cols, const std::string& fileName, double* values) {
    std::string_view token;
    double checked = 0.0;
    for (long long i = 0; i < count; ++i) {
        double& value = values ? values[i] : checked;
        if (tokens.nextPlainDecimal(value)) continue;
        if (!tokens.next(token)) return i;
        if (!parseDouble(token, value)) badValue(fileName, i, cols, token);
    }
    return count;
}

}  // namespace

char* formatG(char* out, double value) {
    return std::to_chars(out, out + 32, value, std::chars_format::general, 6).ptr;
}

Matrix::Matrix(const Matrix& source) {
    if (source.empty()) return;  // a copy of an empty matrix is empty
    allocate(source.rows, source.cols);
    std::memcpy(data.get(), source.data.get(), sizeof(double) * static_cast<std::size_t>(rows) * cols);
}

Matrix::Matrix(Matrix&& source) noexcept
    : rows(source.rows), cols(source.cols), data(std::move(source.data)), capacity_(source.capacity_) {
    source.rows = source.cols = 0;
    source.capacity_ = 0;
}

Matrix& Matrix::operator=(const Matrix& source) {
    if (this == &source) return *this;
    Matrix copy(source);
    return *this = std::move(copy);
}

Matrix& Matrix::operator=(Matrix&& source) noexcept {
    if (this == &source) return *this;
    rows = source.rows;
    cols = source.cols;
    data = std::move(source.data);
    capacity_ = source.capacity_;
    source.rows = source.cols = 0;
    source.capacity_ = 0;
    return *this;
}

void Matrix::free() {
    data.reset();
    rows = cols = 0;
    capacity_ = 0;
}

void Matrix::allocate(int rowCount, int colCount) {
    if (rowCount <= 0 || colCount <= 0) matrixAssertion(kLineAllocate);
    const std::uint64_t count = static_cast<std::uint64_t>(rowCount) * static_cast<std::uint64_t>(colCount);
    if (data && count <= capacity_) {
        std::fill_n(data.get(), count, 0.0);
        rows = rowCount;
        cols = colCount;
        return;
    }
    free();
    double* storage = nullptr;
    if (count <= std::numeric_limits<std::size_t>::max() / sizeof(double))
        storage = new (std::nothrow) double[count]();
    if (!storage)
        fatalError("Not enough memory for a matrix of " + std::to_string(rowCount) + " rows and " +
                   std::to_string(colCount) + " columns.");
    data.reset(storage);
    rows = rowCount;
    cols = colCount;
    capacity_ = static_cast<std::size_t>(count);
}

void Matrix::init(int rowCount, int colCount) { allocate(rowCount, colCount); }

void Matrix::initZero(int rowCount, int colCount) {
    if (rowCount <= 0 || colCount <= 0) matrixAssertion(kLineInitZero);
    allocate(rowCount, colCount);  // storage comes zero-filled
}

double Matrix::get(int row, int col) const {
    if (!data || row < 0 || row >= rows || col < 0 || col >= cols) tableAccessFailed();
    return at(row, col);
}

double Matrix::get(int row) const {
    if (!data || row < 0 || row >= rows) matrixAssertion(kLineGetColumn0);
    return at(row, 0);
}

double Matrix::set(int row, int col, double value) {
    if (!data || row < 0 || row >= rows || col < 0 || col >= cols) matrixAssertion(kLineSet);
    return at(row, col) = value;
}

double Matrix::set(int row, double value) {
    if (!data || row < 0 || row >= rows) matrixAssertion(kLineSetColumn0);
    return at(row, 0) = value;
}

Matrix Matrix::operator+(double value) const {
    Matrix sum(*this);
    const std::size_t count = static_cast<std::size_t>(rows) * cols;
    for (std::size_t i = 0; i < count; ++i) sum.data[i] += value;
    return sum;
}

void Matrix::read(const std::string& fileName) {
    std::vector<char> text;
    if (const int error = slurp(fileName, text))
        assertionFailed("matrice", kLineOpenForReading, fileProblem("Matrix file", fileName, "read", error));
    free();
    Tokens tokens(text);
    std::string_view token;
    if (!tokens.next(token)) emptyFile(fileName);
    int rowCount = 0;
    int colCount = 0;
    if (!parseInt(token, rowCount) || !tokens.next(token) || !parseInt(token, colCount)) badHeader(fileName);
    const long long count = static_cast<long long>(rowCount) * colCount;
    // A header that promises more values than the file could hold is answered before any storage
    // is taken for it, so that one line of a file cannot claim all memory.
    if (rowCount > 0 && colCount > 0 && static_cast<unsigned long long>(count) > tokens.mostLeft())
        shortFile(fileName, rowCount, colCount, readValues(tokens, count, colCount, fileName, nullptr));
    allocate(rowCount, colCount);
    const long long held = readValues(tokens, count, cols, fileName, data.get());
    if (held < count) shortFile(fileName, rows, cols, held);
}

std::string Matrix::text() const {
    // Each value takes at most 13 characters in six-digit %g form; 16 leaves room for the blanks.
    std::string text(32 + static_cast<std::size_t>(rows) * (static_cast<std::size_t>(cols) * 16 + 1), '\0');
    char* out = text.data();
    out += std::snprintf(out, 32, "%d %d\n", rows, cols);
    for (int i = 0; i < rows; ++i) {
        const double* row = rowData(i);
        for (int j = 0; j < cols; ++j) {
            *out++ = ' ';
            out = formatG(out, row[j]);
            *out++ = ' ';
        }
        *out++ = '\n';
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

void Matrix::write(const std::string& fileName) const { writeWholeFile(fileName, text(), "Matrix file"); }
