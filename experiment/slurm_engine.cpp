#include "experiment/slurm_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "core/fatal.h"
#include "core/output_files.h"
#include "experiment/run_result.h"
#include "experiment/runner.h"

namespace experiment {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kJobFile = "job.txt";
// Polls come quickly after a change and slow down to this while nothing changes.
constexpr double kFirstPause = 0.2, kLongestPause = 10;
// A task that completed wrote its record first; a shared file system may show it this much later.
constexpr auto kRecordDelay = std::chrono::seconds(30);
// squeue failing this long (the controller away) ends the following; the job goes on.
constexpr auto kSqueueOutage = std::chrono::minutes(5);

std::string slurmFile(const std::string& out, const char* name) { return out + "/" + kSlurmFolder + "/" + name; }

class SlurmEngine final : public Engine {
public:
    SlurmEngine(const SlurmSetup& setup, const SlurmClient& client) : setup_(setup), client_(client) {}

    int run(const std::vector<RunTask>& tasks, const RunFinished& finished) override {
        std::vector<const RunTask*> open;
        for (const RunTask& task : tasks)
            if (!reportRecorded(task, finished)) open.push_back(&task);
        if (open.empty()) return 0;
        std::string job = setup_.job;
        if (job.empty()) {
            job = submit(open);
            if (stop_ != 0 || setup_.request.submitOnly) return stop_;
        }
        std::printf("Following Slurm job %s: a line per run as it ends (Ctrl-C stops following, not the job).\n",
                    job.c_str());
        std::fflush(stdout);
        while (stop_ == 0 && !open.empty()) {
            const bool changed = poll(job, open, finished);
            pause_ = changed ? kFirstPause : std::min(pause_ * 1.5, kLongestPause);
            if (stop_ == 0 && !open.empty()) command(client_.pause(pause_));
        }
        return stop_;
    }

private:
    const SlurmSetup& setup_;
    const SlurmClient& client_;
    int stop_ = 0;
    double pause_ = kFirstPause;
    std::optional<Clock::time_point> failingSince_;
    std::map<int, Clock::time_point> missedRecords_;

    CommandRun command(CommandRun run) {
        if (run.stop != 0) stop_ = run.stop;
        return run;
    }

    // A record is reported once, then removed: one that is there belongs to a run not yet recorded.
    bool reportRecorded(const RunTask& task, const RunFinished& finished) const {
        const std::string file = taskEndFile(setup_.out, task.run);
        const std::optional<RunEnd> end = readRunEnd(file);
        if (!end) return false;
        finished(task, *end);
        std::error_code ignored;
        fs::remove(file, ignored);
        return true;
    }

    std::string submit(const std::vector<const RunTask*>& open) {
        ArrayJob array{setup_.experiment, setup_.out, {}, setup_.request};
        for (const RunTask* task : open) array.runs.push_back(task->run);
        const std::string script = slurmFile(setup_.out, kArrayScript);
        writeWholeFile(script, arrayScript(array), "Slurm script");
        const CommandRun submission = command(client_.sbatch(script));
        const std::string job = jobOf(submission.output);
        if (stop_ != 0) return job;
        if (!submission.succeeded || job.empty()) {
            if (setup_.newExperiment) emptyOutputFolder();
            fatalError("experiment: sbatch refused the job: " +
                       (submission.message.empty() ? "it printed no job id." : submission.message));
        }
        writeWholeFile(slurmFile(setup_.out, kJobFile), job + "\n", "Slurm job file");
        std::printf("Submitted %s as Slurm job %s: %zu tasks, a run each.\n", script.c_str(), job.c_str(), open.size());
        if (setup_.request.submitOnly)
            std::printf("experiment --collect %s follows the job and sums up its runs.\n",
                        shellWord(setup_.out).c_str());
        std::fflush(stdout);
        return job;
    }

    void emptyOutputFolder() const {
        std::error_code ignored;
        for (const fs::directory_entry& entry : fs::directory_iterator(setup_.out, ignored))
            fs::remove_all(entry.path(), ignored);
    }

    // Reports the tasks that left the queue; returns whether any did.
    bool poll(const std::string& job, std::vector<const RunTask*>& open, const RunFinished& finished) {
        const CommandRun queue = command(client_.squeue(job));
        if (stop_ != 0) return false;
        // A job that ended long ago is unknown to squeue: none of its tasks is queued.
        if (!queue.succeeded && !unknownJob(queue.message)) {
            if (!failingSince_) failingSince_ = Clock::now();
            if (Clock::now() - *failingSince_ > kSqueueOutage)
                fatalError("experiment: squeue fails: " + queue.message + " Slurm job " + job +
                           " goes on: experiment --collect " + shellWord(setup_.out) + " follows it later.");
            return false;
        }
        failingSince_.reset();
        const std::set<int> queued = queuedRuns(queue.output);
        const std::size_t before = open.size();
        std::erase_if(open, [&](const RunTask* task) {
            return stop_ == 0 && queued.count(task->run) == 0 && reportEnded(job, *task, finished);
        });
        return open.size() != before;
    }

    bool reportEnded(const std::string& job, const RunTask& task, const RunFinished& finished) {
        if (reportRecorded(task, finished)) return true;
        const CommandRun record = command(client_.scontrol(job, task.run));
        if (stop_ != 0) return false;
        const std::string ending = record.succeeded ? taskEnding(record.output) : "";
        if (ending.rfind("COMPLETED", 0) == 0) {
            const Clock::time_point first = missedRecords_.try_emplace(task.run, Clock::now()).first->second;
            if (Clock::now() - first < kRecordDelay) return false;
        }
        const std::string name = "the Slurm task " + job + "_" + std::to_string(task.run);
        const std::string output = messageIn(taskOutputFile(setup_.out, task.run));
        RunEnd end;
        end.failure = (ending.empty() ? name + " ended without a record of the run, and Slurm keeps none of it (cancelled before it "
                                                      "started, or ended long ago)"
                                      : name + " ended " + ending + ", leaving no record of the run") +
                      (output.empty() ? "." : ": " + output);
        finished(task, end);
        return true;
    }
};

}  // namespace

std::unique_ptr<Engine> slurmEngine(const SlurmSetup& setup, const SlurmClient& client) {
    return std::make_unique<SlurmEngine>(setup, client);
}

std::string submittedJob(const std::string& out) {
    std::ifstream in(slurmFile(out, kJobFile));
    std::string job;
    std::getline(in, job);
    return job;
}

int carryOutTask(const Plan& plan, int run) {
    const std::vector<RunTask> task = {taskOf(plan, run)};
    return localEngine(1)->run(task, [&](const RunTask&, const RunEnd& end) {
        writeRunEnd(taskEndFile(plan.out, run), end);
    });
}

}  // namespace experiment
