#pragma once

// The in-memory collections the benchmarks time, random but fixed. One machine: processing
// times 1..100, release times up to half the expected makespan, due dates up to 20 % of it after
// the release plus the processing time, weights 1..10.
#include <utility>
#include <vector>

#include "core/random_source.h"
#include "fitness/collection.h"

namespace bench {

inline Collection singleMachineCollection(int sets, int jobs, bool withSetups) {
    Collection c;
    c.environment = Environment::Single;
    c.hasReleaseTimes = true;
    c.hasSetups = withSetups;
    c.hasWeights = true;
    c.setupFactor = 0.5;
    c.jobCount.init(sets, 1);
    c.processingSum.init(sets, 1);
    for (Matrix* table : {&c.processingTimes, &c.dueDates, &c.weights, &c.releaseTimes, &c.constraints})
        table->init(sets, jobs);
    RandomSource random(12345);
    const double horizon = jobs * 50.5;
    for (int i = 0; i < sets; ++i) {
        double sum = 0;
        c.jobCount.set(i, jobs);
        for (int j = 0; j < jobs; ++j) {
            const double p = 1 + random.draw() % 100;
            const double r = random.draw() % static_cast<int>(horizon / 2);
            c.processingTimes.set(i, j, p);
            c.releaseTimes.set(i, j, r);
            c.dueDates.set(i, j, r + p + random.draw() % static_cast<int>(horizon / 5));
            c.weights.set(i, j, 1 + random.draw() % 10);
            sum += p;
        }
        c.processingSum.set(i, sum);
    }
    deriveTables(c);
    return c;
}

// Job shops of n jobs on m machines: every route a random order of the machines, durations 1..99
// (operation codes duration + 1000 x machine), due dates twice the job's work, unit weights.
inline Collection jobShopCollection(int sets, int jobs, int machines) {
    Collection c;
    c.environment = Environment::JobShop;
    c.hasWeights = true;
    c.jobCount.init(sets, 1);
    c.machineCount.init(sets, 1);
    c.processingSum.init(sets, 1);
    c.processingTimes.init(sets, jobs * machines);
    for (Matrix* table : {&c.dueDates, &c.weights, &c.releaseTimes, &c.constraints}) table->init(sets, jobs);
    RandomSource random(12345);
    std::vector<int> route(static_cast<std::size_t>(machines));
    for (int i = 0; i < sets; ++i) {
        c.jobCount.set(i, jobs);
        c.machineCount.set(i, machines);
        double sum = 0;
        for (int j = 0; j < jobs; ++j) {
            for (int k = 0; k < machines; ++k) route[static_cast<std::size_t>(k)] = k;
            for (int k = machines - 1; k > 0; --k)
                std::swap(route[static_cast<std::size_t>(k)], route[static_cast<std::size_t>(random.draw() % (k + 1))]);
            double work = 0;
            for (int o = 0; o < machines; ++o) {
                const double duration = 1 + random.draw() % 99;
                c.processingTimes.set(i, j * machines + o, duration + 1000.0 * route[static_cast<std::size_t>(o)]);
                work += duration;
            }
            c.dueDates.set(i, j, 2 * work);
            c.weights.set(i, j, 1);
            sum += work;
        }
        c.processingSum.set(i, sum);
    }
    deriveTables(c);
    return c;
}

}  // namespace bench
