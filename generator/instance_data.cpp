// The generation steps of a run. Each step goes over all sets in order, and within a set over
// the jobs (and machines) in increasing order, so a seed and a definition fix every draw.
// The set limits were checked before the first step, so the loops use unchecked access.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "generator/instance_generator.h"
#include "generator/taillard.h"

double releaseTime(double processingSum, int draw) {
    const auto q = static_cast<std::int64_t>(processingSum * 0.5);
    return q == 0 ? 0.0 : static_cast<double>(draw % q);
}

double dueDate(double processingSum, double release, double tardiness, double range, int draw) {
    const double available = processingSum - release;
    const auto lo = static_cast<std::int64_t>(available * ((1 - tardiness) - range * 0.5));
    const auto hi = static_cast<std::int64_t>(available * ((1 - tardiness) + range * 0.5));
    // 64 bits: a 32-bit product of draw and span overflows once the window passes about two million.
    std::int64_t offset = lo + (draw % 1000) * (hi - lo) / 1000;
    if (offset < 0) offset = 0;
    return release + static_cast<double>(offset);
}

void InstanceGenerator::generateSpeeds(const RunSettings& settings) {
    for (int set = 0; set < settings.sets; ++set) {
        double* row = speeds.rowData(set);
        const double machines = machineCount.at(set, 0);
        double inverseSum = 0.0;
        for (int k = 0; k < settings.maxMachines; ++k) {
            if (k < machines) {
                const double speed = (random.draw() % 90) / 100.0 + 0.1;
                row[k] = speed;
                inverseSum += 1 / speed;
            } else {
                row[k] = 0.0;
            }
        }
        speedSums.at(set, 0) = inverseSum;
    }
}

void InstanceGenerator::generateProcessingTimes(const RunSettings& settings) {
    switch (settings.environment) {
        case Single:
        case Uniform: generateSingleOrUniform(settings); break;
        case Unrelated: generateJobMachineRows(settings); break;
        case JobShop:
            if (settings.taillardMode)
                generateTaillardSets(processingTimes, jobCount, processingSum);
            else
                generateJobMachineRows(settings);
    }
}

// A set with more jobs than max_jobs keeps the first max_jobs.
void InstanceGenerator::generateSingleOrUniform(const RunSettings& settings) {
    for (int set = 0; set < settings.sets; ++set) {
        double* row = processingTimes.rowData(set);
        const double jobs = jobCount.at(set, 0);
        double sum = 0.0;
        for (int j = 0; j < settings.maxJobs; ++j) {
            row[j] = j < jobs ? drawProcessingTime(random, settings.distributionBounds) : 0.0;
            sum += row[j];
        }
        // Uniform machines: the time the jobs would take on all machines working together.
        if (settings.environment == Uniform) sum = sum / speedSums.at(set, 0);
        processingSum.at(set, 0) = sum;
    }
}

// Unrelated machines and the job shop pack a set's jobs at stride m_s: the entry of job j for
// machine (or operation) k stands at column j * m_s + k, and the rest of the row is 0.
// Unrelated rows hold plain times and scale their sum by M_s squared; job-shop rows hold
// operation codes and scale it by M_s.
void InstanceGenerator::generateJobMachineRows(const RunSettings& settings) {
    const bool jobShop = settings.environment == JobShop;
    for (int set = 0; set < settings.sets; ++set) {
        double* row = processingTimes.rowData(set);
        const double jobs = jobCount.at(set, 0);
        const double machineValue = machineCount.at(set, 0);
        const auto machines = static_cast<int>(machineValue);
        double sum = 0.0;
        for (int j = 0; j < jobs; ++j) {
            double* entries = row + j * machines;
            if (jobShop)
                drawJobShopJob(entries, machines, settings.distributionBounds, sum);
            else
                drawUnrelatedJob(entries, machines, settings.distributionBounds, sum);
        }
        processingSum.at(set, 0) = jobShop ? sum / machineValue : sum / (machineValue * machineValue);
        zeroBeyondJobs(set, machines);
    }
}

void InstanceGenerator::drawUnrelatedJob(double* times, int machines, const DistributionBounds& distribution,
                                         double& sum) {
    for (int k = 0; k < machines; ++k) {
        times[k] = drawProcessingTime(random, distribution);
        sum += times[k];
    }
}

// The times of one job's operations, a shuffled route, then the codes. The third operation
// is made up to half again as long (at most 100); the sum keeps the drawn times.
void InstanceGenerator::drawJobShopJob(double* codes, int machines, const DistributionBounds& distribution,
                                       double& sum) {
    for (int k = 0; k < machines; ++k) {
        codes[k] = drawProcessingTime(random, distribution);
        sum += codes[k];
        machineOrder.at(k, 0) = k;
    }
    for (int i = 0; i < machines; ++i) {
        const auto t = static_cast<int>((random.draw() % 100 + 1) / 100.0 * (machines - 1));
        std::swap(machineOrder.at(i, 0), machineOrder.at(t, 0));
    }
    for (int k = 0; k < machines; ++k) {
        if (k == 2) codes[2] = std::min(1.5 * codes[2], 100.0);
        codes[k] += 1000 * machineOrder.at(k, 0);
    }
}

void InstanceGenerator::zeroBeyondJobs(int set, int machines) {
    const auto used = static_cast<int>(machines * jobCount.at(set, 0));
    double* row = processingTimes.rowData(set);
    std::fill(row + used, row + processingTimes.cols, 0.0);
}

void InstanceGenerator::generateReleaseTimes(const RunSettings& settings) {
    for (int set = 0; set < settings.sets; ++set) {
        double* row = releaseTimes.rowData(set);
        const double jobs = jobCount.at(set, 0);
        const double sum = processingSum.at(set, 0);
        for (int j = 0; j < settings.maxJobs; ++j)
            row[j] = (j < jobs && hasReleaseTimes) ? releaseTime(sum, random.draw()) : 0.0;
    }
}

void InstanceGenerator::generateDueDates(const RunSettings& settings) {
    for (int set = 0; set < settings.sets; ++set) {
        double* row = dueDates.rowData(set);
        const double* release = releaseTimes.rowData(set);
        const double jobs = jobCount.at(set, 0);
        const double sum = processingSum.at(set, 0);
        const double tardiness = tardinessFactor.at(set, 0);
        const double range = dueDateRange.at(set, 0);
        for (int j = 0; j < settings.maxJobs; ++j)
            row[j] = j < jobs ? dueDate(sum, release[j], tardiness, range, random.draw()) : 0.0;
    }
}

// Drawn in every run, written only with "weight_T", so that key does not change the other data.
void InstanceGenerator::generateWeights(const RunSettings& settings) {
    for (int set = 0; set < settings.sets; ++set) {
        double* row = weights.rowData(set);
        const double jobs = jobCount.at(set, 0);
        for (int j = 0; j < settings.maxJobs; ++j) row[j] = j < jobs ? (random.draw() % 100) / 100.0 + 0.01 : 0.0;
    }
}
