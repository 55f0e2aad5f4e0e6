#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "fitness/parallel_machines.h"
#include "fitness/scheduler.h"
#include "support/matrix_literal.h"

using parallel_machines::decode;
using parallel_machines::encode;

namespace {

using testing_support::Rows;
using testing_support::table;

Matrix filled(int rows, int cols, double value) {
    Matrix m;
    m.init(rows, cols);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) m.set(i, j, value);
    return m;
}

// One uniform set: processing times p, due dates d, speeds v; unit weights, no release times,
// the sum of p as SP.
Scheduler uniformSet(std::initializer_list<double> p, std::initializer_list<double> d,
                     std::initializer_list<double> v) {
    Scheduler s;
    s.environment = Uniform;
    const int n = static_cast<int>(p.size());
    double sum = 0;
    for (double x : p) sum += x;
    s.jobCount = table({{static_cast<double>(n)}});
    s.machineCount = table({{static_cast<double>(v.size())}});
    s.processingTimes = table({p});
    s.dueDates = table({d});
    s.speeds = table({v});
    s.weights = filled(1, n, 1.0);
    s.releaseTimes = filled(1, n, 0.0);
    s.constraints = filled(1, n, 0.0);
    s.processingSum = table({{sum}});
    return s;
}

std::vector<double> scheduleRow(const Scheduler& s, int set, int n) {
    std::vector<double> row;
    for (int q = 0; q < n; ++q) row.push_back(s.schedule.get(set, q));
    return row;
}

double lowerIndexFirst(const Scheduler&, int, int job, int, double, int) { return -job; }
double sameForAll(const Scheduler&, int, int, int, double, int) { return 1.0; }

// The moment of a dispatch as the rule sees it: previous job, time and machine.
using Moment = std::tuple<int, double, int>;

// Wraps a rule and notes every distinct moment it is asked at, in order.
template <class Rule>
struct Recorder {
    Rule rule;
    std::vector<Moment>* moments;
    double operator()(const Scheduler& s, int set, int job, int previous, double time, int machine) const {
        const Moment now{previous, time, machine};
        if (moments->empty() || moments->back() != now) moments->push_back(now);
        return rule(s, set, job, previous, time, machine);
    }
};

template <class Rule>
Recorder<Rule> recording(Rule rule, std::vector<Moment>& moments) {
    return {rule, &moments};
}

}  // namespace

TEST(ParallelEncoding, EntryIsJobPlusThousandTimesMachine) {
    EXPECT_EQ(decode(2005).job, 5);
    EXPECT_EQ(decode(2005).machine, 2);
    EXPECT_EQ(decode(7).job, 7);
    EXPECT_EQ(decode(7).machine, 0);
    EXPECT_EQ(decode(3999).job, 999);
    EXPECT_EQ(decode(3999).machine, 3);
    EXPECT_EQ(encode(5, 2), 2005.0);
}

TEST(UniformListScheduling, MachineFreeFirstTakesTheNextJob) {
    // Both machines free at 0: the lower one takes job 0; machine 1 is then free earlier.
    Scheduler first = uniformSet({3, 5, 4}, {9, 9, 9}, {1, 1});
    first.listScheduleParallel(lowerIndexFirst);
    EXPECT_EQ(scheduleRow(first, 0, 3), (std::vector<double>{0, 1001, 2}));

    Scheduler second = uniformSet({5, 3, 4}, {9, 9, 9}, {1, 1});
    second.listScheduleParallel(lowerIndexFirst);
    EXPECT_EQ(scheduleRow(second, 0, 3), (std::vector<double>{0, 1001, 1002}));
}

TEST(UniformListScheduling, SpeedTwoDoublesTheTimeOnItsMachine) {
    // Job 1 (3 units) keeps machine 1 busy until 6, so job 2 goes to machine 0, free at 5.
    Scheduler s = uniformSet({5, 3, 1}, {9, 9, 9}, {1, 2});
    std::vector<Moment> moments;
    s.listScheduleParallel(recording(lowerIndexFirst, moments));
    EXPECT_EQ(scheduleRow(s, 0, 3), (std::vector<double>{0, 1001, 2}));
    EXPECT_EQ(moments, (std::vector<Moment>{{3, 0.0, 0}, {3, 0.0, 1}, {0, 5.0, 0}}));
}

