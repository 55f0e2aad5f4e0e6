#pragma once

// Slurm's commands as the experiment uses them: sbatch to submit, squeue and scontrol to follow,
// which need no accounting database. Each runs as a child of ours (a stop signal ends the wait for
// it), with its output in files in the output folder's slurm/ read back after it ends.
#include <set>
#include <string>
#include <vector>

namespace experiment {

struct CommandRun {
    int stop = 0;            // the stop signal that came while it ran
    bool succeeded = false;  // started, and ended with exit status 0
    std::string output;      // its standard output
    std::string message;     // its standard error on one line, or why it did not start
};

class SlurmClient {
public:
    // Finds the commands on PATH (sbatch only when we submit); a missing one ends the program with
    // a message. `out` is the output folder, made by the time a command runs.
    SlurmClient(const std::string& out, bool submits);

    CommandRun sbatch(const std::string& script) const;  // --parsable: the job's id
    CommandRun squeue(const std::string& job) const;     // the job's tasks still queued or running
    CommandRun scontrol(const std::string& job, int run) const;  // the record of the run's task
    // The pause between polls, a child as well, so that a stop signal ends it like a poll.
    CommandRun pause(double seconds) const;

private:
    std::string folder_;
    std::string sbatch_, squeue_, scontrol_, sleep_;

    CommandRun run(std::vector<std::string> command) const;
};

// The job's id in sbatch --parsable's output ("id" or "id;cluster"); "" when there is none.
std::string jobOf(const std::string& sbatchOutput);
// The runs (task ids) in squeue's output.
std::set<int> queuedRuns(const std::string& squeueOutput);
// How a task ended by scontrol -o show job's record: "CANCELLED (exit code 0:15)"; "" without a state.
std::string taskEnding(const std::string& scontrolOutput);
// squeue's refusal of a job it no longer knows (ended long ago): nothing of it is queued then.
bool unknownJob(const std::string& message);

}  // namespace experiment
