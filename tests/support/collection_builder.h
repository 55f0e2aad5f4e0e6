#pragma once

// Collections written out in a test, in every environment, one table row per set. What a test leaves
// out takes what the loading gives a definition without it: weights 1, release times 0, no
// constraints, no setups; due dates 100 and the SP the sum of a set's processing times.
#include <algorithm>
#include <vector>

#include "fitness/collection.h"
#include "support/matrix_literal.h"

namespace testing_support {

class CollectionBuilder {
public:
    explicit CollectionBuilder(Environment environment) { c_.environment = environment; }

    // Processing times, per job and machine on unrelated machines (column j x m + k), operation
    // codes in the job shop (duration + 1000 x machine, in route order); a set has as many jobs as
    // its row holds values, per machine where jobs have one per machine.
    CollectionBuilder& processing(Table rows) { return set(p_, rows); }
    // Machines per set; on uniform machines the speeds' rows give them.
    CollectionBuilder& machines(std::vector<double> counts) { return set(machines_, counts); }
    // Job counts per set, for a set that is to have fewer jobs than its row holds.
    CollectionBuilder& jobs(std::vector<double> counts) { return set(jobs_, counts); }
    CollectionBuilder& due(Table rows) { return set(due_, rows); }
    CollectionBuilder& sums(Table rows) { return set(sums_, rows); }
    CollectionBuilder& speeds(Table rows) { return set(speeds_, rows); }
    CollectionBuilder& weights(Table rows) { return feature(c_.hasWeights, weights_, rows); }
    CollectionBuilder& releases(Table rows) { return feature(c_.hasReleaseTimes, releases_, rows); }
    CollectionBuilder& constraints(Table rows) { return feature(c_.hasConstraints, constraints_, rows); }
    CollectionBuilder& setups(double factor, int maxLength = 0) {
        c_.hasSetups = true;
        c_.setupFactor = factor;
        c_.maxLength = maxLength;
        return *this;
    }

    // The collection with its derived tables, as the loading leaves it.
    Collection build() const {
        Collection c = c_;
        c.durationFileName = "durations.txt";
        const int sets = static_cast<int>(p_.size());
        std::vector<double> jobs = jobs_, machines = machines_;
        if (machines.empty())
            for (const auto& row : speeds_) machines.push_back(static_cast<double>(row.size()));
        for (int i = 0; jobs_.empty() && i < sets; ++i) jobs.push_back(jobsOf(i, machines));
        c.jobCount = column(jobs, sets);
        c.machineCount = column(machines, sets);
        c.processingTimes = shaped(p_, sets, 1, 0.0);
        const int width = static_cast<int>(*std::max_element(jobs.begin(), jobs.end()));
        c.dueDates = shaped(due_, sets, width, 100.0);
        c.weights = shaped(weights_, sets, width, 1.0);
        c.releaseTimes = shaped(releases_, sets, width, 0.0);
        c.constraints = shaped(constraints_, sets, width, 0.0);
        c.speeds = shaped(speeds_, sets, 1, 1.0);
        c.processingSum = sums_.empty() ? rowSums() : shaped(sums_, sets, 1, 0.0);
        deriveTables(c);
        return c;
    }
    operator Collection() const { return build(); }

private:
    Collection c_;
    Table p_, due_, sums_, speeds_, weights_, releases_, constraints_;
    std::vector<double> machines_, jobs_;

    template <class T>
    CollectionBuilder& set(T& field, const T& value) {
        field = value;
        return *this;
    }
    CollectionBuilder& feature(bool& flag, Table& field, const Table& rows) {
        flag = true;
        return set(field, rows);
    }

    double jobsOf(int set, const std::vector<double>& machines) const {
        const bool perMachine = c_.environment == Environment::Unrelated || c_.environment == Environment::JobShop;
        const double values = static_cast<double>(p_[static_cast<std::size_t>(set)].size());
        return perMachine ? values / machines[static_cast<std::size_t>(set)] : values;
    }

    // The rows given, padded with `fill`, or `fill` everywhere when none are.
    static Matrix shaped(const Table& rows, int sets, int width, double fill) {
        for (const auto& row : rows) width = std::max(width, static_cast<int>(row.size()));
        Matrix m;
        m.init(std::max(sets, 1), std::max(width, 1));
        for (int i = 0; i < m.rows; ++i)
            for (int j = 0; j < m.cols; ++j) {
                const bool given = i < static_cast<int>(rows.size()) && j < static_cast<int>(rows[i].size());
                m.at(i, j) = given ? rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] : fill;
            }
        return m;
    }
    static Matrix column(const std::vector<double>& values, int sets) {
        Table rows;
        for (const double value : values) rows.push_back({value});
        return shaped(rows, sets, 1, 0.0);
    }
    Matrix rowSums() const {
        Table sums;
        for (const auto& row : p_) {
            double sum = 0;
            for (const double value : row) sum += value;
            sums.push_back({sum});
        }
        return shaped(sums, static_cast<int>(p_.size()), 1, 0.0);
    }
};

// Row `set` of a matrix, its first `count` values (all of them by default).
inline std::vector<double> rowOf(const Matrix& m, int set = 0, int count = -1) {
    return std::vector<double>(m.rowData(set), m.rowData(set) + (count < 0 ? m.cols : count));
}

}  // namespace testing_support