TEST(UniformListScheduling, WithReleaseTimesOnlyReleasedJobsCompete) {
    // r = (5, 0, 0), p = (1, 4, 2): at 0 the shortest released job 2 is the incumbent and job
    // 0 does not compete; a rule without preference keeps the incumbent.
    Scheduler s = uniformSet({1, 4, 2}, {9, 9, 9}, {1});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{5, 0, 0}});
    std::vector<Moment> moments;
    s.listScheduleParallel(recording(sameForAll, moments));
    EXPECT_EQ(scheduleRow(s, 0, 3), (std::vector<double>{2, 1, 0}));
    EXPECT_EQ(moments, (std::vector<Moment>{{3, 0.0, 0}, {2, 2.0, 0}, {1, 6.0, 0}}));

    moments.clear();
    s.listScheduleParallel(recording(lowerIndexFirst, moments));
    EXPECT_EQ(scheduleRow(s, 0, 3), (std::vector<double>{1, 2, 0}));
    EXPECT_EQ(moments, (std::vector<Moment>{{3, 0.0, 0}, {1, 4.0, 0}, {2, 6.0, 0}}));
}

TEST(UniformListScheduling, WithReleaseTimesTheShortestReleasedJobIsTheIncumbent) {
    // r = (1, 0, 0), p = (1, 2, 2): at 0 jobs 1 and 2 are equally short and the earlier index
    // stays; at 2 job 0 (released, shorter) displaces job 2.
    Scheduler s = uniformSet({1, 2, 2}, {9, 9, 9}, {1});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{1, 0, 0}});
    s.listScheduleParallel(sameForAll);
    EXPECT_EQ(scheduleRow(s, 0, 3), (std::vector<double>{1, 0, 2}));
}

TEST(UniformListScheduling, WithReleaseTimesTheTimeNeverGoesBack) {
    // Job 1 (released at 0) waits for job 0 (released at 5); the idle machine 1 then takes it
    // at 5, not at its release time.
    Scheduler s = uniformSet({1, 1}, {9, 9}, {1, 1});
    s.hasReleaseTimes = 1;
    s.releaseTimes = table({{5, 0}});
    s.hasConstraints = 1;
    s.constraints = table({{0, 1}});
    std::vector<Moment> moments;
    s.listScheduleParallel(recording(lowerIndexFirst, moments));
    EXPECT_EQ(scheduleRow(s, 0, 2), (std::vector<double>{0, 1001}));
    EXPECT_EQ(moments, (std::vector<Moment>{{2, 5.0, 0}, {2, 5.0, 1}}));
}

TEST(UniformListScheduling, WithoutReleaseTimesTheEarliestFreedSuccessorGoesFirst) {
    // Job 1 waits for job 0 (done at 4); job 2 is free at once and takes machine 1 at 0 although
    // the rule prefers job 1; job 1 then starts at 4 on machine 1.
    Scheduler s = uniformSet({4, 1, 1}, {9, 9, 9}, {1, 1});
    s.hasConstraints = 1;
    s.constraints = table({{0, 1, 0}});
    std::vector<Moment> moments;
    s.listScheduleParallel(recording(lowerIndexFirst, moments));
    EXPECT_EQ(scheduleRow(s, 0, 3), (std::vector<double>{0, 1002, 1001}));
    EXPECT_EQ(moments, (std::vector<Moment>{{3, 0.0, 0}, {3, 0.0, 1}, {2, 4.0, 1}}));
    EXPECT_EQ(s.predecessorReady.get(1, 0), 4.0);
}

TEST(UniformListScheduling, JobPrecedingAllOthersKeepsEverySuccessorAndStartsAtZero) {
    // Job 0 precedes jobs 1 and 2: its successor list fills the last column of its row, while
    // its own predecessor-ready time stays 0.
    Scheduler s = uniformSet({2, 1, 3}, {9, 9, 9}, {1, 1});
    s.hasConstraints = 1;
    s.constraints = table({{0, 1, 2}});
    std::vector<Moment> moments;
    std::vector<double> successorsSeen;
    const auto rule = [&successorsSeen](const Scheduler& sch, int, int job, int, double, int) {
        if (successorsSeen.empty())
            for (int c = 1; c <= 3; ++c) successorsSeen.push_back(sch.precedenceLists.at(0, c));
        return -static_cast<double>(job);
    };
    s.listScheduleParallel(recording(rule, moments));
    EXPECT_EQ(successorsSeen, (std::vector<double>{2, 1, 2}));
    EXPECT_EQ(scheduleRow(s, 0, 3), (std::vector<double>{0, 1001, 2}));
    EXPECT_EQ(moments, (std::vector<Moment>{{3, 0.0, 0}, {3, 2.0, 1}, {0, 2.0, 0}}));
}

