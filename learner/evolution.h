#pragma once

// The learner's genetic programming run: standard tree GP over the rule language on the
// definition's training sets. A rule's fitness is the chosen criterion's total over the sets,
// scheduled and measured exactly as `learner --test` does; lower is better, and of equal totals
// the smaller tree is better. All random draws are made by one stream in one order, so a seed and
// the settings give the same run (and byte-identical hall of fame and log) on any number of threads.
#include <cstdint>
#include <string>
#include <vector>

#include "fitness/scheduler.h"
#include "learner/learning_log.h"
#include "learner/random_stream.h"
#include "learner/rule_language.h"

namespace gp {

struct Settings {
    int population = 500;
    int generations = 50;
    int tournament = 7;
    double crossover = 0.85;
    double mutation = 0.1;
    double reproduction = 0.05;
    int elitism = 1;
    int maxDepth = 6;
    int initMinDepth = 2;
    int initMaxDepth = 5;
    int mutationDepth = 4;
    // The operators trees are made of; unary minus is left out by default, as 0 - x does its work.
    std::string functions = "+,-,*,/,max,min,pos,exp";
    std::uint64_t seed = 0;
    int threads = 1;
    std::string criterion;  // empty: Twt, or Cmax in the job shop
    std::string hallOfFame = "learner_hof.txt";
    std::string log = learning_log::kDefaultFile;
    std::string definition = "fitness.txt";
    std::string collection;  // the folder of the definition and its data files; empty: the working folder
    bool showProgress = true;  // the per-generation lines and the closing report on standard output
};

// What is wrong with the settings, or "" if nothing.
std::string settingsProblem(const Settings& settings);

// The criterion a run's fitness measures: --criterion, or by default Twt (Cmax in the job shop).
std::string criterionOf(const Settings& settings, int environment);

struct Individual {
    rules::Tree tree;
    std::vector<double> totals;  // every criterion's total; empty until measured
    double fitness = 0;
    int generation = 0;  // when the tree was first measured in this run
};

// True when a is better than b: a lower fitness, or the same fitness and a smaller tree.
bool better(const Individual& a, const Individual& b);

// The index of the tournament's winner among `size` individuals drawn with replacement; among
// equals the first drawn wins.
int tournament(const std::vector<Individual>& population, int size, RandomStream& random);

struct Outcome {
    Individual best;
    std::size_t rulesMeasured = 0;      // distinct rules
    std::uint64_t candidatesRated = 0;  // over every decision of every rule measured
};

// Runs the evolution on a collection as loadCollection returns it, writing the hall of fame and
// the log after every generation and reporting progress on standard output.
Outcome evolve(const Scheduler& collection, const Settings& settings);

}  // namespace gp
