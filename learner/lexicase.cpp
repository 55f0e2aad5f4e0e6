#include "learner/lexicase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace gp {

double LexicaseSelection::value(int individual, int c) const {
    const double v = (*values_[static_cast<std::size_t>(individual)])[static_cast<std::size_t>(c)];
    return std::isnan(v) ? std::numeric_limits<double>::infinity() : v;
}

void LexicaseSelection::prepare(const std::vector<const std::vector<double>*>& values) {
    values_ = values;
    tolerance_.clear();
    const int cases = values.empty() ? 0 : static_cast<int>(values.front()->size());
    std::vector<double> column(values.size());
    const auto median = [&] {
        const auto middle = column.begin() + static_cast<std::ptrdiff_t>(column.size() / 2);
        std::nth_element(column.begin(), middle, column.end());
        return *middle;
    };
    for (int c = 0; c < cases; ++c) {
        for (std::size_t i = 0; i < values.size(); ++i) column[i] = value(static_cast<int>(i), c);
        const double centre = median();
        for (double& v : column) v = std::fabs(v - centre);
        tolerance_.push_back(median());
    }
}

int LexicaseSelection::select(RandomStream& random) {
    alive_.resize(values_.size());
    std::iota(alive_.begin(), alive_.end(), 0);
    order_.resize(tolerance_.size());
    std::iota(order_.begin(), order_.end(), 0);
    for (std::size_t i = order_.size(); i > 1; --i)
        std::swap(order_[i - 1], order_[static_cast<std::size_t>(random.below(static_cast<int>(i)))]);
    for (const int c : order_) {
        if (alive_.size() == 1) break;
        double best = std::numeric_limits<double>::infinity();
        for (const int who : alive_) best = std::min(best, value(who, c));
        double limit = best + tolerance_[static_cast<std::size_t>(c)];
        if (!(limit >= best)) limit = best;  // an infinite or undefined tolerance keeps the best alone
        std::erase_if(alive_, [&](int who) { return !(value(who, c) <= limit); });
    }
    return alive_[static_cast<std::size_t>(random.below(static_cast<int>(alive_.size())))];
}

}  // namespace gp