TEST(UniformListScheduling, SetupsDependOnEachMachinesLastJob) {
    // Setups from p = (2, 5, 9) with factor 1: before a first job (5, 9, 2); (0, 2) = 3.
    Scheduler s = uniformSet({2, 5, 9}, {10, 10, 10}, {1, 1});
    s.hasSetups = 1;
    s.setupFactor = 1;
    std::vector<Moment> moments;
    s.listScheduleParallel(recording(lowerIndexFirst, moments));
    EXPECT_EQ(scheduleRow(s, 0, 3), (std::vector<double>{0, 1001, 2}));
    EXPECT_EQ(moments, (std::vector<Moment>{{3, 0.0, 0}, {3, 0.0, 1}, {0, 7.0, 0}}));

    // Replayed: machine 0 ends job 0 at 2 + 5 and job 2 at 7 + 9 + 3; machine 1 job 1 at 5 + 9.
    // Due dates 10: job 1 is 4 late, job 2 is 9 late; W = 3, g = 16 / 3.
    EXPECT_DOUBLE_EQ(s.parallelMachineCriteria(), 13.0 / 16.0);
    EXPECT_DOUBLE_EQ(s.results.get(0, 1), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.results.get(0, 2), 40.0 / 16.0);
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 19.0 / 16.0);
    EXPECT_DOUBLE_EQ(s.results.get(0, 4), 27.0 / 16.0);
}

TEST(UniformListScheduling, InverseSpeedsStartAfreshForEverySetAndScaleTheLevels) {
    // Set 0: speeds (1, 2), inverse sum 1.5, mean 0.75; job 1 follows job 0, so the levels are
    // 1.5 / 0.75 = 2 and 3 / 0.75 + 2 = 6. Set 1: one machine of speed 4, inverse sum 0.25.
    Scheduler s;
    s.environment = Uniform;
    s.jobCount = table({{2}, {1}});
    s.machineCount = table({{2}, {1}});
    s.processingTimes = table({{3, 1.5}, {2}});
    s.dueDates = filled(2, 2, 9.0);
    s.weights = filled(2, 2, 1.0);
    s.releaseTimes = filled(2, 2, 0.0);
    s.speeds = table({{1, 2}, {4}});
    s.processingSum = table({{4.5}, {2}});
    s.hasConstraints = 1;
    s.constraints = table({{0, 1}, {0}});
    std::vector<std::vector<double>> seen(2);
    s.listScheduleParallel([&seen](const Scheduler& sch, int set, int job, int, double, int) {
        if (!seen[set].empty()) return -static_cast<double>(job);
        seen[set] = {sch.inverseSpeedSum};
        if (set == 0) seen[set].insert(seen[set].end(), {sch.levels.at(0, 0), sch.levels.at(1, 0)});
        return -static_cast<double>(job);
    });
    EXPECT_EQ(seen[0], (std::vector<double>{1.5, 6, 2}));
    EXPECT_EQ(seen[1], (std::vector<double>{0.25}));
    EXPECT_EQ(s.meanInverseSpeed, 0.25);
}

TEST(UniformListScheduling, SetWithoutJobsIsSkipped) {
    // Set 0 has neither jobs nor machines; set 1 is dispatched as usual.
    Scheduler s;
    s.environment = Uniform;
    s.jobCount = table({{0}, {2}});
    s.machineCount = table({{0}, {2}});
    s.processingTimes = table({{7, 7}, {2, 3}});
    s.dueDates = filled(2, 2, 9.0);
    s.weights = filled(2, 2, 1.0);
    s.releaseTimes = filled(2, 2, 0.0);
    s.speeds = table({{1}, {1, 1}});
    s.processingSum = table({{0}, {5}});
    s.listScheduleParallel(lowerIndexFirst);
    EXPECT_EQ(scheduleRow(s, 1, 2), (std::vector<double>{0, 1001}));
}

TEST(UniformListScheduling, SetWithJobsButNoMachineEndsTheRun) {
    Scheduler s = uniformSet({1, 2}, {9, 9}, {1});
    s.machineCount = table({{0}});
    EXPECT_EXIT(s.listScheduleParallel(lowerIndexFirst), testing::ExitedWithCode(1),
                "^Set 0 has 2 job\\(s\\) but no machine");
}

