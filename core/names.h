#pragma once

// Names that every program of the suite shares: the scheduling environments, the criteria of each
// environment's results and its headline criterion, the GP learner's schedule file, and the table
// access assertion that a dispatcher or criteria computation gives for a table too small.
#include <span>
#include <string_view>

#include "core/fatal.h"

// The definition file's environment keyword, as its code: 0 single ... 3 job shop.
enum class Environment { Single = 0, Uniform = 1, Unrelated = 2, JobShop = 3 };

inline constexpr Environment kEnvironments[] = {Environment::Single, Environment::Uniform, Environment::Unrelated,
                                                Environment::JobShop};

struct EnvironmentNames {
    std::string_view keyword;    // of the definition file: "single", ...
    std::string_view adjective;  // in messages: "single-machine", ...
    std::string_view title;      // in the report: "single machine", ...
};

inline constexpr EnvironmentNames kEnvironmentNames[] = {
    {"single", "single-machine", "single machine"},
    {"uniform", "uniform-machine", "uniform parallel machines"},
    {"unrelated", "unrelated-machine", "unrelated parallel machines"},
    {"jobshop", "job-shop", "job shop"},
};

constexpr const EnvironmentNames& namesOf(Environment environment) {
    return kEnvironmentNames[static_cast<int>(environment)];
}

// One column of an environment's results: the name the learner's options and files use, and the
// label of the report's tables (they differ for the job shop's unweighted figures).
struct CriterionName {
    std::string_view name;
    std::string_view label;
};

inline constexpr CriterionName kSingleMachineCriteria[] = {
    {"Twt", "Twt"}, {"Uwt", "Uwt"}, {"Fwt", "Fwt"}, {"Cmax", "Cmax"}};
inline constexpr CriterionName kParallelMachineCriteria[] = {
    {"Twt", "Twt"}, {"Uwt", "Uwt"}, {"Fwt", "Fwt"}, {"Cmax", "Cmax"}, {"Tmax", "Tmax"}};
// The job shop adds the unweighted mean tardiness, share of tardy jobs and mean flowtime.
inline constexpr CriterionName kJobShopCriteria[] = {{"Twt", "Twt"}, {"Uwt", "Uwt"},    {"Fwt", "Fwt"},
                                                     {"Cmax", "Cmax"}, {"T", "mean T"}, {"U", "tardy share"},
                                                     {"F", "mean F"}};

// The columns of an environment's results, in order; the first kComparedCriteria are the ones the
// dominance table compares (Twt, Uwt, Fwt, Cmax in every environment).
constexpr std::span<const CriterionName> criteriaOf(Environment environment) {
    switch (environment) {
        case Environment::Single:
            return kSingleMachineCriteria;
        case Environment::JobShop:
            return kJobShopCriteria;
        default:
            return kParallelMachineCriteria;
    }
}
inline constexpr int kComparedCriteria = 4;

// The column of an environment's own criterion, which its run prints: Twt, or Cmax in the job shop.
constexpr int headlineCriterion(Environment environment) { return environment == Environment::JobShop ? 3 : 0; }

// The column of a criterion's name in an environment, or -1.
constexpr int criterionColumn(std::string_view name, Environment environment) {
    const std::span<const CriterionName> criteria = criteriaOf(environment);
    for (std::size_t c = 0; c < criteria.size(); ++c)
        if (criteria[c].name == name) return static_cast<int>(c);
    return -1;
}

// The GP learner's schedules, one row per set in the environment's encoding.
inline constexpr const char* kGPScheduleFile = "raspored_GP.txt";

// A table read beyond its rows or columns ends the run with the matrix's checked-access assertion
// (line 188 of the matrix unit), which scripts look for. Dispatchers and criteria computations check
// a set's tables once with it and then read them unchecked.
inline constexpr int kLineTableAccess = 188;
[[noreturn]] inline void tableAccessFailed() { assertionFailed("matrice", kLineTableAccess); }
