#pragma once

// The job shop: every job passes the machines along its own route, one operation per machine. The
// non-delay dispatcher repeatedly takes the machine that can start an operation first and lets the
// rule choose among the operations that can start on it then. A schedule holds each machine's job
// sequence in turn (machine-major, n columns per machine).
#include <algorithm>
#include <cstddef>
#include <vector>

#include "fitness/decision.h"
#include "fitness/workspace.h"

namespace job_shop {

// What both dispatchers keep while they dispatch the set in hand (taken with
// Workspace::takeShopSet): its machines and jobs, the rule and the set's schedule row.
template <class Rule>
class ShopDispatch {
public:
    ShopDispatch(Workspace& work, Rule& rule, double* sequence)
        : work_(work), floor_(work.floor), rule_(rule), sequence_(sequence), n_(work.rows.n), m_(work.rows.m),
          hasSetups_(work.collection.hasSetups) {
        floor_.reset(n_, m_, work_.rows.r, work_.rows.machines, work_.rows.durations);
        if (hasSetups_) work_.buildSetupTimes(work_.rows.set);
    }

protected:
    Workspace& work_;
    ShopFloor& floor_;
    Rule& rule_;
    double* sequence_;
    const int n_;
    const int m_;
    const bool hasSetups_;

    double duration(int j) const { return floor_.nextDuration(j); }
    double setup(int machine, int j) const {
        return hasSetups_ ? work_.setupTimes.at(floor_.lastJob[machine], j) : 0.0;
    }

    ShopDecision decision(int machine, double time) const {
        return {work_, time, floor_.lastJob[machine], floor_.nextOperation.data(), floor_.jobReady.data()};
    }

    // The candidate of greatest priority among those in the workspace's batch, for the machine at `time`.
    int rated(int machine, double time) {
        rateCandidates(rule_, decision(machine, time), work_.candidates);
        return work_.candidates.chosen();
    }

    // The job's next operation is the machine's next, from `notBefore` or when the job is ready.
    void place(int job, int machine, double notBefore) {
        sequence_[machine * n_ + floor_.sequenced[machine]] = job;
        floor_.perform(job, machine, notBefore, duration(job), setup(machine, job));
    }
};

// The non-delay dispatcher.
template <class Rule>
class SetDispatcher : ShopDispatch<Rule> {
    using ShopDispatch<Rule>::floor_, ShopDispatch<Rule>::work_, ShopDispatch<Rule>::n_, ShopDispatch<Rule>::m_;

public:
    using ShopDispatch<Rule>::ShopDispatch;

    void run() {
        for (int k = 0; k < m_; ++k) floor_.waiting[k] = floor_.earliestQueuedFor(k);
        for (int step = 0; step < n_ * m_; ++step) {
            const int machine = floor_.firstStartingMachine();
            // Only a release time below 0 (or not a number) can hide a queue from the machine
            // choice or leave it without a candidate; the rest of such a set stays unscheduled.
            if (machine < 0) break;
            const double time = std::max(floor_.machineFree[machine], floor_.waiting[machine]);
            const int chosen = choose(machine, time);
            if (chosen < 0) break;
            dispatch(chosen, machine, time);
        }
    }

private:
    // The candidate of greatest priority among the jobs queued for the machine and ready by `time`;
    // -1 when there is none.
    int choose(int machine, double time) {
        return highestPriority(this->rule_, this->decision(machine, time), work_.candidates, [&](auto&& offer) {
            for (const int j : floor_.queuedFor(machine))
                if (floor_.jobReady[j] <= time) offer(j);
        });
    }

    void dispatch(int chosen, int machine, double time) {
        this->place(chosen, machine, time);
        const int following = floor_.nextMachine(chosen);
        if (following >= 0) {
            double& queue = floor_.waiting[following];
            queue = queue < 0 ? floor_.jobReady[chosen] : std::min(queue, floor_.jobReady[chosen]);
        }
        floor_.waiting[machine] = floor_.earliestQueuedFor(machine);
    }
};

// The active scheme (Giffler and Thompson): of all jobs' next operations the one that would
// complete first fixes the machine, and the operations of that machine that could start before
// that completion compete; the rule's choice starts as early as it can. Unlike the non-delay
// dispatcher, a machine may stay idle for an operation worth waiting for. The decision's time is
// the earliest start among the competitors, so `wait` is how long the machine would idle.
template <class Rule>
class ActiveDispatcher : ShopDispatch<Rule> {
    using ShopDispatch<Rule>::floor_, ShopDispatch<Rule>::work_, ShopDispatch<Rule>::n_, ShopDispatch<Rule>::m_;

public:
    using ShopDispatch<Rule>::ShopDispatch;

    void run() {
        for (int step = 0; step < n_ * m_; ++step) {
            const int first = firstCompleting();
            if (first < 0) break;  // only release times that are not numbers leave nothing to choose
            const int machine = floor_.nextMachine(first);
            this->place(choose(machine, first), machine, floor_.machineFree[machine]);
        }
    }

private:
    double start(int j, int machine) const { return std::max(floor_.jobReady[j], floor_.machineFree[machine]); }
    double completion(int j, int machine) const {
        return start(j, machine) + this->setup(machine, j) + this->duration(j);
    }

