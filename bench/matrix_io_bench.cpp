// Times the matrix file format: writing and reading a large table of awkward values, the
// shape of a big schedule or processing-time file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/matrice.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const int rows = 1000;
    const int cols = 2000;
    Matrix m;
    m.init(rows, cols);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) m.at(i, j) = (i * 7919 + j * 104729) % 100003 / 7.0;

    const std::string path = (std::filesystem::temp_directory_path() / "matrix_io_bench.txt").string();
    auto start = std::chrono::steady_clock::now();
    m.write(path);
    const double writeSeconds = secondsSince(start);

    Matrix back;
    start = std::chrono::steady_clock::now();
    back.read(path);
    const double readSeconds = secondsSince(start);

    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove(path);
    std::printf("matrix %dx%d, %.1f MB: write %.3f s, read %.3f s\n", rows, cols, megabytes, writeSeconds,
                readSeconds);
    return back.rows == rows ? 0 : 1;
}
