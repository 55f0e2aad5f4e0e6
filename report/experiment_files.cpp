#include "report/experiment_files.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>

#include "core/fatal.h"
#include "report/svg.h"

namespace report {

namespace {

constexpr const char* kTrainingPrefix = "training_";
constexpr const char* kTestPrefix = "test_";
constexpr const char* kTotalRow = "total";
constexpr int kLeadingColumns = 5;  // run, seed, status, training, validation
constexpr int kTrailingColumns = 5;  // size, depth, seconds, rule, message, after the test totals

// A cell as CSV readers take it: quoted when it holds a comma or a quote; never a line end.
std::string cell(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string row(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line += ',';
        line += cell(cells[i]);
    }
    return line + "\n";
}

std::vector<std::string> cellsOf(const std::string& line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

std::string number(double value) { return exact(value); }

// The rows of a CSV file, each split into cells; the first is the header.
struct Table {
    std::string file;
    std::vector<std::vector<std::string>> rows;

    [[noreturn]] void refuse(std::size_t row, const std::string& what) const {
        fatalError(std::string(kExperimentFileKind) + " \"" + file + "\", line " + std::to_string(row + 1) + ": " + what);
    }
    // A cell read whole as the Number: a count or a seed must be a whole number in its range.
    template <class Number = double>
    Number numberAt(std::size_t row, std::size_t column) const {
        const std::string& text = rows[row][column];
        Number value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || end != text.data() + text.size())
            refuse(row, "column " + std::to_string(column + 1) + " (\"" + text + "\") is not a number.");
        return value;
    }
};

Table readTable(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) fatalError(fileProblem(kExperimentFileKind, file, "read", errno));
    Table table{file, {}};
    for (std::string line; std::getline(in, line);) table.rows.push_back(cellsOf(line));
    if (table.rows.empty()) table.refuse(0, "the file is empty.");
    for (std::size_t r = 1; r < table.rows.size(); ++r)
        if (table.rows[r].size() != table.rows[0].size())
            table.refuse(r, std::to_string(table.rows[r].size()) + " cells, the header has " +
                                std::to_string(table.rows[0].size()) + ".");
    return table;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The headline, the criteria and the runs of runs.csv.
void readRuns(const Table& table, ExperimentData& data) {
    const std::vector<std::string>& header = table.rows[0];
    const int criteria = static_cast<int>(header.size()) - kLeadingColumns - kTrailingColumns;
    if (criteria < 1 || header[0] != "run" || !startsWith(header[3], kTrainingPrefix))
        table.refuse(0, "this is not the header of an experiment's runs.");
    data.headline = header[3].substr(std::string(kTrainingPrefix).size());
    for (int c = 0; c < criteria; ++c) {
        const std::string& name = header[static_cast<std::size_t>(kLeadingColumns + c)];
        data.criteria.push_back(startsWith(name, kTestPrefix) ? name.substr(std::string(kTestPrefix).size()) : name);
        if (data.criteria.back() == data.headline) data.headlineColumn = c;
    }
    for (std::size_t r = 1; r < table.rows.size(); ++r) {
        const std::vector<std::string>& cells = table.rows[r];
        RunRow run;
        run.run = table.numberAt<int>(r, 0);
        run.seed = table.numberAt<std::uint64_t>(r, 1);
        run.finished = cells[2] == "ok";
        const std::size_t trailing = static_cast<std::size_t>(kLeadingColumns + criteria);
        run.rule = cells[trailing + 3];
        run.message = cells[trailing + 4];
        if (run.finished) {
            run.training = table.numberAt(r, 3);
            data.hasValidation = !cells[4].empty();
            if (data.hasValidation) run.validation = table.numberAt(r, 4);
            for (int c = 0; c < criteria; ++c)
                run.test.push_back(table.numberAt(r, static_cast<std::size_t>(kLeadingColumns + c)));
            run.size = table.numberAt<int>(r, trailing);
            run.depth = table.numberAt<int>(r, trailing + 1);
        }
        if (!cells[trailing + 2].empty()) run.seconds = table.numberAt(r, trailing + 2);
        data.runs.push_back(std::move(run));
    }
}

// The baselines and the runs' values per set of sets.csv, whose last row holds the totals.
void readSets(const Table& table, ExperimentData& data) {
    const std::size_t columns = table.rows[0].size();
    if (table.rows[0][0] != "set" || columns < 1 + data.runs.size() || table.rows.size() < 2 ||
        table.rows.back()[0] != kTotalRow)
        table.refuse(0, "this is not an experiment's table of the sets, or it does not match " + std::string(kRunsFile) +
                            ".");
    const std::size_t baselines = columns - 1 - data.runs.size();
    const std::size_t totals = table.rows.size() - 1;
    data.sets = static_cast<int>(totals) - 1;
    for (std::size_t b = 0; b < baselines; ++b) {
        Baseline baseline{table.rows[0][1 + b], table.numberAt(totals, 1 + b), {}};
        for (std::size_t r = 1; r < totals; ++r) baseline.testSets.push_back(table.numberAt(r, 1 + b));
        data.baselines.push_back(std::move(baseline));
    }
    for (std::size_t i = 0; i < data.runs.size(); ++i) {
        if (!data.runs[i].finished) continue;
        for (std::size_t r = 1; r < totals; ++r) data.runs[i].testSets.push_back(table.numberAt(r, 1 + baselines + i));
    }
}

}  // namespace

std::string runFolderName(int run, int runs) {
    const int width = std::max(2, static_cast<int>(std::to_string(std::max(runs - 1, 0)).size()));
    std::string digits = std::to_string(run);
    return "run-" + std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(digits.size()))), '0') +
           digits;
}

