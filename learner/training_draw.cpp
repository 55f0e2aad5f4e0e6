#include "learner/training_draw.h"

#include <algorithm>

#include "core/fatal.h"
#include "generator/drawn_tables.h"

namespace gp {

std::string drawProblem(const Collection& training) {
    if (training.hasConstraints)
        return "the precedence constraints of \"" + training.constraintsFileName + "\" cannot be drawn afresh";
    if (training.taillard) return "Taillard's instances are the same in every draw";
    return "";
}

namespace {

// `more`'s rows below `into`'s. The draws of one definition give every table the same width.
void appendRows(Matrix& into, const Matrix& more) {
    if (into.empty()) {
        into = more;
        return;
    }
    if (more.empty()) return;
    if (more.cols != into.cols) fatalError("learner: draws of one definition gave tables of different widths.");
    Matrix both;
    both.init(into.rows + more.rows, into.cols);
    const auto values = [](const Matrix& table) { return static_cast<std::size_t>(table.rows) * table.cols; };
    std::copy(into.rowData(0), into.rowData(0) + values(into), both.rowData(0));
    std::copy(more.rowData(0), more.rowData(0) + values(more), both.rowData(into.rows));
    into = std::move(both);
}

// A table no data file fills (weights of 1, release times of 0, ...), every row alike, given as
// many rows as the draws have sets.
void repeatRows(Matrix& table, int rows) {
    if (table.empty() || table.rows == rows) return;
    Matrix longer;
    longer.init(rows, table.cols);
    for (int row = 0; row < rows; ++row)
        std::copy(table.rowData(row % table.rows), table.rowData(row % table.rows) + table.cols, longer.rowData(row));
    table = std::move(longer);
}

// The rows `picked` of a table with a row per set, as far as it has them: a table short of a row
// stays short, and its read is refused where it was.
void keepRows(Matrix& table, const std::vector<int>& picked) {
    if (table.empty()) return;
    std::size_t rows = 0;
    while (rows < picked.size() && picked[rows] < table.rows) ++rows;
    if (rows == 0) {
        table = Matrix();
        return;
    }
    Matrix kept;
    kept.init(static_cast<int>(rows), table.cols);
    for (std::size_t i = 0; i < rows; ++i)
        std::copy(table.rowData(picked[i]), table.rowData(picked[i]) + table.cols, kept.rowData(static_cast<int>(i)));
    table = std::move(kept);
}

DrawnTables drawnTables(const std::string& definitionPath, const std::vector<std::uint32_t>& seeds) {
    DrawnTables all;
    for (const std::uint32_t seed : seeds) {
        DrawnTables one;
        if (!drawTables(definitionPath, seed, one))
            fatalError("learner: the definition \"" + definitionPath + "\" cannot be read again to draw training sets.");
        for (auto table : {&DrawnTables::jobCount, &DrawnTables::processingSum, &DrawnTables::processingTimes,
                           &DrawnTables::dueDates, &DrawnTables::weights, &DrawnTables::releaseTimes,
                           &DrawnTables::machineCount, &DrawnTables::speeds})
            appendRows(all.*table, one.*table);
    }
    return all;
}

}  // namespace

Collection drawnLike(const Collection& training, const std::string& definitionPath,
                     const std::vector<std::uint32_t>& seeds) {
    DrawnTables drawn = drawnTables(definitionPath, seeds);
    Collection sets = training;
    sets.jobCount = std::move(drawn.jobCount);
    sets.processingSum = std::move(drawn.processingSum);
    sets.processingTimes = std::move(drawn.processingTimes);
    sets.dueDates = std::move(drawn.dueDates);
    if (training.environment != Environment::Single) sets.machineCount = std::move(drawn.machineCount);
    if (training.hasWeights) sets.weights = std::move(drawn.weights);
    if (training.hasReleaseTimes) sets.releaseTimes = std::move(drawn.releaseTimes);
    if (training.environment == Environment::Uniform) sets.speeds = std::move(drawn.speeds);
    for (Matrix* kept : {&sets.machineCount, &sets.weights, &sets.releaseTimes, &sets.speeds, &sets.constraints})
        repeatRows(*kept, sets.sets());
    if (training.environment == Environment::Uniform || training.environment == Environment::Unrelated)
        for (int set = 0; set < sets.sets(); ++set) sets.requireSchedulableSet(set);
    deriveTables(sets);
    return sets;
}

Collection setsOf(const Collection& collection, const std::vector<int>& sets) {
    Collection some = collection;
    for (Matrix* table : {&some.jobCount, &some.processingSum, &some.processingTimes, &some.dueDates, &some.weights,
                          &some.releaseTimes, &some.machineCount, &some.speeds, &some.constraints})
        keepRows(*table, sets);
    deriveTables(some);
    return some;
}

}  // namespace gp
