#include <chrono>
#include <map>

#include "experiment/engine.h"
#include "platform/platform.h"

namespace experiment {

namespace {

using Clock = std::chrono::steady_clock;

class LocalEngine final : public Engine {
public:
    explicit LocalEngine(int jobs) : jobs_(jobs) {}

    int run(const std::vector<RunTask>& tasks, const RunFinished& finished) override {
        const platform::HeldStopSignals held;
        std::size_t next = 0;
        int stop = 0;
        while (true) {
            while (stop == 0 && running_.size() < static_cast<std::size_t>(jobs_) && next < tasks.size())
                start(tasks[next++], finished);
            if (running_.empty()) {
                if (stop != 0) platform::dropPendingStopSignals();
                return stop;
            }
            const platform::ChildEvent event = platform::waitForChildOrStop();
            if (event.pid < 0) return stop;  // cannot happen while runs are recorded as running
            const auto found = running_.find(event.pid);
            // A run ended by a stop signal was stopped from outside (Ctrl-C reaches the whole
            // process group): the experiment stops with it.
            const bool stopped = event.pid == 0 || platform::isStopSignal(event.signal);
            if (stopped && stop == 0) {
                stop = event.signal;
                for (const auto& [pid, running] : running_) platform::signalChild(pid, stop);
            }
            if (found == running_.end()) continue;
            const Running ended = found->second;
            running_.erase(found);
            // After a stop, a run that ended of itself with success is still a finished run.
            if (!stopped && (stop == 0 || event.exitCode == 0))
                finished(*ended.task, RunEnd{0, event.exitCode, event.signal, secondsSince(ended.start), ""});
        }
    }

private:
    struct Running {
        const RunTask* task;
        Clock::time_point start;
    };

    int jobs_;
    std::map<int, Running> running_;

    static double secondsSince(Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    void start(const RunTask& task, const RunFinished& finished) {
        const Clock::time_point now = Clock::now();
        const int pid = platform::startChild({task.command, task.folder, task.outputFile, task.errorFile});
        if (pid < 0)
            finished(task, RunEnd{-pid, -1, 0, 0, ""});
        else
            running_[pid] = {&task, now};
    }
};

}  // namespace

std::unique_ptr<Engine> localEngine(int jobs) { return std::make_unique<LocalEngine>(jobs); }

}  // namespace experiment
