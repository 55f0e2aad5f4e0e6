#include "report_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "fitness/collection.h"
#include "fitness/results.h"
#include "fitness/run_sequence.h"

namespace report_testing {

namespace fs = std::filesystem;
using testing_support::TempDir;

void copyExample(const std::string& name, const fs::path& to) {
    fs::copy(fs::path(EXAMPLES_DIR) / name, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

void writeFullSingleMachine(const TempDir& dir) {
    dir.write("fitness.txt",
              "single 1\nsets 2\nmax_jobs 5\nduration p.txt\ndeadline d.txt\nSP sp.txt\nready r.txt\n"
              "weight_T w.txt\nconstraints c.txt\nsetup 0.5\njobs 5 4\n");
    dir.write("p.txt", "2 5\n4 6 3 5 2\n3 2 7 4 0\n");
    dir.write("d.txt", "2 5\n8 12 10 20 15\n5 9 14 11 0\n");
    dir.write("w.txt", "2 5\n1 2 1 3 1\n2 1 1 2 0\n");
    dir.write("r.txt", "2 5\n0 3 0 6 2\n1 0 4 0 0\n");
    dir.write("sp.txt", "2 1\n20\n16\n");
    // Set 0: job 0 before job 1, job 1 before job 3; set 1: job 1 before job 2.
    dir.write("c.txt", "2 5\n0 1 0 2 0\n0 0 1 0 0\n");
    dir.write("raspored_Sidney.txt", "2 5\n1 2 3 4 5\n1 2 3 4 0\n");
    dir.write("raspored_GP.txt", "2 5\n4 0 1 2 3\n3 1 0 2 0\n");
}

testing_support::RunResult runReport(const fs::path& dir, const std::string& args) {
    return testing_support::runProgram(REPORT_BIN, args, dir);
}

void readPage(const std::string& file, Page& page) {
    page.parsed = page.document.load_file(file.c_str());
    ASSERT_TRUE(page.parsed) << file << ": " << page.parsed.description() << " at byte " << page.parsed.offset;
}

std::vector<Measured> measureInProcess(const fs::path& dir, int set) {
    testing_support::ScopedChdir here(dir);
    Collection collection;
    if (!readCollection(collection, "fitness.txt")) return {};
    prepareCollection(collection);
    Workspace work(collection);
    std::vector<Measured> measured;
    const auto measure = [&](const std::string& name, const Matrix& schedule, const Matrix& results) {
        Measured m{name, results, {}};
        timeline::walkSet(work, schedule, set, [&](const timeline::Occupation& o) { m.placed.push_back(o); });
        measured.push_back(std::move(m));
    };
    forEachHeuristic(work, [&](const Heuristic& heuristic, const Matrix& schedule, const Matrix& results, double) {
        measure(heuristic.name, schedule, results);
    });
    if (fs::exists(kGPScheduleFile)) {
        const Matrix schedule = readGPSchedules(collection);
        Matrix results;
        measureSchedules(work, schedule, results);
        measure("GP", schedule, results);
    }
    return measured;
}

std::vector<pugi::xml_node> barsOf(pugi::xml_node svg) {
    std::vector<pugi::xml_node> bars;
    for (const pugi::xpath_node& bar : svg.select_nodes(".//g[contains(concat(' ', @class, ' '), ' bar ')]"))
        bars.push_back(bar.node());
    return bars;
}

double attributeNumber(pugi::xml_node node, const char* name) {
    const char* text = node.attribute(name).value();
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    EXPECT_TRUE(*text && *end == '\0') << name << "=\"" << text << "\" is not a number";
    return value;
}

}  // namespace report_testing
