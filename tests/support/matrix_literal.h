#pragma once

// Matrices written out in a test, one braced row per set.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "core/matrice.h"

namespace testing_support {

using Rows = std::initializer_list<std::initializer_list<double>>;
using Table = std::vector<std::vector<double>>;

// Short rows are padded with zeros to the longest one.
inline Matrix table(const Table& rows) {
    std::size_t cols = 1;
    for (const auto& row : rows) cols = std::max(cols, row.size());
    Matrix m;
    m.initZero(static_cast<int>(rows.size()), static_cast<int>(cols));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows[i].size(); ++j) m.set(static_cast<int>(i), static_cast<int>(j), rows[i][j]);
    return m;
}
inline Matrix table(Rows rows) { return table(Table(rows.begin(), rows.end())); }

}  // namespace testing_support
