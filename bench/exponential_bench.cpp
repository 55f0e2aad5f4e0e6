// Times the suite's exponential against the C library's, per value: in a loop of independent calls
// (as a classical rule calls it candidate by candidate), over a whole column at once (as a rule's
// exponential runs) and in a chain where each call waits for the one before. Prints how many of the
// arguments give another double. Usage: exponential_bench
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "core/exponential.h"

namespace {

constexpr int kRepeats = 50;
constexpr int kTrials = 15;
volatile double sink;  // where the chain's last value goes, so that it is computed

// The fastest of the trials, in ns per call.
template <class Trial>
double fastestOf(Trial trial, std::size_t calls) {
    double best = 1e300;
    for (int t = 0; t < kTrials; ++t) {
        const auto start = std::chrono::steady_clock::now();
        trial();
        const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / static_cast<double>(calls));
    }
    return best;
}

// Per value, where `fill` writes the exponentials of all the arguments into `values`.
template <class Fill>
double perValueFilling(const std::vector<double>& arguments, std::vector<double>& values, Fill fill) {
    return fastestOf(
        [&] {
            for (int r = 0; r < kRepeats; ++r) {
                fill();
                asm volatile("" : : "r"(values.data()) : "memory");  // keep the stores
            }
        },
        arguments.size() * kRepeats);
}

template <class Exp>
double independentCalls(const std::vector<double>& arguments, std::vector<double>& values, Exp exp) {
    return perValueFilling(arguments, values, [&] {
        for (std::size_t i = 0; i < arguments.size(); ++i) values[i] = exp(arguments[i]);
    });
}

template <class Exp>
double chainedCalls(const std::vector<double>& arguments, Exp exp) {
    return fastestOf(
        [&] {
            double last = 0;
            for (int r = 0; r < kRepeats; ++r)
                for (const double x : arguments) last = exp(x + last * 1e-300);  // waits, changes nothing
            sink = last;
        },
        arguments.size() * kRepeats);
}

}  // namespace

int main() {
    std::mt19937_64 draw(7);
    std::uniform_real_distribution<double> argument(-20.0, 0.0);  // priorities' exponents are mostly below 0
    std::vector<double> arguments(1 << 14);
    for (double& x : arguments) x = argument(draw);
    std::vector<double> values(arguments.size());

    const auto ours = [](double x) { return exponential(x); };
    const auto library = [](double x) { return std::exp(x); };
    std::printf("%zu arguments in [-20, 0], fastest of %d trials\n", arguments.size(), kTrials);
    std::printf("independent calls  ours %5.2f ns   library %5.2f ns\n", independentCalls(arguments, values, ours),
                independentCalls(arguments, values, library));
    const double column = perValueFilling(arguments, values, [&] {
        exponentials(arguments.data(), values.data(), static_cast<int>(arguments.size()));
    });
    std::printf("a column at once   ours %5.2f ns\n", column);
    std::printf("chained calls      ours %5.2f ns   library %5.2f ns\n", chainedCalls(arguments, ours),
                chainedCalls(arguments, library));
    const long differ =
        std::count_if(arguments.begin(), arguments.end(), [](double x) { return exponential(x) != std::exp(x); });
    std::printf("other doubles      %ld of %zu\n", differ, arguments.size());
}
