#pragma once

// The settings of a learning run, as the learner's options give them, and what they mean for the
// collection in hand.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/learning_log.h"
#include "core/names.h"
#include "fitness/collection.h"
#include "learner/rule_language.h"

namespace rules {
enum class Scheme;
}

namespace gp {

struct Settings {
    std::optional<int> population;  // none: the environment's (defaultPopulation)
    std::optional<int> generations;  // none: the environment's (defaultGenerations)
    int tournament = 7;
    double crossover = 0.85;
    double mutation = 0.1;
    double reproduction = 0.05;
    int elitism = 1;
    std::optional<int> maxDepth;  // none: the environment's (defaultMaxDepth)
    int initMinDepth = 2;
    int initMaxDepth = 5;
    int mutationDepth = 4;
    // The operators trees are made of; unary minus is left out by default, as 0 - x does its work.
    std::string functions = "+,-,*,/,max,min,pos,exp";
    std::uint64_t seed = 0;
    int threads = 1;
    std::string criterion;  // empty: Twt, or Cmax in the job shop
    // list, pair, active, bidirectional, justified, combined or iterated; empty: the environment's (rules::defaultScheme)
    std::string scheme;
    std::string selection;  // tournament or lexicase; empty: the environment's (defaultSelection)
    bool seedClassical = true;  // the environment's classical heuristics, as rules, join the first generation
    std::string seedsFile;      // the individuals of this seed file join it too
    std::string validation;     // a folder whose collection chooses the hall of fame's rule
    std::optional<bool> resample;  // training sets drawn afresh each generation; none: where they can be
    // With them, and no validation collection: the rule is chosen on the sets of this many
    // collections drawn like the training one, once for the run; 0: on the training collection.
    int choiceDraws = 5;
    // Children made for each place of the next generation, of which those of least total on a few of
    // the parents' sets are measured (preselection); 1: every child made is measured. None: the
    // environment's (defaultPreselect).
    std::optional<int> preselect;
    std::string hallOfFame = "learner_hof.txt";
    std::string log = learning_log::kDefaultFile;
    std::string definition = "fitness.txt";
    std::string collection;  // the folder of the definition and its data files; empty: the working folder
    bool showProgress = true;  // the per-generation lines and the closing report on standard output
    std::string checkpoint;    // the file the run's state is written to; empty: none
    int checkpointEvery = 1;   // after every this many generations
    std::string resume;        // a checkpoint the run goes on from; empty: a new run
    bool seedFromClock = false;  // no seed was given: a resumed run takes its checkpoint's
};

// The file beside a checkpoint that gathers the rules the run measured, generation by generation.
std::string ruleFileOf(const std::string& checkpoint);

// What is wrong with a --criterion, or "" if nothing ("": the environment's headline).
std::string criterionProblem(const std::string& criterion);

// What is wrong with the settings, or "" if nothing. Left open, the population and the maximum depth
// limit nothing yet.
std::string settingsProblem(const Settings& settings);

// The defaults that depend on the environment, each measured on collections drawn like the learning
// examples: 1000 individuals in the job shop, where rules trained on small random shops then carry
// over to large ones better, and on one machine, where with sets drawn afresh every run then beat
// X-D R&M on collections of its own and of others; 500 on parallel machines, where more did not
// help; 50 generations; on one machine, where each set is dispatched twice (the combined scheme),
// three children made for each place and the best of them on five sets measured (preselection):
// in the time 60 generations without it took on two cores, with rules better on more collections
// (in the job shop it gave rules no better, at a third more time);
// depth 10 on one and on uniform machines, where the seeded classical rules (R&M is 9 levels deep)
// are then refined rather than copied, 6 elsewhere, where deeper trees fitted the training sets
// and not the test sets; epsilon-lexicase selection on one machine and in the job shop,
// tournaments on parallel machines.
int defaultPopulation(Environment environment);
int defaultGenerations(Environment environment);
int defaultPreselect(Environment environment);
int defaultMaxDepth(Environment environment);
std::string defaultSelection(Environment environment);

// Fills in what the settings leave open for the training collection: its environment's defaults,
// and training sets drawn afresh each generation wherever they can be, which gave rules that carry
// over to other collections better in every environment. Returns what is wrong with the result
// there (a scheme that does not fit it, depths beyond its maximum, sets asked to be drawn that
// cannot be), or "" if nothing.
std::string resolveFor(Settings& settings, const Collection& training);

// The scheme of settings that resolveFor has filled in (it names one for every run).
rules::Scheme schemeOf(const Settings& settings);

// The operators named in a comma-separated list; an unknown name is left out (and, when asked for,
// the first one is named in `unknown`).
std::vector<rules::Primitive> operatorsIn(const std::string& list, std::string* unknown = nullptr);

// The criterion the run minimises in the environment: the one asked for, else the headline one.
std::string criterionOf(const Settings& settings, Environment environment);

}  // namespace gp
