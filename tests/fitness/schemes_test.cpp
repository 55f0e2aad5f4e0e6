// The learner's other decision schemes: the pair scheme of parallel machines (every released job
// rated on every machine) and the job shop's active scheme.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "fitness/timeline.h"
#include "fitness_testing.h"

using namespace fitness_testing;

namespace {

using Rule = double (*)(const ListDecision&, int);

// Min-min's rule: the earliest completion first, where both the job and the machine are ready.
double earliestCompletion(const ListDecision& at, int job) {
    const SetInHand& set = at.work.rows;
    const double start = std::max(at.machineFree, set.r[job]);
    return -(start + set.p[job * set.m + at.machine]);
}
double sameForAll(const ListDecision&, int) { return 1.0; }

Matrix paired(const Collection& collection, Rule rule, std::vector<double>* times = nullptr) {
    Workspace work(collection);
    Matrix schedule;
    pairScheduleParallel(work, [&](const ListDecision& at, int job) {
        if (times && (times->empty() || times->back() != at.time)) times->push_back(at.time);
        return rule(at, job);
    }, schedule);
    return schedule;
}

// Unrelated machines, one set: each job's time on every machine.
CollectionBuilder unrelated(std::vector<double> times, int machines) {
    return CollectionBuilder(Environment::Unrelated).processing({times}).machines({static_cast<double>(machines)});
}

struct PairCase {
    const char* name;
    CollectionBuilder instance;
    Rule rule;
    std::vector<double> expected;    // in dispatch order
    std::vector<double> times = {};  // of the decisions; none: not looked at
};

class PairScheme : public ::testing::TestWithParam<PairCase> {};

TEST_P(PairScheme, DispatchesTheBestJobMachinePair) {
    const PairCase& c = GetParam();
    std::vector<double> times;
    EXPECT_EQ(rowOf(paired(c.instance.build(), c.rule, &times), 0, static_cast<int>(c.expected.size())), c.expected);
    if (!c.times.empty()) {
        EXPECT_EQ(times, c.times);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, PairScheme,
    ::testing::Values(
        // p(0, .) = (4, 6), p(1, .) = (3, 3), p(2, .) = (5, 2): job 2 on machine 1 (done at 2), job 1
        // on machine 0 (3, against 2 + 3), job 0 on machine 0 (7, against 8).
        PairCase{"EarliestCompletionPlansAsMinMin", unrelated({4, 6, 3, 3, 5, 2}, 2), earliestCompletion,
                 {1002, 1, 0}},
        // Of equal priorities the last job goes first, on the lowest machine, as min-min plans.
        PairCase{"EqualPrioritiesTakeTheLastJobOnTheLowestMachine", unrelated({1, 1, 1, 1, 1, 1}, 2), sameForAll,
                 {2, 1, 0}},
        // Job 1 is released at 10: the second decision waits for it although machine 1 is free,
        // and it goes to machine 0, free at 5, rather than to machine 1, where it takes 4.
        PairCase{"OnlyReleasedJobsAreRated", unrelated({5, 5, 1, 4}, 2).releases({{0, 10}}), earliestCompletion,
                 {0, 1}, {0, 10}}),
    [](const auto& info) { return info.param.name; });

// --- the job shop's active scheme

using ShopRule = double (*)(const ShopDecision&, int);
double shortestFirst(const ShopDecision& at, int job) {
    return -at.work.rows.durations[job * at.work.rows.m + at.nextOperation[job]];
}

// Job 0: 10 on machine 0, then 1 on machine 1; job 1: 1 on machine 1, then 2 on machine 0.
Collection idleIsWorthIt() {
    return CollectionBuilder(Environment::JobShop).processing({{10, 1001, 1001, 2}}).machines({2}).build();
}

TEST(ActiveScheme, AMachineWaitsForAnOperationThatCompletesFirst) {
    const Collection collection = idleIsWorthIt();
    Workspace work(collection);
    Matrix active;
    std::vector<double> times;
    activeJobShopSchedule(work, [&](const ShopDecision& at, int job) {
        times.push_back(at.time);
        return shortestFirst(at, job);
    }, active);
    // Job 1 ends on machine 1 at 1; then machine 0 has job 0 (from 0) and job 1 (from 1, done at 3)
    // to choose from, at time 0 (one call each), and waits for job 1; job 0 follows at 3 and ends
    // on machine 1 at 14.
    EXPECT_EQ(rowOf(active, 0), (std::vector<double>{1, 0, 1, 0}));
    EXPECT_EQ(times, (std::vector<double>{0, 0, 0, 3, 13}));
    // The non-delay dispatcher starts job 0 at once.
    EXPECT_EQ(rowOf(scheduled(collection, shortestFirst), 0), (std::vector<double>{0, 1, 1, 0}));
    EXPECT_EQ(measured(collection, active).get(0, 3), 14.0 / 14);
}

}  // namespace

// --- both directions: the shorter of the schedules of the routes as given and reversed

namespace {

// Twelve shops of 3 to 6 jobs on 2 to 4 machines, durations 1 to 9 from a fixed draw (with
// `zeroDurations` 0 to 2, most of them 0); `reversed` lists every route backwards.
CollectionBuilder drawnShops(bool reversed, bool zeroDurations = false) {
    Table codes;
    std::vector<double> machines;
    unsigned draw = 12345;
    for (int set = 0; set < 12; ++set) {
        const int n = 3 + set % 4, m = 2 + set % 3;
        codes.emplace_back(static_cast<std::size_t>(n * m));
        for (int j = 0; j < n; ++j)
            for (int o = 0; o < m; ++o) {
                draw = draw * 1103515245u + 12345u;
                codes.back()[static_cast<std::size_t>(j * m + (reversed ? m - 1 - o : o))] =
                    (zeroDurations ? std::max(0, static_cast<int>((draw >> 16) % 9) - 6) : 1 + (draw >> 16) % 9) +
                    1000.0 * ((j * (set + 1) + o) % m);
            }
        machines.push_back(m);
    }
    return std::move(CollectionBuilder(Environment::JobShop).processing(codes).machines(machines));
}

}  // namespace

TEST(BothDirections, KeepTheShorterOfTheRoutesAsGivenAndReversed) {
    const Collection given = drawnShops(false).build(), reversed = drawnShops(true).build();
    const ShopRule earliestReady = [](const ShopDecision& at, int job) { return -at.jobReady[job]; };
    for (ShopRule rule : {shortestFirst, earliestReady}) {
        const auto makespans = [&](const Collection& collection, job_shop::Directions directions) {
            Workspace work(collection);
            Matrix schedule;
            activeJobShopSchedule(work, rule, schedule, directions);
            return measured(collection, schedule);
        };
        const Matrix forward = makespans(given, job_shop::Directions::Forward);
        const Matrix backward = makespans(reversed, job_shop::Directions::Forward);
        const Matrix both = makespans(given, job_shop::Directions::Both);
        int reversedShorter = 0;
        for (int set = 0; set < given.sets(); ++set) {
            EXPECT_EQ(both.get(set, 3), std::min(forward.get(set, 3), backward.get(set, 3))) << "set " << set;
            reversedShorter += backward.get(set, 3) < forward.get(set, 3);
        }
        EXPECT_GT(reversedShorter, 0);  // the reversed schedules were put in, read backwards
    }
}

// Justified, both ways: never longer than both ways alone, shorter on some sets, every operation
// in the written sequences played; with setups the sets stay as dispatched; no set ends below its
// bound, which some reach without setups. In the fourth variant most operations take no time.
TEST(BothDirections, JustifiedSchedulesAreNeverLongerAndPlayEveryOperation) {
    Table releases;
    for (int set = 0; set < 12; ++set) releases.emplace_back(static_cast<std::size_t>(3 + set % 4), 2.0 * (set % 3));
    for (const int variant : {0, 1, 2, 3}) {
        CollectionBuilder builder = drawnShops(false, variant == 3);
        if (variant == 1) builder.releases(releases);
        if (variant == 2) builder.setups(0.5, 10);
        const Collection shops = builder.build();
        const auto scheduleOf = [&](job_shop::Directions directions) {
            Workspace work(shops);
            Matrix schedule;
            activeJobShopSchedule(work, shortestFirst, schedule, directions);
            return schedule;
        };
        const Matrix justified = scheduleOf(job_shop::Directions::BothJustified);
        const Matrix both = measured(shops, scheduleOf(job_shop::Directions::Both)), measure = measured(shops, justified);
        int shorter = 0, atBound = 0;
        for (int set = 0; set < shops.sets(); ++set) {
            SCOPED_TRACE("variant " + std::to_string(variant) + ", set " + std::to_string(set));
            Workspace work(shops);
            int played = 0;
            timeline::jobShopSet(work, justified, set, [&](const timeline::Occupation&) { ++played; });
            EXPECT_EQ(played, work.rows.n * work.rows.m);
            const double cmax = job_shop::latestCompletion(work), bound = job_shop::makespanBound(work);
            EXPECT_GE(cmax, bound);
            atBound += cmax == bound;
            EXPECT_LE(measure.get(set, 3), both.get(set, 3));
            shorter += measure.get(set, 3) < both.get(set, 3);
        }
        EXPECT_EQ(atBound > 0, variant != 2) << "variant " << variant;
        EXPECT_EQ(shorter > 0, variant != 2) << "variant " << variant;
    }
}

// What justifying a set returns is the makespan the evaluator replays from the sequences it leaves,
// also where that replay differs from the justification's own times: release times below 0, before
// which the replay starts nothing, and operations of no time placed at one moment.
TEST(BothDirections, JustifiedMakespanIsTheReplayedOne) {
    Table releases;
    for (int set = 0; set < 12; ++set) releases.emplace_back(static_cast<std::size_t>(3 + set % 4), set % 2 ? -3.0 : 1.0);
    for (const bool zeroDurations : {false, true}) {
        const Collection shops = drawnShops(false, zeroDurations).releases(releases).build();
        Workspace work(shops);
        Matrix schedule;
        activeJobShopSchedule(work, shortestFirst, schedule, job_shop::Directions::Forward);
        int shortened = 0;
        for (int set = 0; set < shops.sets(); ++set) {
            std::vector<double> sequences(schedule.rowData(set), schedule.rowData(set) + schedule.cols);
            const double dispatched = job_shop::makespanOf(work, set, sequences.data());
            const double span = job_shop::justified(work, set, sequences.data());
            EXPECT_EQ(span, job_shop::makespanOf(work, set, sequences.data())) << "set " << set << ", zeros " << zeroDurations;
            shortened += span < dispatched;
        }
        EXPECT_GT(shortened, 0);
    }
}

// Combined: set by set the shorter of the active scheme's and the non-delay dispatcher's justified
// schedules, the latter only when it plays every operation (a release time below 0 can leave it
// unfinished, and short).
TEST(BothDirections, CombinedKeepsTheShorterDispatcherOfEachSet) {
    Table releases;
    for (int set = 0; set < 12; ++set) releases.emplace_back(static_cast<std::size_t>(3 + set % 4), set % 4 == 1 ? -3.0 : 1.0);
    for (const bool negativeReleases : {false, true}) {
        CollectionBuilder builder = drawnShops(false);
        if (negativeReleases) builder.releases(releases);
        const Collection shops = builder.build();
        Workspace work(shops);
        Matrix active, nonDelay, combined;
        activeJobShopSchedule(work, shortestFirst, active, job_shop::Directions::BothJustified);
        scheduleJobShop<job_shop::SetDispatcher>(work, shortestFirst, nonDelay, job_shop::Directions::BothJustified);
        combinedJobShopSchedule(work, shortestFirst, combined);
        const auto replayed = [&](const Matrix& schedule, int set) {
            int played = 0;
            timeline::jobShopSet(work, schedule, set, [&](const timeline::Occupation&) { ++played; });
            return std::pair(job_shop::latestCompletion(work), played == work.rows.n * work.rows.m);
        };
        int nonDelayKept = 0, unfinished = 0;
        for (int set = 0; set < shops.sets(); ++set) {
            const auto [activeSpan, activeDone] = replayed(active, set);
            const auto [nonDelaySpan, nonDelayDone] = replayed(nonDelay, set);
            const auto [span, done] = replayed(combined, set);
            const bool takeNonDelay = nonDelayDone && nonDelaySpan < activeSpan;
            EXPECT_TRUE(activeDone && done) << "set " << set;
            EXPECT_EQ(span, takeNonDelay ? nonDelaySpan : activeSpan) << "set " << set;
            nonDelayKept += takeNonDelay;
            unfinished += !nonDelayDone;
        }
        EXPECT_GT(nonDelayKept, 0);
        EXPECT_EQ(unfinished > 0, negativeReleases);
    }
}

// What the iterated scheme hands the rule of the schedule before: every operation's latest start
// keeps its job's route, its machine's sequence and the makespan, and some operation (one on a
// longest path) has no room to move.
TEST(Iterated, LatestStartsKeepTheRoutesTheSequencesAndTheMakespan) {
    const Collection shops = drawnShops(false).build();
    Workspace work(shops);
    Matrix schedule;
    combinedJobShopSchedule(work, shortestFirst, schedule);
    for (int set = 0; set < shops.sets(); ++set) {
        job_shop::recordPrevious(work, set, schedule.rowData(set));
        const PreviousSchedule& previous = work.previous;
        const int n = work.rows.n, m = work.rows.m;
        const auto operation = [&](int j, int k) { return static_cast<std::size_t>(j * m + k); };
        const auto latestEnd = [&](std::size_t o) {
            return previous.latestStart[o] + previous.completion[o] - previous.start[o];
        };
        double end = 0, leastFloat = 1e300;
        for (int j = 0; j < n; ++j)
            for (int o = 0; o < m; ++o) {
                const std::size_t at = operation(j, static_cast<int>(work.rows.machines[j * m + o]));
                EXPECT_GE(previous.latestStart[at], previous.start[at]);
                leastFloat = std::min(leastFloat, previous.latestStart[at] - previous.start[at]);
                end = std::max(end, latestEnd(at));
                if (o + 1 < m) {
                    const int next = static_cast<int>(work.rows.machines[j * m + o + 1]);
                    EXPECT_LE(latestEnd(at), previous.latestStart[operation(j, next)]);
                }
            }
        for (int k = 0; k < m; ++k)
            for (int p = 0; p + 1 < n; ++p)
                EXPECT_LE(latestEnd(operation(static_cast<int>(schedule.at(set, k * n + p)), k)),
                          previous.latestStart[operation(static_cast<int>(schedule.at(set, k * n + p + 1)), k)]);
        EXPECT_EQ(end, previous.makespan) << "set " << set;
        EXPECT_EQ(leastFloat, 0.0) << "set " << set;
    }
}

// One machine, combined: set by set the list scheduling's sequence or the non-delay dispatch's
// (made here from the first decision on), whichever has less weighted tardiness, the list one on
// a tie; both kinds are kept somewhere, for a rule that weighs the wait and one that does not.
TEST(OneMachineCombined, KeepsTheLessTardySequenceOfEachSet) {
    Table p, d, r, w;
    unsigned draw = 777;
    const auto next = [&draw](int range) {
        draw = draw * 1103515245u + 12345u;
        return static_cast<double>((draw >> 16) % static_cast<unsigned>(range));
    };
    for (int set = 0; set < 30; ++set) {
        const std::size_t n = static_cast<std::size_t>(4 + set % 5);
        p.emplace_back(n), d.emplace_back(n), r.emplace_back(n), w.emplace_back(n);
        for (std::size_t j = 0; j < n; ++j)
            p.back()[j] = 1 + next(9), r.back()[j] = next(25), d.back()[j] = r.back()[j] + 5 + next(15), w.back()[j] = 1 + next(3);
    }
    const Collection sets = singleMachine(p, d).releases(r).weights(w).build();
    using single_machine::SetDispatcher;
    const Rule weighsTheWait = [](const ListDecision& at, int j) {
        return at.work.rows.w[j] / (at.work.rows.p[j] + std::max(at.work.rows.r[j] - at.time, 0.0));
    };
    const Rule ignoresIt = [](const ListDecision& at, int j) { return at.work.rows.w[j] / at.work.rows.p[j]; };
    for (Rule rule : {weighsTheWait, ignoresIt}) {
        Workspace work(sets);
        Matrix list, nonDelay, combined;
        listScheduleSingle(work, rule, list);
        forEachSingleMachineSet(work, nonDelay, ScheduleWidth::File, [&](int, double* sequence) {
            SetDispatcher<Rule>(work, rule, sequence, single_machine::Window::NonDelay).run();
        });
        combinedScheduleSingle(work, rule, combined);
        int nonDelayKept = 0, listKept = 0;
        for (int set = 0; set < sets.sets(); ++set) {
            const double listTwt = weightedTardinessOf(work, list, set);
            const double nonDelayTwt = weightedTardinessOf(work, nonDelay, set);
            const int n = sets.jobsIn(set);
            EXPECT_EQ(sequence(combined, set, n), sequence(nonDelayTwt < listTwt ? nonDelay : list, set, n)) << set;
            nonDelayKept += nonDelayTwt < listTwt;
            listKept += listTwt < nonDelayTwt;
        }
        EXPECT_GT(nonDelayKept, 0);
        EXPECT_GT(listKept, 0);
    }
}
