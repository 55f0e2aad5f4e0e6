#include "experiment/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <thread>

#include "core/fatal.h"
#include "core/output_files.h"

namespace experiment {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCommandFile = "command.txt";
constexpr const char* kSlurmOptions[] = {"--partition", "--time", "--mem", "--cpus-per-task", "--sbatch-args",
                                         "--submit-only"};

void addPlanOptions(CLI::App& app, Plan& plan) {
    app.add_option("--train", plan.folders.training, "folder of the training collection (fitness.txt and its data)");
    app.add_option("--test", plan.folders.test, "folder of the test collection");
    app.add_option("--validation", plan.folders.validation,
                   "folder of a validation collection: every run's final rule is the one best there (the "
                   "learner's --validation), and it is measured there too");
    app.add_option("--runs", plan.runs, "learner runs, run r with seed first-seed + r")
        ->capture_default_str()
        ->check(CLI::Range(1, 9999));
    app.add_option("--first-seed", plan.firstSeed, "seed of run 0")->capture_default_str();
    app.add_option("--jobs", plan.jobs,
                   "runs at once, each learner on one thread (default: the machine's cores; on Slurm: no limit)")
        ->check(CLI::Range(1, 1024));
    app.add_option("--out", plan.out, "output folder: a folder per run, runs.csv, sets.csv, summary.txt")
        ->capture_default_str();
    app.add_flag("--resume", plan.resume, "continue the experiment in --out: run only the runs without a result");
}

CLI::Validator checkOf(std::string (*problem)(const std::string&), const char* kind) {
    return CLI::Validator([problem](std::string& value) { return problem(value); }, kind);
}

void addSlurmOptions(CLI::App& app, Invocation& call) {
    app.add_option("--engine", call.engine,
                   "local runs the runs on this machine; slurm submits them as one Slurm array job, a task per run, "
                   "and follows it")
        ->check(CLI::IsMember({"local", "slurm"}))
        ->capture_default_str();
    SlurmRequest& r = call.request;
    app.add_option("--partition", r.partition, "Slurm: the partition")->check(checkOf(partitionProblem, "NAME"));
    app.add_option("--time", r.time, "Slurm: each task's time limit, e.g. 90 or 1-12:00:00")
        ->check(checkOf(timeProblem, "TIME"));
    app.add_option("--mem", r.memory, "Slurm: each task's memory, e.g. 2G")->check(checkOf(memoryProblem, "SIZE"));
    app.add_option("--cpus-per-task", r.cpusPerTask, "Slurm: each task's cores")->check(CLI::Range(1, 1024));
    app.add_option("--sbatch-args", r.sbatchArgs,
                   "Slurm: more sbatch options for the script, e.g. \"--account=proj --qos=normal\" (repeatable)")
        ->check(checkOf(sbatchArgsProblem, "OPTIONS"));
    app.add_flag("--submit-only", r.submitOnly, "Slurm: submit, print the job's id and end; --collect sums up later");
    app.add_option("--collect", call.collect,
                   "alone: follow the Slurm job of the experiment in this folder, then sum up its runs");
    // An array task's run (slurm/array.sh calls it): not for users, so not in the help.
    app.add_option_function<std::vector<std::string>>("--task", [&call](const std::vector<std::string>& task) {
           call.taskOut = task[0];
           const auto [end, error] = std::from_chars(task[1].data(), task[1].data() + task[1].size(), call.taskRun);
           if (error != std::errc() || end != task[1].data() + task[1].size())
               throw CLI::ValidationError("--task", "\"" + task[1] + "\" is no run number");
       })
        ->expected(2)
        ->group("");
}

void checkCombination(const CLI::App& app, const Invocation& call, const std::vector<std::string>& arguments) {
    if (!call.taskOut.empty()) return;
    if (!call.collect.empty()) {
        // The experiment's options are those it was submitted with.
        for (const CLI::Option* option : app.get_options())
            if (option->count() > 0 && option->get_name() != "--collect")
                throw CLI::ValidationError("--collect takes no other option, but " + option->get_name() + " came");
        if (std::find(arguments.begin(), arguments.end(), "--") != arguments.end())
            throw CLI::ValidationError("--collect takes no learner options");
        return;
    }
    for (const char* name : {"--train", "--test"})
        if (app.count(name) == 0) throw CLI::RequiredError(name);
    if (call.engine != "slurm") {
        for (const char* name : kSlurmOptions)
            if (app.count(name) > 0) throw CLI::ValidationError(std::string(name) + " is an option of --engine slurm");
        return;
    }
    // The array's tasks read the arguments back from a file of lines.
    for (const std::string& argument : arguments)
        if (argument.find_first_of("\r\n") != std::string::npos)
            throw CLI::ValidationError("an argument holds a line break, which --engine slurm cannot hand on to its tasks");
}

}  // namespace

