#include "generator/run_settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "core/fatal.h"
#include "generator/taillard.h"

namespace {

// Line of the generator's environment message, kept for scripts that look for it.
constexpr int kLineNoEnvironment = 89;

const char* const kEnvironmentKeys[] = {"single", "uniform", "unrelated", "jobshop"};

// No processing time exceeds 100, so no set's sum P exceeds 100 per job (Taillard's at most 99).
constexpr double kLargestTimePerJob = 100.0;
// Due-date bounds stay below this so that the draw's product with their span fits 64 bits.
constexpr double kLargestDueDateBound = 1e15;

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool isWholeNumber(double value) { return std::isfinite(value) && value == std::trunc(value); }

}  // namespace

int DefinitionReader::environment() {
    for (int env = Single; env <= JobShop; ++env)
        if (entries_.has(kEnvironmentKeys[env])) return env;
    missingEnvironment(kLineNoEnvironment);
}

// Without three shares every draw takes distribution 1. Shares that are negative or add up to
// nothing would give bounds that are not numbers or not in order.
DistributionBounds DefinitionReader::distribution() {
    double shares[3] = {0.0, 0.0, 0.0};
    if (entries_.file().lookup("distribution", shares, 3) != 1) return DistributionBounds{};
    const double sum = shares[0] + shares[1] + shares[2];
    const bool usable = shares[0] >= 0.0 && shares[1] >= 0.0 && shares[2] >= 0.0 && sum > 0.0 && std::isfinite(sum);
    if (!usable) entries_.stop("the three shares of \"distribution\" must not be negative and must add up to more than 0.");
    return boundsFromShares(shares);
}

RunSettings DefinitionReader::settings(int environment) {
    RunSettings s;
    s.environment = environment;
    s.taillardMode = entries_.has("taillard");
    s.sets = entries_.requiredCount("sets");
    s.maxJobs = entries_.requiredCount("max_jobs");
    entries_.count("max_machines", s.maxMachines);
    entries_.count("max_length", s.maxLength);
    if (packsJobsByMachine(environment) && s.maxJobs > 0 && s.maxMachines > INT_MAX / s.maxJobs)
        entries_.stop("\"max_jobs\" times \"max_machines\" is too large for one row of \"duration\".");
    s.durationFile = entries_.requiredText("duration");
    s.deadlineFile = entries_.requiredText("deadline");
    s.sumFile = entries_.requiredText("SP");
    if (environment == Uniform)
        s.machineFile = entries_.requiredText("machine_file");
    else
        entries_.text("machine_file", s.machineFile);
    s.hasWeights = entries_.text("weight_T", s.weightFile);
    s.hasReleaseTimes = entries_.text("ready", s.readyFile);
    s.distributionBounds = distribution();
    return s;
}

SetParameters DefinitionReader::setParameters(const RunSettings& settings) {
    SetParameters p;
    p.dueDateRange = entries_.perSetList("R.", settings.sets, true);
    p.tardinessFactor = entries_.perSetList("T.", settings.sets, true);
    p.jobs = entries_.perSetCounts("jobs", settings.sets, true);
    p.machines = entries_.perSetCounts("machines", settings.sets, settings.environment != Single);
    return p;
}

void DefinitionReader::requireMemoryFor(const std::vector<ShapedTable>& tables, const RunSettings& settings) const {
    entries_.requireMemoryFor(tables, {{"sets", settings.sets},
                                       {"max_jobs", settings.maxJobs},
                                       {"max_machines", settings.maxMachines}});
}

namespace {

// Stops with a message about one set of the definition.
struct SetChecker {
    const RunSettings& settings;
    const std::string& fileName;

    [[noreturn]] void stop(int set, const std::string& what) const {
        fatalError("Definition file \"" + fileName + "\": set " + std::to_string(set) + " " + what);
    }

    // A count of jobs or machines (the key names both): a whole number from lowest up. The
    // unrelated and job-shop layouts pack a set's jobs into its row and give due dates to the
    // first max_jobs jobs only, so there the count is also at most limit; a single machine and
    // uniform machines cut a larger set down to max_jobs jobs and max_machines speeds.
    void checkCount(int set, double count, const char* key, int lowest, int limit, const char* limitKey) const {
        const bool packed = packsJobsByMachine(settings.environment);
        if (isWholeNumber(count) && count >= lowest && (!packed || count <= limit)) return;
        stop(set, "has " + number(count) + " " + key + " (\"" + key + "\"); a set needs a whole number from " +
                      std::to_string(lowest) +
                      (packed ? " to " + std::to_string(limit) + " (\"" + limitKey + "\")." : " up."));
    }

    // The due dates run between P * (1 - T - R/2) and P * (1 - T + R/2).
    void checkDueDateParameters(int set, double range, double tardiness) const {
        const double largestSum = kLargestTimePerJob * std::max(settings.maxJobs, kTaillardMaxJobs);
        const double largestBound = largestSum * (std::fabs(1.0 - tardiness) + std::fabs(range) * 0.5);
        if (largestBound < kLargestDueDateBound) return;
        stop(set, "has \"T.\" " + number(tardiness) + " and \"R.\" " + number(range) +
                      ", which put its due dates out of range.");
    }

    void checkTaillardInstance(int set) const {
        const int jobs = taillardEntry(set + 1).jobs;
        if (jobs <= settings.maxJobs) return;
        stop(set, "is Taillard's instance " + std::to_string(set + 1) + " with " + std::to_string(jobs) +
                      " jobs, more than \"max_jobs\" (" + std::to_string(settings.maxJobs) + ").");
    }
};

}  // namespace

void validateSetParameters(const RunSettings& settings, const SetParameters& parameters, const std::string& fileName) {
    const bool taillard = settings.taillardMode && settings.environment == JobShop;
    if (taillard && settings.sets > kTaillardInstanceCount)
        fatalError("Definition file \"" + fileName + "\": \"taillard\" gives " +
                   std::to_string(kTaillardInstanceCount) + " instances, but \"sets\" asks for " +
                   std::to_string(settings.sets) + ".");
    const SetChecker checker{settings, fileName};
    for (int set = 0; set < settings.sets; ++set) {
        const auto i = static_cast<std::size_t>(set);
        checker.checkDueDateParameters(set, parameters.dueDateRange[i], parameters.tardinessFactor[i]);
        if (taillard) {
            checker.checkTaillardInstance(set);
            continue;
        }
        checker.checkCount(set, parameters.jobs[i], "jobs", 0, settings.maxJobs, "max_jobs");
        if (settings.environment != Single)
            checker.checkCount(set, parameters.machines[i], "machines", 1, settings.maxMachines, "max_machines");
    }
}
