#pragma once

// Matrices written out in a test, one braced row per set.
#include <algorithm>
#include <initializer_list>

#include "core/matrice.h"

namespace testing_support {

using Rows = std::initializer_list<std::initializer_list<double>>;

// Short rows are padded with zeros to the longest one.
inline Matrix table(Rows rows) {
    std::size_t cols = 1;
    for (const auto& row : rows) cols = std::max(cols, row.size());
    Matrix m;
    m.initZero(static_cast<int>(rows.size()), static_cast<int>(cols));
    int i = 0;
    for (const auto& row : rows) {
        int j = 0;
        for (double value : row) m.set(i, j++, value);
        ++i;
    }
    return m;
}

}  // namespace testing_support
