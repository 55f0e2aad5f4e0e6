#include "learner/options.h"

#include <ctime>
#include <thread>

namespace learner_options {

namespace {

void addEvolutionOptions(CLI::App& app, gp::Settings& s) {
    app.add_option("--population", s.population,
                   "individuals per generation (default: 1000 on one machine and in the job shop, else 500)");
    app.add_option("--generations", s.generations,
                   "generations, the first one random (default: 50)");
    app.add_option("--tournament", s.tournament, "tournament size of the selection")->capture_default_str();
    app.add_option("--crossover", s.crossover, "share of children made by subtree crossover")->capture_default_str();
    app.add_option("--mutation", s.mutation, "share of children made by subtree mutation")->capture_default_str();
    app.add_option("--reproduction", s.reproduction, "share of children copied unchanged")->capture_default_str();
    app.add_option("--elitism", s.elitism, "best individuals kept unchanged in the next generation")
        ->capture_default_str();
    app.add_option("--max-depth", s.maxDepth, "maximum tree depth (default: 10 on one and on uniform machines, else 6)");
    app.add_option("--init-min-depth", s.initMinDepth, "smallest depth of the initial trees (ramped half-and-half)")
        ->capture_default_str();
    app.add_option("--init-max-depth", s.initMaxDepth, "greatest depth of the initial trees")->capture_default_str();
    app.add_option("--mutation-depth", s.mutationDepth, "greatest depth of a subtree grown by mutation")
        ->capture_default_str();
    app.add_option("--functions", s.functions, "operators trees are made of, e.g. +,-,*,/,max")->capture_default_str();
    app.add_option("--seed", s.seed, "seed of the random draws (default: the clock; the seed is printed)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--threads", s.threads, "threads measuring individuals (default: the machine's cores)");
    app.add_option("--criterion", s.criterion,
                   "Twt, Uwt, Fwt or Cmax (default: Twt; Cmax in the job shop); with --rule and --test, whose "
                   "default scheme in the job shop it picks");
    app.add_option("--selection", s.selection,
                   "tournament, or lexicase (epsilon-lexicase over the training sets; the default on one machine "
                   "and in the job shop)");
    app.add_flag("--seed-classical,!--no-seed-classical", s.seedClassical,
                 "the environment's classical heuristics, written as rules, join the first generation (default: on)");
    app.add_option("--seeds", s.seedsFile, "the individuals of this seed file (as pomocni writes it) join the first "
                                            "generation");
    app.add_option("--validation", s.validation,
                   "folder of a second collection of the environment (the definition file of the training "
                   "collection's name and its data files); the hall of fame keeps the rule best there");
    // Two callbacks, as a flag pair would give the setting a value when neither is given.
    app.add_flag_callback("--resample", [&s] { s.resample = true; },
                          "measure each generation after the first on training sets drawn afresh from the training "
                          "collection's definition, which then chooses the hall of fame's rule (default: on, unless "
                          "the collection's sets cannot be drawn)");
    app.add_flag_callback("--no-resample", [&s] { s.resample = false; }, "measure every generation on the training "
                                                                          "collection");
    app.add_option("--choice-draws", s.choiceDraws,
                   "with training sets drawn afresh and no --validation, the hall of fame's rule is chosen on the "
                   "sets of this many collections drawn like the training one (0: on the training collection)")
        ->capture_default_str();
    app.add_option("--preselect", s.preselect,
                   "children made for each place of the next generation; only those of least total on five of "
                   "the sets their parents were measured on are measured (1: every child; default: 3 on one "
                   "machine, else 1)");
    app.add_option("--hof", s.hallOfFame, "hall-of-fame file, for pomocni")->capture_default_str();
    app.add_option("--log", s.log, "per-generation CSV log")->capture_default_str();
}

void addCheckpointOptions(CLI::App& app, gp::Settings& s) {
    app.add_option("--checkpoint", s.checkpoint,
                   "write the whole run state to this file after every --checkpoint-every generations; on SIGTERM "
                   "or Ctrl-C the run ends after its current generation, with a checkpoint of it");
    app.add_option("--checkpoint-every", s.checkpointEvery, "generations between checkpoints")->capture_default_str();
    app.add_option("--resume", s.resume,
                   "go on with the run of this checkpoint, given the run's options again (and checkpoint there, "
                   "unless --checkpoint names another file)");
}

}  // namespace

Parser::Parser()
    : app_("learner: evolves priority rules by genetic programming on the instance collection of the definition "
           "file (data files are read from the working folder, as fitness reads them, or from the --collection "
           "folder), or schedules the collection with one rule and writes its schedules to raspored_GP.txt for "
           "fitness.") {
    gp::Settings& settings = request_.settings;
    settings.seed = static_cast<std::uint64_t>(std::time(nullptr));
    const unsigned cores = std::thread::hardware_concurrency();
    settings.threads = cores > 0 ? static_cast<int>(cores) : 1;
    app_.add_option("--definition", settings.definition, "definition file of the collection")->capture_default_str();
    app_.add_option("--collection", settings.collection,
                    "folder of the definition and its data files (default: the working folder); what the run "
                    "writes still goes to the working folder");
    rule_ = app_.add_option("--rule", request_.rule.infix,
                            "schedule with this rule, e.g. \"w / (p + wait)\", and stop");
    test_ = app_.add_option("--test", request_.rule.seedFile,
                            "schedule with the rule of this seed file (as pomocni writes it)");
    rule_->excludes(test_);
    app_.add_option("--scheme", settings.scheme,
                    "how a rule's schedules are made: list, pair (uniform and unrelated machines: the best job-machine "
                    "pair; their default), active (job shop: active schedules), bidirectional (job shop: active "
                    "schedules of the set as given and of its routes reversed, the shorter kept), justified (job shop: "
                    "bidirectional with both schedules justified) or combined (job shop: the shorter of justified and the "
                    "same made by the non-delay dispatcher. One machine: per set the less tardy of list and of a non-delay "
                    "dispatch; its default for Twt) or iterated (job shop: combined, then up to 3 times again with the "
                    "rule reading the shortest schedule so far through prev and float, while that shortens it; its "
                    "default for Cmax); also for --rule and --test");
    addEvolutionOptions(app_, settings);
    addCheckpointOptions(app_, settings);
    for (const char* option : {"--checkpoint", "--checkpoint-every", "--resume"})
        for (CLI::Option* oneRule : {rule_, test_}) app_.get_option(option)->excludes(oneRule);
}

void Parser::parse(int argc, const char* const* argv) {
    app_.parse(argc, argv);
    request_.oneRule = *rule_ || *test_;
    gp::Settings& settings = request_.settings;
    settings.seedFromClock = !given("--seed");
    if (settings.checkpoint.empty()) settings.checkpoint = settings.resume;
    request_.rule.scheme = settings.scheme;
    request_.rule.criterion = settings.criterion;
}

void Parser::parse(const std::vector<std::string>& options) {
    std::vector<const char*> argv = {"learner"};
    for (const std::string& option : options) argv.push_back(option.c_str());
    parse(static_cast<int>(argv.size()), argv.data());
}

bool Parser::given(const std::string& option) const {
    const CLI::Option* found = app_.get_option_no_throw(option);
    return found && found->count() > 0;
}

}  // namespace learner_options
