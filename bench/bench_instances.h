#pragma once

// The in-memory single-machine collections the benchmarks time: random but fixed data, processing
// times 1..100, release times up to half the expected makespan, due dates up to 20 % of it after
// the release plus the processing time, weights 1..10.
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

}  // namespace bench
