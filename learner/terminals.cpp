#include "learner/terminals.h"

#include <algorithm>

#include "fitness/rules.h"

namespace rules {

namespace {

using enum Environment;

using List = ListDecision;
using Shop = ShopDecision;

// --- how columns are filled

void fill(double value, int count, double* out) { std::fill_n(out, count, value); }

// out[i] = values[jobs[i]]: a per-job row of the set in hand.
void gatherRow(const double* values, const int* jobs, int count, double* out) {
    for (int i = 0; i < count; ++i) out[i] = values[jobs[i]];
}

// out[i] = value(job, operation) for each candidate and its next operation.
template <class Value>
void gatherOperations(const ShopDecision& at, const int* jobs, int count, double* out, Value value) {
    for (int i = 0; i < count; ++i) out[i] = value(jobs[i], at.nextOperation[jobs[i]]);
}

// Job j's time on machine k of a parallel-machine set: its entry, times the speed on uniform machines.
double timeOn(const List& at, int j) {
    const SetInHand& set = at.work.rows;
    return at.work.collection.environment == Environment::Unrelated ? set.p[j * set.m + at.machine]
                                                                    : set.p[j] * set.v[at.machine];
}

// out[i] = perMachine[the machine of the candidate's operation after this one], 0 for its last.
void gatherAtNextMachine(const Shop& at, const int* jobs, int count, double* out, const double* perMachine) {
    const SetInHand& set = at.work.rows;
    gatherOperations(at, jobs, count, out, [&](int j, int o) {
        return o + 1 < set.m ? perMachine[static_cast<int>(set.machines[j * set.m + o + 1])] : 0.0;
    });
}

bool noSetups(const Collection& c) { return !c.hasSetups; }
bool noConstraints(const Collection& c) { return !c.hasConstraints; }
bool noWeights(const Collection& c) { return !c.hasWeights; }
bool noReleaseTimes(const Collection& c) { return !c.hasReleaseTimes; }

// out[i] = value(previous schedule, the place of the candidate's operation there), 0 before the
// first schedule of the set.
template <class Value>
void gatherPrevious(const Shop& at, const int* jobs, int count, double* out, Value value) {
    const PreviousSchedule& previous = at.work.previous;
    if (!previous.known) return fill(0.0, count, out);
    const SetInHand& set = at.work.rows;
    gatherOperations(at, jobs, count, out, [&](int j, int o) {
        return value(previous, static_cast<std::size_t>(j * set.m + static_cast<int>(set.machines[j * set.m + o])));
    });
}

// A list-scheduling decision: job j considered for machine k at time t, q the machine's last job.
const TerminalReading<List> kListTerminals[] = {
    {Terminal::Processing, "p", only(Single) | only(Uniform), Varies::PerJob,
     [](const List& at, const int* jobs, int count, double* out) { gatherRow(at.work.rows.p, jobs, count, out); }, 0,
     nullptr},
    {Terminal::Processing, "p", only(Unrelated), Varies::PerCandidate,
     [](const List& at, const int* jobs, int count, double* out) {
         const double* p = at.work.rows.p;
         const int m = at.work.rows.m;
         for (int i = 0; i < count; ++i) out[i] = p[jobs[i] * m + at.machine];
     },
     0, nullptr},
    {Terminal::DueDate, "d", kListEnvironments, Varies::PerJob,
     [](const List& at, const int* jobs, int count, double* out) { gatherRow(at.work.rows.d, jobs, count, out); }, 0,
     nullptr},
    {Terminal::Weight, "w", kListEnvironments, Varies::PerJob,
     [](const List& at, const int* jobs, int count, double* out) { gatherRow(at.work.rows.w, jobs, count, out); }, 0,
     noWeights},
    {Terminal::Ready, "r", kListEnvironments, Varies::PerJob,
     [](const List& at, const int* jobs, int count, double* out) { gatherRow(at.work.rows.r, jobs, count, out); }, 0,
     noReleaseTimes},
    {Terminal::Time, "t", kListEnvironments, Varies::PerMoment,
     [](const List& at, const int*, int count, double* out) { fill(at.time, count, out); },
     0, nullptr},
    {Terminal::Wait, "wait", kListEnvironments, Varies::PerCandidate,
     [](const List& at, const int* jobs, int count, double* out) {
         const double* r = at.work.rows.r;
         for (int i = 0; i < count; ++i) out[i] = positivePart(r[jobs[i]] - at.time);
     },
     0, noReleaseTimes},
    {Terminal::Setup, "s", kListEnvironments, Varies::PerCandidate,
     [](const List& at, const int* jobs, int count, double* out) {
         if (at.work.collection.hasSetups)
             gatherRow(at.work.setupTimes.rowData(at.previous), jobs, count, out);
         else
             fill(0.0, count, out);
     },
     0, noSetups},
    {Terminal::Speed, "v", only(Uniform), Varies::PerMoment,
     [](const List& at, const int*, int count, double* out) { fill(at.work.rows.v[at.machine], count, out); }, 0,
     nullptr},
    {Terminal::Speed, "v", only(Single) | only(Unrelated), Varies::PerMoment, nullptr, 1.0, nullptr},
    {Terminal::InverseSpeedSum, "L", only(Uniform) | only(Unrelated), Varies::PerSet,
     [](const List& at, const int*, int count, double* out) { fill(at.work.inverseSpeedSum, count, out); }, 0,
     nullptr},
    {Terminal::InverseSpeedSum, "L", only(Single), Varies::PerSet, nullptr, 1.0, nullptr},
    {Terminal::RemainingMeanDuration, "K", kListEnvironments, Varies::PerMoment,
     [](const List& at, const int*, int count, double* out) { fill(at.work.meanRemainingDuration, count, out); }, 0,
     nullptr},
    {Terminal::MeanDuration, "pmean", kListEnvironments, Varies::PerSet,
     [](const List& at, const int*, int count, double* out) { fill(at.work.meanDuration, count, out); }, 0, nullptr},
    {Terminal::MeanSetup, "smean", kListEnvironments, Varies::PerSet,
     [](const List& at, const int*, int count, double* out) { fill(at.work.meanSetup, count, out); }, 0, noSetups},
    {Terminal::ProcessingSum, "SP", kListEnvironments, Varies::PerSet,
     [](const List& at, const int*, int count, double* out) { fill(at.work.rows.SP, count, out); }, 0, nullptr},
    {Terminal::Successors, "succ", kListEnvironments, Varies::PerJob,
     [](const List& at, const int* jobs, int count, double* out) {
         for (int i = 0; i < count; ++i) out[i] = at.work.precedenceLists.at(jobs[i], 1);
     },
     0, noConstraints},
    // d - (j's time on k) - t
    {Terminal::Slack, "slack", only(Single), Varies::PerCandidate,
     [](const List& at, const int* jobs, int count, double* out) {
         const SetInHand& set = at.work.rows;
         for (int i = 0; i < count; ++i) out[i] = set.d[jobs[i]] - set.p[jobs[i]] - at.time;
     },
     0, nullptr},
    {Terminal::Slack, "slack", only(Uniform), Varies::PerCandidate,
     [](const List& at, const int* jobs, int count, double* out) {
         const SetInHand& set = at.work.rows;
         const double v = set.v[at.machine];
         for (int i = 0; i < count; ++i) out[i] = set.d[jobs[i]] - set.p[jobs[i]] * v - at.time;
     },
     0, nullptr},
    {Terminal::Slack, "slack", only(Unrelated), Varies::PerCandidate,
     [](const List& at, const int* jobs, int count, double* out) {
         const SetInHand& set = at.work.rows;
         for (int i = 0; i < count; ++i) out[i] = set.d[jobs[i]] - set.p[jobs[i] * set.m + at.machine] - at.time;
     },
     0, nullptr},
    {Terminal::MachineFree, "mfree", only(Uniform) | only(Unrelated), Varies::PerMoment,
     [](const List& at, const int*, int count, double* out) { fill(at.machineFree, count, out); }, 0, nullptr},
    // Where the dispatcher puts j: from when both k and j are ready (in list scheduling from t, which
    // every candidate's release has passed), its processing, then the setup after q.
    {Terminal::Completion, "C", only(Uniform) | only(Unrelated), Varies::PerCandidate,
     [](const List& at, const int* jobs, int count, double* out) {
         const SetInHand& set = at.work.rows;
         const bool released = at.work.collection.hasReleaseTimes;
         const double* setups = at.work.collection.hasSetups ? at.work.setupTimes.rowData(at.previous) : nullptr;
         for (int i = 0; i < count; ++i) {
             const int j = jobs[i];
             const double start = released && set.r[j] > at.machineFree ? set.r[j] : at.machineFree;
             out[i] = start + timeOn(at, j) + (setups ? setups[j] : 0.0);
         }
     },
     0, nullptr},
    {Terminal::ShortestTime, "pmin", only(Uniform) | only(Unrelated), Varies::PerJob,
     [](const List& at, const int* jobs, int count, double* out) { gatherRow(at.work.rows.shortest, jobs, count, out); },
     0, nullptr},
    {Terminal::MeanTime, "pavg", only(Uniform) | only(Unrelated), Varies::PerJob,
     [](const List& at, const int* jobs, int count, double* out) { gatherRow(at.work.rows.mean, jobs, count, out); }, 0,
     nullptr},
};

// A job-shop decision: job j's next operation, at position o of its route, on a machine that can
// start at t; the job is ready at r.
const TerminalReading<Shop> kShopTerminals[] = {
    {Terminal::Processing, "p", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         const SetInHand& set = at.work.rows;
         gatherOperations(at, jobs, count, out, [&](int j, int o) { return set.durations[j * set.m + o]; });
     },
     0, nullptr},
    {Terminal::RemainingWork, "twkr", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         gatherOperations(at, jobs, count, out, [&](int j, int o) { return remainingWork(at.work.rows, j, o); });
     },
     0, nullptr},
    {Terminal::WorkAfter, "rem", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         gatherOperations(at, jobs, count, out, [&](int j, int o) { return remainingWork(at.work.rows, j, o + 1); });
     },
     0, nullptr},
    {Terminal::MachineMean, "pm", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         const SetInHand& set = at.work.rows;
         gatherOperations(at, jobs, count, out, [&](int j, int o) {
             return set.machineMeans[static_cast<int>(set.machines[j * set.m + o])];
         });
     },
     0, nullptr},
    // Counted from the definition's machine count as written.
    {Terminal::OperationsLeft, "ops", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         const double machines = at.work.collection.machineCount.at(at.work.rows.set, 0);
         gatherOperations(at, jobs, count, out, [&](int, int o) { return machines - o; });
     },
     0, nullptr},
    {Terminal::DueDate, "d", only(JobShop), Varies::PerJob,
     [](const Shop& at, const int* jobs, int count, double* out) { gatherRow(at.work.rows.d, jobs, count, out); }, 0,
     nullptr},
    {Terminal::Weight, "w", only(JobShop), Varies::PerJob,
     [](const Shop& at, const int* jobs, int count, double* out) {
         if (at.work.collection.hasWeights)
             gatherRow(at.work.rows.w, jobs, count, out);
         else
             fill(1.0, count, out);
     },
     0, noWeights},
    {Terminal::Time, "t", only(JobShop), Varies::PerMoment,
     [](const Shop& at, const int*, int count, double* out) { fill(at.time, count, out); },
     0, nullptr},
    // In the job shop r is also when the job's previous operation ends, so it varies without release times.
    {Terminal::Ready, "r", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) { gatherRow(at.jobReady, jobs, count, out); }, 0,
     nullptr},
    {Terminal::Wait, "wait", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         for (int i = 0; i < count; ++i) out[i] = positivePart(at.jobReady[jobs[i]] - at.time);
     },
     0, nullptr},
    // d - twkr - t
    {Terminal::Slack, "slack", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         const SetInHand& set = at.work.rows;
         gatherOperations(at, jobs, count, out,
                          [&](int j, int o) { return set.d[j] - remainingWork(set, j, o) - at.time; });
     },
     0, nullptr},
    // Where j goes after this operation, read from the machines' state in the decision's workspace;
    // 0 for a job's last operation.
    {Terminal::NextDuration, "npt", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         const SetInHand& set = at.work.rows;
         gatherOperations(at, jobs, count, out,
                          [&](int j, int o) { return o + 1 < set.m ? set.durations[j * set.m + o + 1] : 0.0; });
     },
     0, nullptr},
    {Terminal::NextMachineFree, "nmfree", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         gatherAtNextMachine(at, jobs, count, out, at.work.floor.machineFree.data());
     },
     0, nullptr},
    {Terminal::NextQueueWork, "winq", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         gatherAtNextMachine(at, jobs, count, out, at.work.floor.queuedWork().data());
     },
     0, nullptr},
    // The reversed shop's previous schedule is the previous one read backwards from its makespan.
    {Terminal::PreviousStart, "prev", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         const bool reversed = at.work.rows.reversedRoutes;
         gatherPrevious(at, jobs, count, out, [&](const PreviousSchedule& p, std::size_t o) {
             return (reversed ? p.makespan - p.completion[o] : p.start[o]) - at.time;
         });
     },
     0, nullptr},
    {Terminal::PreviousFloat, "float", only(JobShop), Varies::PerCandidate,
     [](const Shop& at, const int* jobs, int count, double* out) {
         gatherPrevious(at, jobs, count, out,
                        [](const PreviousSchedule& p, std::size_t o) { return p.latestStart[o] - p.start[o]; });
     },
     0, nullptr},
};

