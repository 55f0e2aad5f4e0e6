#include "experiment/plan.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/fatal.h"
#include "core/output_files.h"
#include "experiment/run_result.h"
#include "learner/options.h"
#include "platform/platform.h"

namespace experiment {

namespace fs = std::filesystem;

namespace {

// What the output folder keeps of the experiment, so that --resume can tell it is the same one.
constexpr const char* kPlanFile = "experiment.txt";

// The learner options that the experiment sets for every run itself.
constexpr const char* kSetByExperiment[] = {"--seed", "--threads", "--collection", "--definition", "--validation",
                                            "--hof",  "--log",     "--rule",       "--test",       "--checkpoint",
                                            "--resume"};

[[noreturn]] void refuse(const std::string& what) { fatalError("experiment: " + what); }

// The learner options that name a file.
constexpr const char* kFileOptions[] = {"--seeds"};

// Runs start in their own folders, so every collection and file is given to them by its full path.
std::string fullPath(const std::string& name) {
    std::string path = fs::absolute(name).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The file options' values by their full paths, given as "--seeds FILE" or "--seeds=FILE" (an
// empty value names no file).
void giveFilesInFull(std::vector<std::string>& options) {
    const auto inFull = [](const std::string& name) { return name.empty() ? name : fullPath(name); };
    for (std::size_t i = 0; i < options.size(); ++i)
        for (const std::string option : kFileOptions) {
            if (options[i] == option && i + 1 < options.size())
                options[i + 1] = inFull(options[i + 1]);
            else if (options[i].rfind(option + "=", 0) == 0)
                options[i] = option + "=" + inFull(options[i].substr(option.size() + 1));
        }
}

std::string planText(const Plan& plan) {
    const Folders& f = plan.folders;
    std::string options;
    for (const std::string& option : plan.learnerOptions) {
        if (!options.empty()) options += ' ';
        options += option;
    }
    return "# experiment: the experiment in this folder; --resume continues it only with the same values\n"
           "training " + fullPath(f.training) + "\n" +
           "test " + fullPath(f.test) + "\n" +
           "validation " + (f.validation.empty() ? "" : fullPath(f.validation)) + "\n" +
           "runs " + std::to_string(plan.runs) + "\n" +
           "first-seed " + std::to_string(plan.firstSeed) + "\n" +
           "learner-options " + options + "\n";
}

void requireSamePlan(const Plan& plan) {
    std::ifstream in(fs::path(plan.out) / kPlanFile, std::ios::binary);
    if (!in) refuse("\"" + plan.out + "\" holds files but no experiment to resume (no " + kPlanFile + ").");
    std::istringstream expected(planText(plan));
    std::string there, here;
    while (std::getline(expected, here)) {
        if (!std::getline(in, there)) there.clear();
        if (there == here) continue;
        const std::string key = here.substr(0, here.find(' '));
        const auto valueOf = [&](const std::string& line) {
            return line.size() > key.size() ? line.substr(key.size() + 1) : std::string();
        };
        refuse("\"" + plan.out + "\" holds another experiment: its " + key + " is \"" + valueOf(there) +
               "\", here \"" + valueOf(here) + "\". Resume it with the same options, or choose another --out.");
    }
}

}  // namespace

std::string learnerBesideUs() {
    const std::string path = platform::executableFolder() + "/learner";
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::is_regular_file(status) || (status.permissions() & fs::perms::owner_exec) == fs::perms::none)
        refuse("the learner program \"" + path + "\" is not there; it belongs beside experiment.");
    return path;
}

gp::Settings checkLearnerOptions(Plan& plan) {
    giveFilesInFull(plan.learnerOptions);
    learner_options::Parser parser;
    try {
        parser.parse(plan.learnerOptions);
    } catch (const CLI::CallForHelp&) {
        refuse("--help is no learner option for a run; \"learner --help\" lists them.");
    } catch (const CLI::ParseError& error) {
        refuse(std::string("learner options: ") + error.what());
    }
    for (const char* option : kSetByExperiment)
        if (parser.given(option))
            refuse(std::string("the learner option ") + option +
                   " is the experiment's to set (\"experiment --help\" says how); leave it out.");
    gp::Settings settings = parser.request().settings;
    settings.seed = seedOf(plan, plan.runs - 1);
    settings.threads = 1;
    const std::string problem = gp::settingsProblem(settings);
    if (!problem.empty()) refuse("learner options: " + problem);
    return settings;
}

bool prepareOutputFolder(const Plan& plan) {
    const fs::path out(plan.out);
    std::error_code error;
    if (fs::exists(out, error) && !fs::is_directory(out, error)) refuse("--out \"" + plan.out + "\" is not a folder.");
    if (fs::exists(out, error) && !fs::is_empty(out, error)) {
        if (!plan.resume)
            refuse("\"" + plan.out + "\" already holds files: continue its experiment with --resume, or choose "
                   "another --out.");
        requireSamePlan(plan);
        return false;
    }
    fs::create_directories(out, error);
    if (error) fatalError(fileProblem(kOutputFolderKind, plan.out, "created", error.value()));
    writeWholeFile((out / kPlanFile).string(), planText(plan), report::kExperimentFileKind);
    return true;
}

std::uint64_t seedOf(const Plan& plan, int run) { return plan.firstSeed + static_cast<std::uint64_t>(run); }

std::string runFolder(const Plan& plan, int run) {
    return (fs::path(plan.out) / report::runFolderName(run, plan.runs)).string();
}

std::string hallOfFameOf(const Plan& plan, int run) {
    return (fs::path(runFolder(plan, run)) / gp::Settings().hallOfFame).string();
}

std::vector<std::string> learnerCommand(const Plan& plan, int run) {
    std::vector<std::string> command = {plan.learner, "--collection", fullPath(plan.folders.training),
                                        "--seed", std::to_string(seedOf(plan, run)), "--threads", "1"};
    // The validation collection chooses each run's final rule, as the learner's own --validation.
    if (!plan.folders.validation.empty()) {
        command.push_back("--validation");
        command.push_back(fullPath(plan.folders.validation));
    }
    command.insert(command.end(), plan.learnerOptions.begin(), plan.learnerOptions.end());
    command.push_back("--checkpoint");
    command.push_back(kCheckpointFile);
    // A run stopped half-way goes on from its checkpoint.
    if (fs::exists(fs::path(runFolder(plan, run)) / kCheckpointFile)) {
        command.push_back("--resume");
        command.push_back(kCheckpointFile);
    }
    return command;
}

std::vector<int> pendingRuns(const Plan& plan) {
    std::vector<int> pending;
    for (int run = 0; run < plan.runs; ++run) {
        const std::optional<report::RunRow> result = readRunResult(runFolder(plan, run));
        if (!result || !result->finished || result->run != run || result->seed != seedOf(plan, run))
            pending.push_back(run);
    }
    return pending;
}

}  // namespace experiment
