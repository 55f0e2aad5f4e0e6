#pragma once

#include "core/random_source.h"

// Relative processing-time values between 0.01 and 1.00, drawn from one of three
// distributions (uniform, clamped normal, two-peaked). Every function consumes draws of the
// run's one RandomSource in a fixed number, so a seed fixes the whole instance set.

// Cumulative shares of distributions 1, 2 and 3 (b1 <= b2 <= b3). The default sends every
// draw to distribution 1.
struct DistributionBounds {
    double bounds[3] = {1.0, 1.0, 1.0};
};

// The bounds from the shares d1, d2, d3: running sums of di * (1/s), s = d1 + d2 + d3.
DistributionBounds boundsFromShares(const double shares[3]);

// 1, 2 or 3, chosen by one draw against the bounds.
int selectDistribution(RandomSource& random, const DistributionBounds& bounds);

// The value of distribution 1, 2 or 3; any other index is a programming fault and fatal.
double drawRelative(RandomSource& random, int distribution);

// One of 0.01, 0.02, ..., 1.00; one draw.
double drawUniform(RandomSource& random);

// The normal deviate (mean 51, deviation 20) cut to hundredths and clamped; two draws.
double drawNormal(RandomSource& random);

// The piecewise-linear two-peaked distribution; one draw.
double drawBimodal(RandomSource& random);

// Box-Muller, sine branch, on two 15-bit draws.
double normalDeviate(RandomSource& random, double mean, double deviation);

// The deterministic halves of drawNormal and drawBimodal, apart so their edges can be checked.
double clampedNormalValue(double deviate);
double bimodalValue(double u);  // u in 0 ... 1

// A processing time from 1 to 100: a distribution chosen by one draw, then its value * 100
// truncated.
double drawProcessingTime(RandomSource& random, const DistributionBounds& bounds);
