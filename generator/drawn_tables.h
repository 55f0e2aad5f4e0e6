#pragma once

// The generator's draw for a program that takes the sets in memory rather than from data files.
// This header keeps to the matrix type, so that programs with their own environment names can
// include it.
#include <cstdint>
#include <string>

#include "core/matrice.h"

struct DrawnTables {
    Matrix jobCount;
    Matrix processingSum;
    Matrix processingTimes;  // processing times, per job and machine, or job-shop operation codes
    Matrix dueDates;
    Matrix weights;
    Matrix releaseTimes;
    Matrix machineCount;
    Matrix speeds;
};

// The tables `generator --seed seed` would write for the definition file, each value as the data
// files hold it, or false (having said so) when the definition cannot be opened.
bool drawTables(const std::string& definitionPath, std::uint32_t seed, DrawnTables& tables);
