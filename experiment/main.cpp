// experiment: the field's protocol in one command. Many seeded learner runs on a training
// collection, each run's final rule measured on a test collection (and a validation collection)
// with the evaluator's own code, the classical heuristics measured beside them, and the results
// summed up with statistics in OUT/runs.csv, OUT/sets.csv and OUT/summary.txt. The runs go on
// this machine, or to a Slurm cluster as one array job.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "experiment/command_line.h"
#include "experiment/measurement.h"
#include "experiment/plan.h"
#include "experiment/runner.h"
#include "experiment/slurm_engine.h"
#include "platform/platform.h"

namespace {

using namespace experiment;

std::string absolute(const std::string& folder) { return std::filesystem::absolute(folder).lexically_normal().string(); }

void header(const Plan& plan, std::size_t pending, const std::string& how) {
    std::printf("Experiment in %s: %d runs, %zu to run, %s\n", plan.out.c_str(), plan.runs, pending, how.c_str());
    std::fflush(stdout);
}

int runHere(Plan plan) {
    plan.learner = learnerBesideUs();
    const Measurement measurement(plan.folders, checkLearnerOptions(plan));
    prepareOutputFolder(plan);
    const std::vector<int> pending = pendingRuns(plan);
    header(plan, pending.size(), std::to_string(plan.jobs) + " at once");
    if (const int stop = runPending(plan, pending, measurement, *localEngine(plan.jobs))) {
        std::fprintf(stderr, "experiment: stopped by signal %d; the finished runs are kept, and --resume runs the rest.\n",
                     stop);
        platform::endBySignal(stop);
    }
    return aggregate(plan, measurement) ? 0 : 1;
}

// Runs whose task ended meanwhile are recorded, then the rest is followed; a stop ends the
// following only, as the job goes on without us.
int followOnSlurm(Plan plan, const std::vector<int>& pending, const Measurement& measurement, const SlurmSetup& setup,
                  const SlurmClient& client) {
    // The estimate of the time left takes the tasks to run side by side as far as the limit allows.
    plan.jobs = setup.request.jobs > 0 ? setup.request.jobs : std::max<int>(1, static_cast<int>(pending.size()));
    if (const int stop = runPending(plan, pending, measurement, *slurmEngine(setup, client))) {
        const std::string job = submittedJob(setup.out);
        std::fprintf(stderr,
                     "experiment: stopped following Slurm job %s by signal %d; the job goes on: experiment --collect %s "
                     "follows it again, scancel %s cancels it.\n",
                     job.c_str(), stop, shellWord(setup.out).c_str(), job.c_str());
        platform::endBySignal(stop);
    }
    if (setup.request.submitOnly && !pending.empty()) return 0;
    return aggregate(plan, measurement) ? 0 : 1;
}

void refuseWhileQueued(const SlurmClient& client, const std::string& out) {
    const std::string job = submittedJob(out);
    if (job.empty()) return;
    const CommandRun queue = client.squeue(job);
    if (queue.succeeded && !queuedRuns(queue.output).empty())
        fatalError("experiment: Slurm job " + job + " of the experiment in " + out +
                   " is still queued or running: experiment --collect " + shellWord(out) + " follows it, scancel " +
                   job + " cancels it.");
}

int submit(const Invocation& call, const std::vector<std::string>& arguments) {
    Plan plan = call.plan;
    SlurmSetup setup{absolute(plan.out), platform::executableFolder() + "/experiment", call.request, "", false};
    const SlurmClient client(setup.out, true);
    plan.learner = learnerBesideUs();
    const Measurement measurement(plan.folders, checkLearnerOptions(plan));
    if (plan.resume) refuseWhileQueued(client, setup.out);
    setup.newExperiment = prepareOutputFolder(plan);
    storeCommand(setup.out, arguments);
    const std::vector<int> pending = pendingRuns(plan);
    header(plan, pending.size(), "on Slurm");
    return followOnSlurm(plan, pending, measurement, setup, client);
}

int collect(const std::string& out) {
    Invocation call = storedCommand(out);
    Plan& plan = call.plan;
    plan.learner = learnerBesideUs();
    const Measurement measurement(plan.folders, checkLearnerOptions(plan));
    const std::vector<int> pending = pendingRuns(plan);
    const std::string job = submittedJob(plan.out);
    header(plan, pending.size(), "Slurm job " + (job.empty() ? std::string("none") : job));
    if (pending.empty()) return aggregate(plan, measurement) ? 0 : 1;
    // Collecting never submits: a job must have been submitted.
    if (job.empty()) fatalError("experiment: no Slurm job was submitted for the experiment in " + plan.out + ".");
    call.request.submitOnly = false;
    const SlurmClient client(plan.out, false);
    return followOnSlurm(plan, pending, measurement, {plan.out, "", call.request, job, false}, client);
}

int carryOut(const Invocation& call) {
    Plan plan = storedCommand(call.taskOut).plan;
    if (call.taskRun < 0 || call.taskRun >= plan.runs)
        fatalError("experiment: --task: the experiment in " + plan.out + " has no run " + std::to_string(call.taskRun) +
                   ".");
    plan.learner = learnerBesideUs();
    if (const int stop = carryOutTask(plan, call.taskRun)) platform::endBySignal(stop);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const Invocation call = parseCommandLine(arguments);
    if (!call.taskOut.empty()) return carryOut(call);
    if (!call.collect.empty()) return collect(call.collect);
    return call.engine == "slurm" ? submit(call, arguments) : runHere(call.plan);
}
