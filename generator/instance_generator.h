#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/matrice.h"
#include "core/random_source.h"
#include "generator/run_settings.h"

// The generator's central object: the instance tables of every set, drawn from one random
// source in a fixed order and written to the data files that the definition names.
class InstanceGenerator {
public:
    int hasReleaseTimes = 0;
    int hasWeights = 0;
    int maxLength = 0;  // read for completeness; it does not shape the generated data
    int environment = Single;

    // --- one row per set
    Matrix dueDateRange;     // R
    Matrix tardinessFactor;  // T
    Matrix jobCount;
    Matrix processingSum;    // P
    Matrix processingTimes;  // processing times or job-shop operation codes
    Matrix dueDates;
    Matrix weights;
    Matrix releaseTimes;
    Matrix machineCount;
    Matrix speeds;  // uniform machines only

    // --- working tables of the run
    Matrix speedSums;     // per set, the sum of 1 / speed
    Matrix machineOrder;  // the machine permutation of the job-shop job being drawn

    RandomSource random;

    // One whole run: definition, tables, data files. Seeds the random source with seed, or
    // with the calendar clock when there is none. Returns false early, having written nothing,
    // when the definition file cannot be opened.
    bool generate(const std::string& definitionFileName, std::optional<std::uint32_t> seed = std::nullopt);
    // The same draw into the tables alone, for a program that takes the sets in memory: the run's
    // settings, or none (having said so) when the definition file cannot be opened. With
    // DataFiles::Written the data files are checked first, as a run that writes them does.
    enum class DataFiles { Written, Kept };
    std::optional<RunSettings> draw(const std::string& definitionFileName, std::uint32_t seed, DataFiles files);

    // --- the steps of a run, in their order
    // Every table of the run with the shape that settings give it, in the order of allocation.
    std::vector<ShapedTable> tables(const RunSettings& settings);
    void allocateTables(const RunSettings& settings);
    void storeSetParameters(const SetParameters& parameters);
    void generateSpeeds(const RunSettings& settings);
    void generateProcessingTimes(const RunSettings& settings);
    void generateReleaseTimes(const RunSettings& settings);
    void generateDueDates(const RunSettings& settings);
    void generateWeights(const RunSettings& settings);
    // Every data file the run writes is checked before the first draw, and all are written
    // together at the end.
    struct DataFile {
        std::string name;
        const Matrix* table;
    };
    std::vector<DataFile> dataFiles(const RunSettings& settings) const;
    void writeDataFiles(const RunSettings& settings) const;

private:
    void generateSingleOrUniform(const RunSettings& settings);
    void generateJobMachineRows(const RunSettings& settings);
    void drawUnrelatedJob(double* times, int machines, const DistributionBounds& distribution, double& sum);
    void drawJobShopJob(double* codes, int machines, const DistributionBounds& distribution, double& sum);
    void zeroBeyondJobs(int set, int machines);
};

// Release time of a job in a set with processing-time sum P, from one draw: draw mod q with
// q = trunc(P * 0.5), and 0 when q is 0 (the draw is made all the same).
double releaseTime(double processingSum, int draw);

// Due date of a job released at r, from one draw: r plus a point of the window
// trunc(A * (1 - T - R/2)) ... trunc(A * (1 - T + R/2)), A = P - r, picked by draw mod 1000;
// never before r.
double dueDate(double processingSum, double release, double tardiness, double range, int draw);
