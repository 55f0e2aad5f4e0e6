#include "generator/distributions.h"

#include <cmath>

#include "core/fatal.h"

namespace {

// Line of the driver's assertion on an unknown distribution index, kept for scripts that look for it.
constexpr int kLineUnknownDistribution = 58;

// 2^-15: turns a 15-bit draw into a fraction.
constexpr double kDrawScale = 3.0517578125e-05;
// 2 * pi to eight digits only: kept so that a seed draws the same values as in every stored run.
constexpr double kTwoPi = 6.2831854;

// One linear piece of the two-peaked inverse distribution function. The offset is the slope
// times the piece's lowest result in hundredths, so the pieces join without a step.
struct BimodalSegment {
    double upper;  // the piece takes every u <= upper (the last one takes the rest)
    double lower;
    double slope;
    double offset;
};

constexpr BimodalSegment kBimodalSegments[] = {
    {0.093, 0.0, 0.0093023254, 0.0093023254},
    {0.316, 0.093, 0.013953488100000001, 0.15348836910000002},
    {0.465, 0.316, 0.0093023254, 0.2511627858},
    {0.535, 0.465, 0.0046511627, 0.1999999961},
    {0.684, 0.535, 0.0093023254, 0.5395348732},
    {0.907, 0.684, 0.013953488100000001, 1.0325581194000002},
    {1.0, 0.907, 0.0093023254, 0.837209286},
};
constexpr int kBimodalSegmentCount = sizeof(kBimodalSegments) / sizeof(kBimodalSegments[0]);

// One of 0.01, 0.02, ..., 1.00.
double hundredthsDraw(RandomSource& random) { return (random.draw() % 100 + 1) / 100.0; }

}  // namespace

DistributionBounds boundsFromShares(const double shares[3]) {
    const double inverseSum = 1.0 / (shares[0] + shares[1] + shares[2]);
    DistributionBounds result;
    double accumulated = 0.0;
    for (int i = 0; i < 3; ++i) {
        accumulated = accumulated + shares[i] * inverseSum;
        result.bounds[i] = accumulated;
    }
    return result;
}

int selectDistribution(RandomSource& random, const DistributionBounds& bounds) {
    const double x = hundredthsDraw(random);
    if (x <= bounds.bounds[0]) return 1;
    if (x <= bounds.bounds[1]) return 2;
    return 3;
}

double drawRelative(RandomSource& random, int distribution) {
    switch (distribution) {
        case 1: return drawUniform(random);
        case 2: return drawNormal(random);
        case 3: return drawBimodal(random);
        default: assertionFailed("driver", kLineUnknownDistribution);
    }
}

double drawUniform(RandomSource& random) { return hundredthsDraw(random); }

double normalDeviate(RandomSource& random, double mean, double deviation) {
    const double a = (random.draw() + 1) * kDrawScale;
    const double r = std::sqrt(std::log(a) * -2.0);
    const double q = r * deviation;
    const double theta = random.draw() * kTwoPi * kDrawScale;
    return std::sin(theta) * q + mean;
}

double clampedNormalValue(double deviate) {
    const double value = static_cast<int>(deviate) / 100.0;
    if (value > 1.0) return 1.0;
    if (value < 0.01) return 0.01;
    return value;
}

double drawNormal(RandomSource& random) { return clampedNormalValue(normalDeviate(random, 51.0, 20.0)); }

double bimodalValue(double u) {
    int piece = 0;
    while (piece < kBimodalSegmentCount - 1 && !(u <= kBimodalSegments[piece].upper)) ++piece;
    const BimodalSegment& s = kBimodalSegments[piece];
    return ((u - s.lower) + s.offset) / s.slope / 100.0;
}

double drawBimodal(RandomSource& random) { return bimodalValue((random.draw() % 1001) / 1000.0); }

double drawProcessingTime(RandomSource& random, const DistributionBounds& bounds) {
    const int distribution = selectDistribution(random, bounds);
    return static_cast<int>(drawRelative(random, distribution) * 100.0);
}