    // The job whose next operation would complete first, the lower index on a tie; -1 when none.
    int firstCompleting() const {
        int first = -1;
        double firstEnd = 0;
        for (int j = 0; j < n_; ++j) {
            const int machine = floor_.nextMachine(j);
            if (machine < 0) continue;
            const double end = completion(j, machine);
            if (first < 0 || end < firstEnd) {
                first = j;
                firstEnd = end;
            }
        }
        return first;
    }

    int choose(int machine, int first) {
        const double firstEnd = completion(first, machine);
        CandidateBatch& candidates = work_.candidates;
        candidates.clear();
        double time = start(first, machine);
        for (const int j : floor_.queuedFor(machine)) {
            if (!(j == first || start(j, machine) < firstEnd)) continue;
            candidates.add(j);
            time = std::min(time, start(j, machine));
        }
        return this->rated(machine, time);
    }
};

// Which ways a set is dispatched: with its routes as given, or also with every route reversed,
// where the schedule of the shorter makespan is kept (the one as given on a tie). A dispatcher
// builds a schedule from the first operations on; the reversed shop lets it build one from the
// last operations on, which on some sets packs the machines tighter. BothJustified justifies each
// of the two schedules (job_shop::justified) before they are compared.
enum class Directions { Forward, Both, BothJustified };

// The latest completion on the floor: the makespan of what was dispatched or replayed last.
double latestCompletion(const Workspace& work);
// The makespan of one set's machine sequences (n per machine, machine after machine).
double makespanOf(Workspace& work, int set, const double* sequences);
// The dispatch or replay just made played every operation of the set in hand.
bool everyOperationPlayed(const Workspace& work);

// Replaces one set's machine sequences with those of the schedule justified right and then left
// when that shortens the makespan, as the evaluator replays it; returns the makespan. A set with
// setups, or whose sequences leave operations unplayed, keeps its sequences.
double justified(Workspace& work, int set, double* sequences);
// No schedule of the set in hand (taken as given) is shorter: the work of its busiest machine, or
// the longest job's work after its release.
double makespanBound(Workspace& work);

// The set in hand, just dispatched into `sequences` as given, dispatched with every route reversed:
// its machine sequences, each read backwards, are a schedule of the set as given. With `justify`
// both schedules are justified first. Replaces `sequences` with the reversed one when it makes a
// shorter span; returns the span kept. The forward dispatch placed every operation as the replay
// places it, so its makespan is read off the floor rather than replayed. A set at its bound is
// left as it is.
template <template <class> class Dispatcher, class Rule>
double keepReversedIfShorter(Workspace& work, Rule& rule, int set, double* sequences, bool justify) {
    const int n = work.rows.n;
    const int m = work.rows.m;
    const double bound = makespanBound(work);
    double forward = latestCompletion(work);
    if (forward <= bound) return forward;  // nothing is shorter
    if (justify) forward = justified(work, set, sequences);
    if (forward <= bound) return forward;
    work.takeShopSet(set, n, m, Workspace::Routes::Reversed);
    std::vector<double>& reversed = work.reversedSequences;
    reversed.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(m), 0.0);
    Dispatcher<Rule>(work, rule, reversed.data()).run();
    for (int k = 0; k < m; ++k) {
        const auto first = reversed.begin() + static_cast<std::ptrdiff_t>(k) * n;
        std::reverse(first, first + work.floor.sequenced[k]);
    }
    const double backward = justify ? justified(work, set, reversed.data()) : makespanOf(work, set, reversed.data());
    if (!(backward < forward)) return forward;
    std::copy(reversed.begin(), reversed.end(), sequences);
    return backward;
}

// Dispatches the set in hand into `sequences` in the given directions; returns the makespan kept.
template <template <class> class Dispatcher, class Rule>
double dispatchShopSet(Workspace& work, Rule& rule, int set, double* sequences, Directions directions) {
    Dispatcher<Rule>(work, rule, sequences).run();
    if (directions == Directions::Forward) return latestCompletion(work);
    return keepReversedIfShorter<Dispatcher>(work, rule, set, sequences, directions == Directions::BothJustified);
}

// Calls `scheduleSet(set, sequences)` with every set that has jobs taken in hand, its row of
// `schedule` cleared.
template <class ScheduleSet>
void forEachShopSet(Workspace& work, Matrix& schedule, ScheduleSet scheduleSet) {
    const Collection& c = work.collection;
    const int sets = c.processingTimes.rows;
    schedule.initZero(sets, c.processingTimes.cols);
    for (int set = 0; set < sets; ++set) {
        const int n = c.jobsIn(set);
        if (n == 0) continue;  // nothing to dispatch, and no setups to draw
        work.takeShopSet(set, n, c.machinesIn(set));
        scheduleSet(set, schedule.rowData(set));
    }
}

}  // namespace job_shop

