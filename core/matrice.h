#pragma once

#include <cstddef>
#include <memory>
#include <string>

// The one table type of the suite: a row-major matrix of doubles with bounds-asserting
// access and a plain text file format (header "rows cols", then every value).
class Matrix {
public:
    int rows = 0;
    int cols = 0;
    std::unique_ptr<double[]> data;  // one block of rows * cols values; null while empty

    Matrix() = default;
    Matrix(const Matrix& source);
    Matrix(Matrix&& source) noexcept;
    Matrix& operator=(const Matrix& source);
    Matrix& operator=(Matrix&& source) noexcept;
    ~Matrix() = default;

    // Both give every value 0.0; they differ in the line that their shape assertion names. A
    // matrix re-created no larger than its largest shape so far keeps its storage, so that working
    // tables shaped anew set after set are not allocated again.
    void init(int rowCount, int colCount);
    void initZero(int rowCount, int colCount);

    double get(int row, int col) const;
    double get(int row) const;  // column 0, for one-column tables
    double set(int row, int col, double value);
    double set(int row, double value);

    Matrix operator+(double value) const;

    void read(const std::string& fileName);
    void write(const std::string& fileName) const;
    // The file format's text, as write puts it in the file.
    std::string text() const;

    bool empty() const { return !data; }

    // Unchecked access for loops whose indices were validated before they started.
    double* rowData(int row) { return data.get() + static_cast<std::size_t>(row) * cols; }
    const double* rowData(int row) const { return data.get() + static_cast<std::size_t>(row) * cols; }
    double& at(int row, int col) { return rowData(row)[col]; }
    double at(int row, int col) const { return rowData(row)[col]; }

private:
    std::size_t capacity_ = 0;  // values the storage holds

    void allocate(int rowCount, int colCount);
    void free();
};

// The " %g " rendering of one value, without the blanks; exposed for tests and other writers.
// Writes at most 32 characters at out and returns the position after the last one.
char* formatG(char* out, double value);
