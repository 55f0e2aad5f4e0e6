#include "learner/seed_rules.h"

#include "core/fatal.h"
#include "learner/rule_xml.h"

namespace gp {

namespace {

// EDD, WSPT, R&M, X-D R&M and MON.
constexpr std::string_view kSingleMachine[] = {
    "-d", "w / (p + wait)", "w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K))",
    "w / p * exp(-pos(d - p - t) / (2 * K)) * (1 - 2.3 * wait / K)", "w * (1 - d / SP) / (p + wait)"};

// The same weighed by the machines' capacity, and the makespan rule.
constexpr std::string_view kParallelMachines[] = {
    "-d",
    "w * L / (p + wait)",
    "w * L / (p + wait) * exp(-pos(d - (p + wait) * v - t) * L / K)",
    "w * L / p * exp(-pos(d - p * v - t) * L / K) * (1 - 31.3 * wait * L / K)",
    "w * (1 - d / SP) / (p + wait)",
    "p / L"};

constexpr std::string_view kPairs[] = {"-C", "w / C", "w / (C - t) * exp(-pos(d - C) / K)", "-(C - t) / pmin"};

// WSPT, WSPT/TWKR, COVERT, SLACK/TWKR, RM, EDD and WTWKR.
constexpr std::string_view kJobShop[] = {"w / (p + wait)",
                                         "w * (wait + twkr) / (wait + p)",
                                         "w * pos(1 - pos(d - 4 * rem - t) / (0.5 * rem)) / (p + wait)",
                                         "w * (wait + twkr) / (d - (wait + twkr))",
                                         "w * exp(-pos(d - 3 * rem - t) / (10 * pm)) / (p + wait)",
                                         "-d",
                                         "w / (wait + twkr)"};

}  // namespace

std::vector<std::string_view> classicalRules(Environment environment, rules::Scheme scheme) {
    switch (environment) {
        case Environment::Single:
            return {std::begin(kSingleMachine), std::end(kSingleMachine)};
        case Environment::JobShop:
            return {std::begin(kJobShop), std::end(kJobShop)};
        default: {
            std::vector<std::string_view> list(std::begin(kParallelMachines), std::end(kParallelMachines));
            if (scheme == rules::Scheme::Pair) list.insert(list.end(), std::begin(kPairs), std::end(kPairs));
            return list;
        }
    }
}

std::vector<rules::Tree> seedTrees(const Settings& settings, Environment environment) {
    std::vector<rules::Tree> seeds;
    if (settings.seedClassical)
        for (const std::string_view rule : classicalRules(environment, schemeOf(settings)))
            seeds.push_back(rules::parseInfix(rule, environment));
    if (settings.seedsFile.empty()) return seeds;
    try {
        for (rules::Tree& tree : rules::readSeedFileAll(settings.seedsFile, environment)) seeds.push_back(std::move(tree));
    } catch (const rules::RuleError& error) {
        fatalError(error.what());
    }
    return seeds;
}

}  // namespace gp