// Fills `schedule` (one row per set) with the machine sequences a dispatcher of the set in hand
// makes with the rule.
template <template <class> class Dispatcher, class Rule>
void scheduleJobShop(Workspace& work, Rule rule, Matrix& schedule,
                     job_shop::Directions directions = job_shop::Directions::Forward) {
    job_shop::forEachShopSet(work, schedule, [&](int set, double* sequences) {
        job_shop::dispatchShopSet<Dispatcher>(work, rule, set, sequences, directions);
    });
}

// The non-delay dispatcher's machine sequences.
template <class Rule>
void jobShopSchedule(Workspace& work, Rule rule, Matrix& schedule) {
    scheduleJobShop<job_shop::SetDispatcher>(work, rule, schedule);
}

// The active scheme's machine sequences, made in the given directions.
template <class Rule>
void activeJobShopSchedule(Workspace& work, Rule rule, Matrix& schedule,
                           job_shop::Directions directions = job_shop::Directions::Forward) {
    scheduleJobShop<job_shop::ActiveDispatcher>(work, rule, schedule, directions);
}

namespace job_shop {

// The set in hand's shorter schedule of the active scheme's and the non-delay dispatcher's, both
// made both ways and justified (the active one on a tie), into `sequences`; returns its makespan.
// Neither dispatcher's schedules are always the shorter: the active scheme may wait for an
// operation worth waiting for, the non-delay dispatcher never leaves a machine idle, and which packs
// a shop tighter depends on the set.
template <class Rule>
double combinedShopSet(Workspace& work, Rule& rule, int set, double* sequences) {
    const int n = work.rows.n;
    const int m = work.rows.m;
    const double active = dispatchShopSet<ActiveDispatcher>(work, rule, set, sequences, Directions::BothJustified);
    if (active <= makespanBound(work)) return active;
    std::vector<double>& nonDelay = work.alternativeSequences;
    nonDelay.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(m), 0.0);
    work.takeShopSet(set, n, m);
    const double other = dispatchShopSet<SetDispatcher>(work, rule, set, nonDelay.data(), Directions::BothJustified);
    if (!(other < active)) return active;
    // A release time below 0 can leave the non-delay dispatcher's schedule unfinished, and short.
    makespanOf(work, set, nonDelay.data());
    if (!everyOperationPlayed(work)) return active;
    std::copy(nonDelay.begin(), nonDelay.end(), sequences);
    return other;
}

// Replays the set's machine sequences and keeps, for the next iteration's rule, each operation's
// start, completion and latest start.
void recordPrevious(Workspace& work, int set, const double* sequences);

}  // namespace job_shop

// Each set's shorter schedule of the two dispatchers', both ways and justified.
template <class Rule>
void combinedJobShopSchedule(Workspace& work, Rule rule, Matrix& schedule) {
    job_shop::forEachShopSet(work, schedule,
                             [&](int set, double* sequences) { job_shop::combinedShopSet(work, rule, set, sequences); });
}

// combinedJobShopSchedule, then up to `iterations` times again with the rule reading the shortest
// schedule so far (its terminals of the previous schedule), while that shortens the makespan.
template <class Rule>
void iteratedJobShopSchedule(Workspace& work, Rule rule, Matrix& schedule, int iterations) {
    job_shop::forEachShopSet(work, schedule, [&](int set, double* sequences) {
        const int n = work.rows.n;
        const int m = work.rows.m;
        work.previous.known = false;
        double best = job_shop::combinedShopSet(work, rule, set, sequences);
        std::vector<double>& trial = work.iteratedSequences;
        work.takeShopSet(set, n, m);
        const double bound = job_shop::makespanBound(work);
        for (int i = 0; i < iterations && best > bound; ++i) {
            job_shop::recordPrevious(work, set, sequences);  // leaves the set in hand as given
            trial.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(m), 0.0);
            const double made = job_shop::combinedShopSet(work, rule, set, trial.data());
            if (!(made < best)) break;
            std::copy(trial.begin(), trial.end(), sequences);
            best = made;
        }
        work.previous.known = false;
    });
}

// The seven criteria of every set's machine sequences (Twt, Uwt, Fwt, Cmax, mean tardiness, share
// of tardy jobs, mean flowtime) and their totals in a last row; returns the Cmax total.
double jobShopCriteria(Workspace& work, const Matrix& schedule, Matrix& results);

// Part of the job shop's loading: setups need "max_length", and every route must name machines of
// its set, each once; a fault ends the run with a message naming the duration file, the set and the
// job. Decodes the operation codes (duration + 1000 x machine) into the collection's operation
// tables, with each machine's mean duration and each set's total.
void decodeJobShop(Collection& collection);

// Entries of a schedule file that name jobs outside the set end the run with a message naming the
// file, the set and the position.
void checkJobShopSchedule(const Collection& collection, const Matrix& schedule, const char* fileName);
