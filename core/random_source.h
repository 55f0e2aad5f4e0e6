#pragma once

#include <cstdint>

// A 15-bit linear congruential source (state * 214013 + 2531011, bits 16 to 30), kept exactly so
// that a seed gives the same instances and setup times as every stored run: the generator draws every
// random instance value from it, and the evaluator seeds it per set for job-shop setup times.
class RandomSource {
public:
    explicit RandomSource(std::uint32_t seed = 1) : state_(seed) {}
    void seed(std::uint32_t seed) { state_ = seed; }
    // An integer from 0 to 32767.
    int draw() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 32767u);
    }

private:
    std::uint32_t state_;
};