template <class Decision>
const TerminalReading<Decision>* readingIn(std::span<const TerminalReading<Decision>> table, Terminal terminal,
                                           Environment environment) {
    for (const TerminalReading<Decision>& reading : table)
        if (reading.terminal == terminal && (reading.environments & only(environment))) return &reading;
    return nullptr;
}

template <class Decision>
std::vector<TerminalName> namesIn(std::span<const TerminalReading<Decision>> table, Environment environment) {
    std::vector<TerminalName> names;
    for (const TerminalReading<Decision>& reading : table)
        if (reading.environments & only(environment)) names.push_back({reading.name, reading.terminal});
    return names;
}

template <class Decision>
bool fixedBy(const TerminalReading<Decision>* reading, const Collection& c) {
    return reading && (!reading->gather || (reading->fixedBy && reading->fixedBy(c)));
}

}  // namespace

std::span<const TerminalReading<ListDecision>> listTerminals() { return kListTerminals; }
std::span<const TerminalReading<ShopDecision>> shopTerminals() { return kShopTerminals; }

const TerminalReading<ListDecision>* listReading(Terminal terminal, Environment environment) {
    return readingIn(listTerminals(), terminal, environment);
}

const TerminalReading<ShopDecision>* shopReading(Terminal terminal, Environment environment) {
    return readingIn(shopTerminals(), terminal, environment);
}

const std::vector<TerminalName>& terminalsOf(Environment environment) {
    static const std::vector<TerminalName> kNames[] = {
        namesIn(listTerminals(), Single), namesIn(listTerminals(), Uniform), namesIn(listTerminals(), Unrelated),
        namesIn(shopTerminals(), JobShop)};
    return kNames[static_cast<int>(environment)];
}

std::string_view nameOf(Terminal terminal, Environment environment) {
    for (const TerminalName& t : terminalsOf(environment))
        if (t.terminal == terminal) return t.name;
    return "?";
}

bool ofPreviousSchedule(Terminal terminal) {
    return terminal == Terminal::PreviousStart || terminal == Terminal::PreviousFloat;
}

bool fixedIn(const Collection& c, Terminal terminal) {
    if (c.environment == JobShop) return fixedBy(shopReading(terminal, c.environment), c);
    return fixedBy(listReading(terminal, c.environment), c);
}

}  // namespace rules