Invocation parseCommandLine(const std::vector<std::string>& arguments) {
    // Ours come before the first "--", the learner's after it.
    const auto learners = std::find(arguments.begin(), arguments.end(), "--");
    Invocation call;
    const unsigned cores = std::thread::hardware_concurrency();
    call.plan.jobs = cores > 0 ? static_cast<int>(cores) : 1;
    CLI::App app{"experiment: runs the learner many times with successive seeds on a training collection, measures "
                 "each run's final rule on a test collection beside the classical heuristics, and sums up.",
                 "experiment"};
    addPlanOptions(app, call.plan);
    addSlurmOptions(app, call);
    app.footer(
        "Learner options follow \"--\" and go to every run, e.g. -- --population 200 --generations 30. The "
        "experiment sets --seed, --threads, --collection and --validation itself and keeps each run's hall of "
        "fame, log and checkpoint under their default names, so --seed, --threads, --collection, --definition, "
        "--validation, --hof, --log, --rule, --test, --checkpoint and --resume are not taken there. A seed file "
        "(--seeds) is handed on by its full path.");
    try {
        std::vector<std::string> ours(std::make_reverse_iterator(learners), arguments.rend());  // CLI11 reads them last first
        app.parse(ours);
        checkCombination(app, call, arguments);
    } catch (const CLI::CallForHelp& help) {
        std::exit(app.exit(help));
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "experiment: %s\nRun \"experiment --help\" for the options.\n", error.what());
        std::exit(1);
    }
    Plan& plan = call.plan;
    if (plan.firstSeed > std::numeric_limits<std::uint64_t>::max() - static_cast<std::uint64_t>(plan.runs - 1))
        fatalError("experiment: --first-seed leaves no room for the seeds of " + std::to_string(plan.runs) + " runs.");
    if (learners != arguments.end()) plan.learnerOptions.assign(learners + 1, arguments.end());
    if (app.count("--jobs") > 0) call.request.jobs = plan.jobs;
    return call;
}

void storeCommand(const std::string& out, const std::vector<std::string>& arguments) {
    std::string text = "# experiment: the command line that submitted the experiment in this folder to Slurm, and the "
                       "folder it was given in; its tasks and experiment --collect read it\nfolder " +
                       fs::current_path().string() + "\n";
    for (const std::string& argument : arguments) text += "argument " + argument + "\n";
    const fs::path folder = fs::path(out) / kSlurmFolder;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) fatalError(fileProblem(kOutputFolderKind, folder.string(), "created", error.value()));
    writeWholeFile((folder / kCommandFile).string(), text, report::kExperimentFileKind);
}

Invocation storedCommand(const std::string& out) {
    const std::string folder = fs::absolute(out).lexically_normal().string();
    const fs::path file = fs::path(folder) / kSlurmFolder / kCommandFile;
    std::ifstream in(file, std::ios::binary);
    if (!in) fatalError("experiment: \"" + out + "\" holds no experiment submitted to Slurm (no " + file.string() + ").");
    std::string givenIn;
    std::vector<std::string> arguments;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("folder ", 0) == 0) givenIn = line.substr(7);
        if (line.rfind("argument ", 0) == 0) arguments.push_back(line.substr(9));
    }
    std::error_code error;
    fs::current_path(givenIn, error);
    if (error) fatalError(fileProblem("The experiment's folder", givenIn, "entered", error.value()));
    Invocation call = parseCommandLine(arguments);
    call.plan.out = folder;
    return call;
}

}  // namespace experiment