TEST(ParallelCriteria, UniformSetsAreReplayedMachineByMachine) {
    // Set 0: speeds (1, 2), p = (3, 2, 4), d = (2, 5, 6), w = (2, 1, 1), r = (0, 1, 0), SP 9
    // (g = 3), schedule 0, 1001, 2. Machine 0: job 0 ends at 3 (1 late), job 2 at 7 (1 late);
    // machine 1: job 1 starts at its release 1 and ends at 1 + 2 x 2 = 5 (on time).
    // Set 1: one machine of speed 3 and a job of 2 units, due at 10: it ends at 6.
    Scheduler s;
    s.environment = Uniform;
    s.jobCount = table({{3}, {1}});
    s.machineCount = table({{2}, {1}});
    s.processingTimes = table({{3, 2, 4}, {2}});
    s.dueDates = table({{2, 5, 6}, {10}});
    s.weights = table({{2, 1, 1}, {1}});
    s.releaseTimes = table({{0, 1, 0}, {0}});
    s.hasReleaseTimes = 1;
    s.speeds = table({{1, 2}, {3}});
    s.processingSum = table({{9}, {2}});
    s.schedule = table({{0, 1001, 2}, {0}});

    EXPECT_DOUBLE_EQ(s.parallelMachineCriteria(), 0.25);
    ASSERT_EQ(s.results.rows, 3);
    ASSERT_EQ(s.results.cols, 5);
    const double set0[] = {3.0 / 12.0, 3.0 / 4.0, 14.0 / 12.0, 7.0 / 9.0, 1.0 / 3.0};
    const double set1[] = {0, 0, 3, 3, 0};
    for (int c = 0; c < 5; ++c) {
        EXPECT_DOUBLE_EQ(s.results.get(0, c), set0[c]) << "column " << c;
        EXPECT_DOUBLE_EQ(s.results.get(1, c), set1[c]) << "column " << c;
        EXPECT_DOUBLE_EQ(s.results.get(2, c), set0[c] + set1[c]) << "totals, column " << c;
    }
}

TEST(ParallelCriteria, MaximumTardinessIgnoresWeightsAndIdleMachinesCountAsZero) {
    // One machine of two stays idle. Job 0 ends at 2, 4 late (weight 10); job 1 ends at 5, 9
    // late (weight 0.5). SP 5, g = 2.5.
    Scheduler s = uniformSet({2, 3}, {-2, -4}, {1, 1});
    s.weights = table({{10, 0.5}});
    s.schedule = table({{0, 1}});
    s.parallelMachineCriteria();
    EXPECT_DOUBLE_EQ(s.results.get(0, 4), 9 / 2.5);
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 5 / 5.0);

    s.dueDates = table({{20, 20}});
    s.parallelMachineCriteria();
    EXPECT_EQ(s.results.get(0, 4), 0.0);
    EXPECT_EQ(s.results.get(0, 0), 0.0);
}

TEST(ParallelCriteria, UnrelatedTimeOfJobOnMachineIsAtJobTimesMachinesPlusMachine) {
    // Three machines: job 2 on machine 1 takes column 7, job 1 on machine 2 column 5.
    Scheduler s;
    s.environment = Unrelated;
    s.jobCount = table({{3}});
    s.machineCount = table({{3}});
    s.processingTimes = table({{1, 20, 30, 40, 50, 6, 70, 8, 90}});
    s.dueDates = table({{100, 100, 100}});
    s.weights = filled(1, 3, 1.0);
    s.releaseTimes = filled(1, 3, 0.0);
    s.processingSum = table({{3}});
    s.schedule = table({{0, 1002, 2001}});
    s.parallelMachineCriteria();
    EXPECT_DOUBLE_EQ(s.results.get(0, 3), 8.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.results.get(0, 2), (1 + 8 + 6) / 3.0);
}

TEST(ParallelScheduleCheck, EntriesWithinTheSetPass) {
    Scheduler s = uniformSet({1, 1, 1}, {9, 9, 9}, {1, 1});
    s.schedule = table({{1002, -0.5, 1001.9}});  // -0.5 and 1001.9 truncate to jobs 0 and 1
    s.checkParallelSchedule("raspored_GP.txt");
    SUCCEED();
}

TEST(ParallelScheduleCheck, JobBeyondTheSetEndsTheRun) {
    Scheduler s = uniformSet({1, 1, 1}, {9, 9, 9}, {1, 1});
    s.schedule = table({{0, 3, 1001}});
    EXPECT_EXIT(s.checkParallelSchedule("raspored_GP.txt"), testing::ExitedWithCode(1),
                "^Schedule file \"raspored_GP.txt\": set 0, position 1 \\(counted from 0\\): the entry 3 names job "
                "3, but the set has 3 job\\(s\\).\n$");
}

TEST(ParallelScheduleCheck, NegativeAndNotANumberEntriesEndTheRun) {
    Scheduler s = uniformSet({1, 1}, {9, 9}, {1});
    s.schedule = table({{0, -1}});
    EXPECT_EXIT(s.checkParallelSchedule("x.txt"), testing::ExitedWithCode(1),
                "^Schedule file \"x.txt\": set 0, position 1 \\(counted from 0\\): the entry -1 is negative.\n$");
    s.schedule = table({{std::nan(""), 0}});
    EXPECT_EXIT(s.checkParallelSchedule("x.txt"), testing::ExitedWithCode(1), "position 0 .*is not a number");
}
