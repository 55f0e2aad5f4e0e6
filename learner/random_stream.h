#pragma once

// The learner's random draws: a 64-bit Mersenne Twister (its output is fixed by the language
// standard) with our own conversions to ranges, so that a seed gives the same run with any
// compiler or library.
#include <cstdint>
#include <random>
#include <sstream>
#include <string>

namespace gp {

class RandomStream {
public:
    explicit RandomStream(std::uint64_t seed) : engine_(seed) {}

    // A whole number from 0 to n - 1 (n >= 1), without modulo bias.
    int below(int n) {
        const std::uint64_t range = static_cast<std::uint64_t>(n);
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % range;
        std::uint64_t x;
        do {
            x = engine_();
        } while (x >= limit);
        return static_cast<int>(x % range);
    }

    // A number in [0, 1) with 53 random bits.
    double unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

    bool chance(double probability) { return unit() < probability; }

    // The engine's whole state as text (its words in decimal), which a checkpoint keeps, and that
    // state taken back; false when the text is not one.
    std::string state() const {
        std::ostringstream text;
        text << engine_;
        return text.str();
    }
    bool setState(const std::string& state) {
        std::istringstream text(state);
        std::mt19937_64 engine;
        if (!(text >> engine) || !(text >> std::ws).eof()) return false;
        engine_ = engine;
        return true;
    }

private:
    std::mt19937_64 engine_;
};

}  // namespace gp
