#include "experiment/run_result.h"

#include <charconv>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "core/output_files.h"
#include "report/svg.h"

namespace experiment {

namespace {

std::string numbers(const std::vector<double>& values) {
    std::string text;
    for (const double value : values) {
        if (!text.empty()) text += ' ';
        text += report::exact(value);
    }
    return text;
}

// One line per field, "key value"; the text of a value has no line end.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

template <class Number>
bool parse(const std::string& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool parseList(const std::string& text, std::vector<double>& values) {
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        double value = 0;
        if (!parse(word, value)) return false;
        values.push_back(value);
    }
    return true;
}

using Fields = std::map<std::string, std::string>;

// The fields of a file that ends with the line "end"; none when it does not.
std::optional<Fields> fieldsOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    Fields fields;
    std::string line;
    while (std::getline(in, line)) {
        if (line == "end") return fields;
        const std::size_t blank = line.find(' ');
        fields[line.substr(0, blank)] = blank == std::string::npos ? "" : line.substr(blank + 1);
    }
    return std::nullopt;
}

bool readMeasures(Fields& f, report::RunRow& run) {
    return parse(f["training"], run.training) && (f.count("validation") == 0 || parse(f["validation"], run.validation)) &&
           parseList(f["test"], run.test) && !run.test.empty() && parseList(f["sets"], run.testSets) &&
           parse(f["size"], run.size) && parse(f["depth"], run.depth) && f.count("rule") > 0;
}

}  // namespace

void writeRunResult(const std::string& folder, const report::RunRow& run, bool withValidation) {
    std::string text = "run " + std::to_string(run.run) + "\nseed " + std::to_string(run.seed) + "\nstatus " +
                       (run.finished ? "ok" : "failed") + "\nseconds " + report::exact(run.seconds) + "\n";
    if (run.finished) {
        text += "training " + report::exact(run.training) + "\n";
        if (withValidation) text += "validation " + report::exact(run.validation) + "\n";
        text += "test " + numbers(run.test) + "\nsets " + numbers(run.testSets) + "\nsize " + std::to_string(run.size) +
                "\ndepth " + std::to_string(run.depth) + "\nrule " + oneLine(run.rule) + "\n";
    } else {
        text += "message " + oneLine(run.message) + "\n";
    }
    writeWholeFile(folder + "/" + kResultFile, text + "end\n", "Run result");
}

std::optional<report::RunRow> readRunResult(const std::string& folder) {
    std::optional<Fields> fields = fieldsOf(folder + "/" + kResultFile);
    if (!fields) return std::nullopt;
    Fields& f = *fields;
    report::RunRow run;
    if (!parse(f["run"], run.run) || !parse(f["seed"], run.seed) || !parse(f["seconds"], run.seconds))
        return std::nullopt;
    run.finished = f["status"] == "ok";
    run.rule = f["rule"];
    run.message = f["message"];
    if (run.finished && !readMeasures(f, run)) return std::nullopt;
    if (!run.finished && f["status"] != "failed") return std::nullopt;
    return run;
}

void writeRunEnd(const std::string& file, const RunEnd& end) {
    writeWholeFile(file,
                   "start-error " + std::to_string(end.startError) + "\nexit-code " + std::to_string(end.exitCode) +
                       "\nsignal " + std::to_string(end.signal) + "\nseconds " + report::exact(end.seconds) +
                       "\nend\n",
                   "Run end");
}

std::optional<RunEnd> readRunEnd(const std::string& file) {
    std::optional<Fields> fields = fieldsOf(file);
    RunEnd end;
    if (!fields || !parse((*fields)["start-error"], end.startError) || !parse((*fields)["exit-code"], end.exitCode) ||
        !parse((*fields)["signal"], end.signal) || !parse((*fields)["seconds"], end.seconds))
        return std::nullopt;
    return end;
}

}  // namespace experiment
