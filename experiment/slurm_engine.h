#pragma once

// An experiment's runs as one Slurm job array: OUT/slurm/array.sh with a task per run, submitted
// with sbatch and followed with squeue and scontrol. Each task runs this program in its hidden
// per-run mode (carryOutTask), which carries out the run through the local engine, exactly as on
// a single machine, and records how it ended; the engine reports the run from that record, and
// the experiment measures and records it as it does any run.
#include <memory>
#include <string>

#include "experiment/engine.h"
#include "experiment/plan.h"
#include "experiment/slurm_client.h"
#include "experiment/slurm_script.h"

namespace experiment {

struct SlurmSetup {
    std::string out;             // the output folder, by its full path
    std::string experiment;      // this program, which the tasks run, by its full path
    SlurmRequest request;
    std::string job;             // a job submitted before, to follow (--collect); "": submit one
    bool newExperiment = false;  // a refused submission leaves the output folder empty again
};

// Reports first the tasks whose record is there already (they are not submitted again), then
// submits the others (with --submit-only it ends there) and follows the job, reporting each task
// as it leaves the queue: by its record, or, when it left none (cancelled, out of time, its node
// lost), as a failure naming how Slurm says it ended. A stop signal ends the following, not the job.
// sbatch's refusal ends the program with its message.
std::unique_ptr<Engine> slurmEngine(const SlurmSetup& setup, const SlurmClient& client);

// The job last submitted for the experiment in `out`; "" when none was.
std::string submittedJob(const std::string& out);

// An array task: run `run` through the local engine, then the record of how it ended. Returns the
// stop signal that cut it short (no record then), or 0.
int carryOutTask(const Plan& plan, int run);

}  // namespace experiment
