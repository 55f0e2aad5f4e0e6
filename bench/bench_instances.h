#pragma once

// The in-memory single-machine instances the benchmarks time: random but fixed data, processing
// times 1..100, release times up to half the expected makespan, due dates up to 20 % of it after
// the release plus the processing time, weights 1..10.
#include "core/random_source.h"
#include "fitness/scheduler.h"

namespace bench {

inline void fillSingleMachineInstance(Scheduler& s, int sets, int jobs, bool withSetups) {
    s.environment = Single;
    s.hasReleaseTimes = 1;
    s.hasSetups = withSetups ? 1 : 0;
    s.hasWeights = 1;
    s.setupFactor = 0.5;
    s.jobCount.init(sets, 1);
    s.processingSum.init(sets, 1);
    s.processingTimes.init(sets, jobs);
    s.dueDates.init(sets, jobs);
    s.weights.init(sets, jobs);
    s.releaseTimes.init(sets, jobs);
    s.constraints.initZero(sets, jobs);
    RandomSource random(12345);
    const double horizon = jobs * 50.5;
    for (int i = 0; i < sets; ++i) {
        double sum = 0;
        s.jobCount.set(i, jobs);
        for (int j = 0; j < jobs; ++j) {
            const double p = 1 + random.draw() % 100;
            const double r = random.draw() % static_cast<int>(horizon / 2);
            s.processingTimes.set(i, j, p);
            s.releaseTimes.set(i, j, r);
            s.dueDates.set(i, j, r + p + random.draw() % static_cast<int>(horizon / 5));
            s.weights.set(i, j, 1 + random.draw() % 10);
            sum += p;
        }
        s.processingSum.set(i, sum);
    }
}

}  // namespace bench
