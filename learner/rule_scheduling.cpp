#include "learner/rule_scheduling.h"

#include <string>

#include "fitness/job_shop.h"
#include "fitness/parallel_machines.h"
#include "fitness/results.h"
#include "fitness/single_machine.h"

namespace rules {

namespace {

struct SchemeName {
    std::string_view name;
    Scheme scheme;
};
constexpr SchemeName kSchemes[] = {{"list", Scheme::List},
                                   {"pair", Scheme::Pair},
                                   {"active", Scheme::Active},
                                   {"bidirectional", Scheme::Bidirectional},
                                   {"justified", Scheme::Justified},
                                   {"combined", Scheme::Combined},
                                   {"iterated", Scheme::Iterated}};

// How many times the iterated scheme dispatches a set again at most: the first gains most, and
// each costs a whole combined dispatch of the set.
constexpr int kIterations = 3;

job_shop::Directions directionsOf(Scheme scheme) {
    switch (scheme) {
        case Scheme::Bidirectional:
            return job_shop::Directions::Both;
        case Scheme::Justified:
            return job_shop::Directions::BothJustified;
        default:
            return job_shop::Directions::Forward;
    }
}

}  // namespace

Scheme defaultScheme(Environment environment, std::string_view criterion) {
    switch (environment) {
        case Environment::Single:
            return criterion.empty() || criterion == "Twt" ? Scheme::Combined : Scheme::List;
        case Environment::JobShop:
            return criterion.empty() || criterion == "Cmax" ? Scheme::Iterated : Scheme::Active;
        default:
            return Scheme::Pair;
    }
}

std::optional<Scheme> schemeNamed(std::string_view name) {
    for (const SchemeName& s : kSchemes)
        if (s.name == name) return s.scheme;
    return std::nullopt;
}

std::string_view nameOf(Scheme scheme) { return kSchemes[static_cast<int>(scheme)].name; }

bool schemeFits(Scheme scheme, Environment environment) {
    switch (scheme) {
        case Scheme::List:
            return true;
        case Scheme::Pair:
            return environment == Environment::Uniform || environment == Environment::Unrelated;
        case Scheme::Combined:
            return environment == Environment::Single || environment == Environment::JobShop;
        default:
            return environment == Environment::JobShop;
    }
}

std::string schemeProblem(std::string_view name, Environment environment) {
    if (name.empty()) return "";
    const std::optional<Scheme> scheme = schemeNamed(name);
    if (scheme && schemeFits(*scheme, environment)) return "";
    std::string fitting;
    for (const SchemeName& s : kSchemes)
        if (schemeFits(s.scheme, environment)) fitting += (fitting.empty() ? "" : ", ") + std::string(s.name);
    return "--scheme " + std::string(name) + " is not a scheme of the " + std::string(namesOf(environment).adjective) +
           " environment (its schemes: " + fitting + ").";
}

void scheduleWithRule(Workspace& work, CompiledRule& rule, Scheme scheme, Matrix& schedule, ScheduleWidth width) {
    rule.reserve(work.candidateCapacity());  // the largest decision: the incumbent and every job
    switch (work.collection.environment) {
        case Environment::Single:
            if (scheme == Scheme::Combined)
                combinedScheduleSingle(work, RuleRef(rule), schedule, width);
            else
                listScheduleSingle(work, RuleRef(rule), schedule, width);
            return;
        case Environment::JobShop:
            if (scheme == Scheme::List)
                jobShopSchedule(work, RuleRef(rule), schedule);
            else if (scheme == Scheme::Iterated)
                // A rule that does not read the previous schedule would only make it again.
                iteratedJobShopSchedule(work, RuleRef(rule), schedule,
                                        rule.readsPreviousSchedule() ? kIterations : 0);
            else if (scheme == Scheme::Combined)
                combinedJobShopSchedule(work, RuleRef(rule), schedule);
            else
                activeJobShopSchedule(work, RuleRef(rule), schedule, directionsOf(scheme));
            return;
        default:
            if (scheme == Scheme::Pair)
                pairScheduleParallel(work, RuleRef(rule), schedule, width);
            else
                listScheduleParallel(work, RuleRef(rule), schedule, width);
            return;
    }
}

void measureRule(Workspace& work, CompiledRule& rule, Scheme scheme, Matrix& schedule, Matrix& results) {
    scheduleWithRule(work, rule, scheme, schedule, ScheduleWidth::Measured);
    measureSchedules(work, schedule, results);
}

Matrix criteriaOfRule(Workspace& work, CompiledRule& rule, Scheme scheme) {
    Matrix schedule;
    Matrix results;
    measureRule(work, rule, scheme, schedule, results);
    return results;
}

}  // namespace rules
