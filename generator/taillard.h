#pragma once

#include <array>
#include <cstdint>

#include "core/matrice.h"

// Taillard's 80 job-shop benchmark instances (ta01 ... ta80), rebuilt from their published
// seeds with Taillard's own generator, so they are the same on every run and machine.

constexpr int kTaillardInstanceCount = 80;
constexpr int kTaillardMaxJobs = 100;
constexpr int kTaillardMaxMachines = 20;
// Columns of the processing-time table: the largest instances have 100 jobs x 20 machines.
constexpr int kTaillardColumns = kTaillardMaxJobs * kTaillardMaxMachines;

struct TaillardEntry {
    std::int32_t timeSeed;
    std::int32_t machineSeed;
    std::int16_t jobs;
    std::int16_t machines;
};

// The published entry of instance 1 ... 80.
const TaillardEntry& taillardEntry(int instance);

// One step of Taillard's minimal-standard generator (16807, 2^31 - 1) in 32-bit arithmetic:
// advances the seed and returns a value in (0, 1).
double taillardNext(std::int32_t& seed);

// Processing times (1 ... 99) and machine numbers (0-based) of operation k of job j.
struct TaillardInstance {
    int jobs = 0;
    int machines = 0;
    std::array<std::array<std::int16_t, kTaillardMaxMachines>, kTaillardMaxJobs> times{};
    std::array<std::array<std::int16_t, kTaillardMaxMachines>, kTaillardMaxJobs> machineOf{};
};

TaillardInstance generateTaillardInstance(int instance);

// Re-shapes the three tables to 80 rows (2000 columns for the operation codes) and fills row
// i - 1 with instance i: codes time + 1000 * machine at column j * m + k, the job count, and
// the sum of the processing times divided by the machine count.
void generateTaillardSets(Matrix& processingTimes, Matrix& jobCount, Matrix& processingSum);
