#include "experiment/runner.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/fatal.h"
#include "core/output_files.h"
#include "experiment/run_result.h"
#include "experiment/summary_text.h"
#include "pomocni/launcher.h"
#include "report/experiment_summary.h"
#include "report/svg.h"

namespace experiment {

namespace {

std::string failureOf(const RunTask& task, const RunEnd& end) {
    if (!end.failure.empty()) return end.failure;
    if (end.startError != 0) return std::string("the learner could not be started: ") + std::strerror(end.startError);
    if (end.exitCode == 0) return "";
    const std::string message = messageIn(task.folder + "/" + task.errorFile);
    const std::string how = end.signal != 0
                                ? "the learner was ended by signal " + std::to_string(end.signal) + " (" +
                                      strsignal(end.signal) + ")"
                                : "the learner ended with exit status " + std::to_string(end.exitCode);
    return message.empty() ? how + "." : how + ": " + message;
}

// The individual of the hall of fame's last generation, as pomocni takes it; "" without one.
std::string finalIndividual(const std::string& hallOfFame) {
    std::ifstream in(hallOfFame, std::ios::binary);
    const int generations = pomocni::countGenerations(in);
    in.seekg(0);
    return generations > 0 ? pomocni::findIndividual(in, generations) : "";
}

class Recorder {
public:
    Recorder(const Plan& plan, std::size_t pending, const Measurement& measurement)
        : plan_(plan), measurement_(measurement), done_(plan.runs - static_cast<int>(pending)) {}

    void operator()(const RunTask& task, const RunEnd& end) {
        report::RunRow row;
        row.run = task.run;
        row.seed = seedOf(plan_, task.run);
        row.seconds = end.seconds;
        row.message = failureOf(task, end);
        if (row.message.empty()) measure(row);
        row.finished = row.message.empty();
        writeRunResult(task.folder, row, !plan_.folders.validation.empty());
        ++done_;
        ++endedHere_;
        secondsSoFar_ += row.seconds;
        if (!row.finished) ++failed_;
        progress(row);
    }

private:
    const Plan& plan_;
    const Measurement& measurement_;
    int done_;
    int endedHere_ = 0;
    int failed_ = 0;
    double secondsSoFar_ = 0;

    void measure(report::RunRow& row) {
        const std::string hallOfFame = hallOfFameOf(plan_, row.run);
        const std::string individual = finalIndividual(hallOfFame);
        RuleMeasure measure;
        std::string error;
        if (individual.empty()) {
            row.message = "the hall of fame \"" + hallOfFame + "\" holds no generation.";
        } else if (!measurement_.measureRule(individual, measure, error)) {
            row.message = "the final rule of \"" + hallOfFame + "\" cannot be read: " + error;
        } else {
            row.training = measure.training;
            row.validation = measure.validation;
            row.test = measure.test;
            row.testSets = measure.testSets;
            row.size = measure.size;
            row.depth = measure.depth;
            row.rule = measure.infix;
        }
    }

    void progress(const report::RunRow& row) const {
        // The runs left, at the mean time of a run so far, side by side as far as --jobs allows.
        const int remaining = plan_.runs - done_;
        const double left = secondsSoFar_ / endedHere_ * remaining / std::max(1, std::min(plan_.jobs, remaining));
        const std::string what =
            row.finished ? ": " + measurement_.headline() + " " +
                               report::readable(row.test[static_cast<std::size_t>(measurement_.headlineColumn())]) +
                               " on the test sets"
                         : " failed: " + row.message;
        std::printf("Run %d (seed %llu)%s, %.1f s. %d of %d runs done, %d failed, about %.0f s left\n", row.run,
                    static_cast<unsigned long long>(row.seed), what.c_str(), row.seconds, done_, plan_.runs, failed_,
                    left);
        std::fflush(stdout);
    }
};

}  // namespace

std::string messageIn(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text, line;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        if (!text.empty()) text += ' ';
        text += line.substr(0, line.find_last_not_of(" \t\r") + 1);
    }
    return text;
}

RunTask taskOf(const Plan& plan, int run) {
    const std::string folder = runFolder(plan, run);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) fatalError(fileProblem(kOutputFolderKind, folder, "created", error.value()));
    return {run, folder, learnerCommand(plan, run), kOutputFile, kErrorFile};
}

int runPending(const Plan& plan, const std::vector<int>& pending, const Measurement& measurement, Engine& engine) {
    std::vector<RunTask> tasks;
    for (const int run : pending) tasks.push_back(taskOf(plan, run));
    Recorder recorder(plan, pending.size(), measurement);
    return engine.run(tasks, std::ref(recorder));
}

bool aggregate(const Plan& plan, const Measurement& measurement) {
    report::ExperimentData data;
    data.headline = measurement.headline();
    data.criteria = measurement.criteria();
    data.headlineColumn = measurement.headlineColumn();
    data.hasValidation = !plan.folders.validation.empty();
    data.sets = measurement.testSets();
    data.baselines = measurement.baselines();
    bool allFinished = true;
    for (int run = 0; run < plan.runs; ++run) {
        std::optional<report::RunRow> result = readRunResult(runFolder(plan, run));
        if (!result) result = report::RunRow{run, seedOf(plan, run), false, 0, 0, {}, {}, 0, 0, 0, "", "no result."};
        allFinished = allFinished && result->finished;
        data.runs.push_back(std::move(*result));
    }
    const std::string summary = summaryText(plan, data, report::summarize(data));
    const std::filesystem::path out(plan.out);
    OutputFiles files(report::kExperimentFileKind);
    files.add((out / report::kRunsFile).string(), report::runsCsv(data));
    files.add((out / report::kSetsFile).string(), report::setsCsv(data));
    files.add((out / kSummaryFile).string(), summary);
    files.commit();
    std::fputs(summary.c_str(), stdout);
    return allFinished;
}

}  // namespace experiment