std::string runsCsv(const ExperimentData& data) {
    std::vector<std::string> header = {"run", "seed", "status", kTrainingPrefix + data.headline,
                                       "validation_" + data.headline};
    for (const std::string& criterion : data.criteria) header.push_back(kTestPrefix + criterion);
    for (const char* name : {"size", "depth", "seconds", "rule", "message"}) header.push_back(name);
    std::string text = row(header);
    for (const RunRow& run : data.runs) {
        std::vector<std::string> cells = {std::to_string(run.run), std::to_string(run.seed), run.finished ? "ok" : "failed"};
        cells.push_back(run.finished ? number(run.training) : "");
        cells.push_back(run.finished && data.hasValidation ? number(run.validation) : "");
        for (std::size_t c = 0; c < data.criteria.size(); ++c)
            cells.push_back(run.finished ? number(run.test[c]) : "");
        cells.push_back(run.finished ? std::to_string(run.size) : "");
        cells.push_back(run.finished ? std::to_string(run.depth) : "");
        cells.push_back(number(run.seconds));
        cells.push_back(run.rule);
        cells.push_back(run.message);
        text += row(cells);
    }
    return text;
}

std::string setsCsv(const ExperimentData& data) {
    std::vector<std::string> header = {"set"};
    for (const Baseline& baseline : data.baselines) header.push_back(baseline.name);
    for (const RunRow& run : data.runs) header.push_back(runFolderName(run.run, static_cast<int>(data.runs.size())));
    std::string text = row(header);
    const auto valueAt = [](const std::vector<double>& sets, int set) {
        return set < static_cast<int>(sets.size()) ? number(sets[static_cast<std::size_t>(set)]) : "";
    };
    for (int set = 0; set < data.sets; ++set) {
        std::vector<std::string> cells = {std::to_string(set)};
        for (const Baseline& baseline : data.baselines) cells.push_back(valueAt(baseline.testSets, set));
        for (const RunRow& run : data.runs) cells.push_back(valueAt(run.testSets, set));
        text += row(cells);
    }
    std::vector<std::string> totals = {kTotalRow};
    for (const Baseline& baseline : data.baselines) totals.push_back(number(baseline.total));
    for (const RunRow& run : data.runs)
        totals.push_back(run.finished ? number(run.test[static_cast<std::size_t>(data.headlineColumn)]) : "");
    return text + row(totals);
}

ExperimentData readExperiment(const std::string& folder) {
    ExperimentData data;
    readRuns(readTable(folder + "/" + kRunsFile), data);
    readSets(readTable(folder + "/" + kSetsFile), data);
    return data;
}

}  // namespace report
