#pragma once

// Epsilon-lexicase selection: every training set is a case. A parent is chosen by taking the cases
// in a random order and keeping, case after case, only the individuals within the case's tolerance
// of the best value still in the running; a random one of the last survivors wins. Rules good on
// different sets all get chosen, which tournaments on the total do not do.
#include <vector>

#include "learner/random_stream.h"

namespace gp {

class LexicaseSelection {
public:
    // values[i][c]: individual i's value on case c (lower is better; not a number counts as
    // infinitely bad). Each case's tolerance is the median absolute deviation of its values.
    void prepare(const std::vector<const std::vector<double>*>& values);
    // The index of the chosen individual among those of the last prepare.
    int select(RandomStream& random);

private:
    std::vector<const std::vector<double>*> values_;
    std::vector<double> tolerance_;
    std::vector<int> alive_;  // scratch of a selection
    std::vector<int> order_;

    double value(int individual, int c) const;
};

}  // namespace gp
