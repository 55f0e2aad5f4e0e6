#pragma once

// Small generated training collections of every environment for the tests of learning runs:
// a few sets of a few jobs, so that a run of a few generations takes milliseconds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fitness/collection.h"
#include "support/test_support.h"

namespace learning_testing {

struct Definition {
    const char* name;
    Environment environment;
    std::string definition;
};

// Release times and weights everywhere; setups on one machine and on unrelated machines, so that
// their terminals and working tables take part too.
inline const std::vector<Definition>& collections() {
    static const std::vector<Definition> kCollections = {
        {"single", Environment::Single,
         "single 1\nsets 3\nmax_jobs 12\nduration t.txt\ndeadline d.txt\nSP sp.txt\nready r.txt\nweight_T w.txt\n"
         "setup 0.3\ndistribution 1 1 1\nR. 0.2 0.5 0.8\nT. 0.3 0.5 0.7\njobs 12 8 10\n"},
        {"uniform", Environment::Uniform,
         "uniform 1\nsets 3\nmax_jobs 12\nmax_machines 4\nduration t.txt\ndeadline d.txt\nSP sp.txt\nready r.txt\n"
         "weight_T w.txt\nmachine_file m.txt\nmachines 2 3 4\ndistribution 1 1 1\nR. 0.2 0.5 0.8\nT. 0.3 0.5 0.7\n"
         "jobs 12 8 10\n"},
        {"unrelated", Environment::Unrelated,
         "unrelated 1\nsets 3\nmax_jobs 12\nmax_machines 4\nduration t.txt\ndeadline d.txt\nSP sp.txt\nready r.txt\n"
         "weight_T w.txt\nsetup 0.2\nmachines 2 3 4\ndistribution 1 1 1\nR. 0.2 0.5 0.8\nT. 0.3 0.5 0.7\n"
         "jobs 12 8 10\n"},
        {"jobshop", Environment::JobShop,
         "jobshop 1\nsets 3\nmax_jobs 8\nmax_machines 4\nduration t.txt\ndeadline d.txt\nSP sp.txt\nready r.txt\n"
         "weight_T w.txt\nmachines 2 3 4\ndistribution 1 1 1\nR. 0.2 0.5 0.8\nT. 0.3 0.5 0.7\njobs 8 5 6\n"},
    };
    return kCollections;
}

// Writes the definition as fitness.txt in dir and draws its data there.
inline void generateCollection(const testing_support::TempDir& dir, const std::string& definition, int seed) {
    dir.write("fitness.txt", definition);
    const testing_support::RunResult run =
        testing_support::runProgram(GENERATOR_BIN, "--seed " + std::to_string(seed), dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
}

// The collection generated in dir, loaded as a learning run loads it; the evaluator's loading
// line is kept off the test's output.
inline Collection loadGenerated(const testing_support::TempDir& dir) {
    return loadCollection("fitness.txt", dir.path().string(), EnvironmentLine::Silent);
}

}  // namespace learning_testing
