// The report program end to end: the page parses as XML, holds a chart per heuristic and GP with a
// bar per job or operation whose times are the evaluator's, agrees with fitness's own figures, and
// bad input gets one message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/matrice.h"
#include "report_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace report_testing;
using testing_support::RunResult;
using testing_support::TempDir;

struct Folder {
    const char* name;       // the example copied, or "full single" for the hand-made instance
    std::vector<int> bars;  // jobs (operations in the job shop) of sets 0 and 1
    friend void PrintTo(const Folder& folder, std::ostream* out) { *out << folder.name; }
};

void prepare(const Folder& folder, const TempDir& dir) {
    if (std::string(folder.name) == "full single")
        writeFullSingleMachine(dir);
    else
        copyExample(folder.name, dir.path());
}

class EveryEnvironment : public ::testing::TestWithParam<Folder> {};

TEST_P(EveryEnvironment, EachChartHasOneBarPerJobWithTheTimesOfTheEvaluatorsTimeline) {
    const Folder& folder = GetParam();
    TempDir dir;
    prepare(folder, dir);
    const RunResult run = runReport(dir.path(), "--sets 1,0");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), "Report written to report.html\n");
    Page page;
    readPage(dir.file("report.html"), page);

    for (const int set : {1, 0}) {
        SCOPED_TRACE("set " + std::to_string(set));
        const std::vector<Measured> measured = measureInProcess(dir.path(), set);
        const auto figures = page.select("//section[@id='set-" + std::to_string(set) + "']/figure");
        ASSERT_EQ(figures.size(), measured.size());
        for (std::size_t c = 0; c < measured.size(); ++c) {
            const Measured& expected = measured[c];
            SCOPED_TRACE(expected.name);
            const pugi::xml_node figure = figures[c].node();
            EXPECT_EQ(std::string(figure.child("figcaption").child_value("strong")), expected.name);
            const std::vector<pugi::xml_node> bars = barsOf(figure.child("svg"));
            ASSERT_EQ(bars.size(), expected.placed.size());
            if (expected.name != "GP") {
                EXPECT_EQ(bars.size(), static_cast<std::size_t>(folder.bars[static_cast<std::size_t>(set)]));
            }
            for (std::size_t b = 0; b < bars.size(); ++b) {
                const timeline::Occupation& o = expected.placed[b];
                EXPECT_EQ(bars[b].attribute("data-job").as_int(), o.job);
                EXPECT_EQ(bars[b].attribute("data-machine").as_int(), o.machine);
                EXPECT_EQ(bars[b].attribute("data-operation").as_int(), o.operation);
                EXPECT_EQ(attributeNumber(bars[b], "data-start"), o.start);
                EXPECT_EQ(attributeNumber(bars[b], "data-setup"), o.setup);
                EXPECT_EQ(attributeNumber(bars[b], "data-end"), o.completion);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Report, EveryEnvironment,
                         ::testing::Values(Folder{"full single", {5, 4}}, Folder{"uniform", {4, 5}},
                                           Folder{"unrelated", {4, 3}}, Folder{"jobshop", {3 * 3, 4 * 2}}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

// The ends of all bars of set 0, chart by chart.
std::vector<std::vector<double>> barEnds(const Page& page) {
    std::vector<std::vector<double>> ends;
    for (const pugi::xpath_node& svg : page.select("//section[@id='set-0']/figure/svg")) {
        ends.emplace_back();
        for (const pugi::xml_node bar : barsOf(svg.node())) ends.back().push_back(attributeNumber(bar, "data-end"));
    }
    return ends;
}

TEST(ReportCharts, SingleMachineCriteriaFollowFromTheBarEnds) {
    TempDir dir;
    writeFullSingleMachine(dir);
    ASSERT_EQ(runReport(dir.path()).status, 0);
    Page page;
    readPage(dir.file("report.html"), page);
    // Set 0 of the hand-made instance: d, w, r of its five jobs.
    const double d[] = {8, 12, 10, 20, 15}, w[] = {1, 2, 1, 3, 1}, r[] = {0, 3, 0, 6, 2};
    const double n = 5, W = 8, P = 20;  // P = 4 + 6 + 3 + 5 + 2
    const std::vector<Measured> measured = measureInProcess(dir.path(), 0);
    const std::vector<std::vector<double>> ends = barEnds(page);
    ASSERT_EQ(ends.size(), measured.size());
    ASSERT_EQ(measured.size(), 11u);  // EDD to MON, Sidney, HLF, LNS, ATCS, SDS-BD makespan, GP
    for (std::size_t c = 0; c < ends.size(); ++c) {
        SCOPED_TRACE(measured[c].name);
        double weightedTardiness = 0, tardyWeight = 0, flowtime = 0;
        for (std::size_t b = 0; b < ends[c].size(); ++b) {
            const int j = measured[c].placed[b].job;
            weightedTardiness += w[j] * std::max(ends[c][b] - d[j], 0.0);
            tardyWeight += ends[c][b] > d[j] ? w[j] : 0;
            flowtime += ends[c][b] - r[j];
        }
        const Matrix& results = measured[c].results;
        EXPECT_DOUBLE_EQ(weightedTardiness * n / (W * P), results.get(0, 0));
        EXPECT_DOUBLE_EQ(tardyWeight / W, results.get(0, 1));
        EXPECT_DOUBLE_EQ(flowtime * n / (W * P), results.get(0, 2));
        EXPECT_DOUBLE_EQ(ends[c].back() / P, results.get(0, 3));
    }
}

TEST(ReportCharts, MakespansOfTheBarsAreTheCriteriasOnParallelMachinesAndInTheJobShop) {
    for (const char* example : {"uniform", "jobshop"}) {
        SCOPED_TRACE(example);
        TempDir dir;
        copyExample(example, dir.path());
        ASSERT_EQ(runReport(dir.path()).status, 0);
        Page page;
        readPage(dir.file("report.html"), page);
        // Set 0's normaliser: SP on uniform machines (n x mean processing time), the total operation time
        // in the job shop (5 + 4 + 3 + 6 + 2 + 4 + 3 + 5 + 4).
        double normaliser = 36;
        if (std::string(example) == "uniform") {
            Matrix sp;
            sp.read(dir.file("sp.txt"));
            normaliser = sp.get(0, 0);
        }
        const std::vector<Measured> measured = measureInProcess(dir.path(), 0);
        const std::vector<std::vector<double>> ends = barEnds(page);
        ASSERT_EQ(ends.size(), measured.size());
        for (std::size_t c = 0; c < ends.size(); ++c)
            EXPECT_DOUBLE_EQ(*std::max_element(ends[c].begin(), ends[c].end()) / normaliser,
                             measured[c].results.get(0, 3))
                << measured[c].name;
    }
}

// The shares fitness prints in its dominance table, row by row.
std::vector<std::vector<std::string>> fitnessShares(const fs::path& folder) {
    TempDir copy;
    fs::copy(folder, copy.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const RunResult run = testing_support::runProgram(FITNESS_BIN, "summary.txt", copy.path());
    std::istringstream lines(run.out.substr(run.out.find("Dominacija")));
    std::string line;
    std::getline(lines, line);
    std::vector<std::vector<std::string>> rows;
    while (std::getline(lines, line) && line != "Gotovo!") {
        std::istringstream cells(line);
        std::vector<std::string> row;
        std::string cell;
        while (cells >> cell) row.push_back(cell);
        rows.push_back(std::vector<std::string>(row.end() - 4, row.end()));
    }
    return rows;
}

TEST(ReportSummary, TotalsAreTheCriteriaAndSharesAgreeWithTheFitnessTable) {
    for (const char* example : {"full single", "jobshop"}) {
        SCOPED_TRACE(example);
        TempDir dir;
        prepare({example, {}}, dir);
        ASSERT_EQ(runReport(dir.path()).status, 0);
        Page page;
        readPage(dir.file("report.html"), page);
        const std::vector<Measured> measured = measureInProcess(dir.path(), 0);
        const auto rows = page.select("//table[@class='summary']/tbody/tr");
        ASSERT_EQ(rows.size(), measured.size());
        EXPECT_STREQ(rows[rows.size() - 1].node().attribute("class").value(), "gp");
        const std::vector<std::vector<std::string>> shares = fitnessShares(dir.path());
        ASSERT_EQ(shares.size(), measured.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            SCOPED_TRACE(measured[r].name);
            std::vector<pugi::xml_node> cells;
            for (const pugi::xml_node cell : rows[r].node().children("td")) cells.push_back(cell);
            const Matrix& results = measured[r].results;
            const int criteria = results.cols;
            ASSERT_EQ(cells.size(), static_cast<std::size_t>(1 + criteria + 4));
            for (int c = 0; c < criteria; ++c)
                EXPECT_EQ(attributeNumber(cells[1 + c], "data-value"), results.get(results.rows - 1, c));
            for (int c = 0; c < 4; ++c) {
                char shown[16];
                std::snprintf(shown, sizeof shown, "%.1f", attributeNumber(cells[1 + criteria + c], "data-value"));
                EXPECT_EQ(shown, shares[r][c]);
            }
        }
    }
}

TEST(ReportPage, IsSelfContainedAndEscapesItsText) {
    TempDir root;
    const fs::path folder = root.path() / "run <3> & \"best\"";
    fs::create_directory(folder);
    copyExample("jobshop", folder);
    ASSERT_EQ(runReport(folder).status, 0);
    Page page;
    readPage((folder / "report.html").string(), page);
    EXPECT_EQ(std::string(page.select("//h1")[0].node().child_value()), "Evaluation report: run <3> & \"best\"");
    for (const char* foreign : {"script", "link", "img", "iframe", "object", "embed", "image", "use", "foreignObject"})
        EXPECT_TRUE(page.select(std::string("//") + foreign).empty()) << foreign;
    for (const pugi::xpath_node& a : page.select("//a")) EXPECT_EQ(a.node().attribute("href").value()[0], '#');
    const std::string style = page.select("//style")[0].node().child_value();
    EXPECT_EQ(style.find("url("), std::string::npos);
    EXPECT_EQ(style.find("@import"), std::string::npos);
    // The style is taken verbatim by an HTML parser, so it must not need escaping.
    EXPECT_EQ(style.find_first_of("<>&"), std::string::npos);
    const std::string text = testing_support::readFile((folder / "report.html").string());
    EXPECT_EQ(text.find("http:", text.find("<body")), text.find("http://www.w3.org/2000/svg", text.find("<body")));
}

TEST(ReportPage, PerSetChartShowsEveryContenderOnEverySetAndWhereGPWins) {
    TempDir dir;
    copyExample("uniform", dir.path());
    ASSERT_EQ(runReport(dir.path()).status, 0);
    Page page;
    readPage(dir.file("report.html"), page);
    const pugi::xml_node chart = page.select("//svg[@class='per-set']")[0].node();
    EXPECT_EQ(chart.select_nodes(".//*[contains(@class, 'point')]").size(), 10u * 3);  // 9 heuristics and GP, 3 sets
    // Set 0: GP's Twt (0) is the best heuristic value; set 1: 0.136364 against 0.0454545.
    const auto stripes = chart.select_nodes("rect[@class='gp-wins' or @class='gp-loses']");
    ASSERT_EQ(stripes.size(), 3u);
    EXPECT_STREQ(stripes[0].node().attribute("class").value(), "gp-wins");
    EXPECT_STREQ(stripes[1].node().attribute("class").value(), "gp-loses");
    EXPECT_EQ(page.select("//svg[@class='distribution']//g[contains(@class, 'box')]").size(), 10u);
}

TEST(ReportPage, WithoutGPSchedulesShowsTheHeuristicsOnly) {
    TempDir dir;
    copyExample("single", dir.path());
    fs::remove(dir.path() / "raspored_GP.txt");
    ASSERT_EQ(runReport(dir.path()).status, 0);
    Page page;
    readPage(dir.file("report.html"), page);
    EXPECT_TRUE(page.select("//tr[@class='gp']").empty());
    EXPECT_EQ(page.select("//section[@id='set-0']/figure").size(), 6u);  // EDD, WSPT, R&M, X-D R&M, MON, Nwt
    EXPECT_NE(std::string(page.select("//p[@class='facts']")[0].node().child_value()).find("(no raspored_GP.txt)"),
              std::string::npos);
}

TEST(ReportPage, SetsBeyondTheGPFileAreSaidToHaveNoGPSchedule) {
    TempDir dir;
    copyExample("single", dir.path());
    dir.write("raspored_GP.txt", "2 5\n1 3 0 4 2\n1 2 0 3 0\n");  // sets 0 and 1 of 3
    ASSERT_EQ(runReport(dir.path(), "--sets 1,2").status, 0);
    Page page;
    readPage(dir.file("report.html"), page);
    EXPECT_EQ(barsOf(page.select("//section[@id='set-1']/figure[@class='gantt gp']/svg")[0].node()).size(), 4u);
    const pugi::xml_node gp = page.select("//section[@id='set-2']/figure[@class='gantt gp']")[0].node();
    EXPECT_TRUE(gp.child("svg").empty());
    EXPECT_EQ(std::string(gp.child("figcaption").text().get()), ": raspored_GP.txt has no row for this set.");
}

TEST(ReportPage, BlockedJobShopSequencesAreReportedNotDrawn) {
    TempDir dir;
    copyExample("jobshop", dir.path());
    // Set 0: every machine starts with a job whose first operation is on another machine.
    dir.write("raspored_GP.txt",
              "3 12\n1 0 2 2 0 1 0 1 2 0 0 0\n2 0 3 1 3 1 2 0 0 0 0 0\n1 0 1 0 0 1 0 0 0 0 0 0\n");
    ASSERT_EQ(runReport(dir.path()).status, 0);
    Page page;
    readPage(dir.file("report.html"), page);
    const pugi::xml_node gp = page.select("//section[@id='set-0']/figure[@class='gantt gp']")[0].node();
    EXPECT_TRUE(barsOf(gp.child("svg")).empty());
    const std::string caption = gp.child("figcaption").text().get();
    EXPECT_NE(caption.find("9 of 9 operations never start"), std::string::npos) << caption;
}

TEST(ReportPage, LearnerLogGivesTheFitnessCurve) {
    TempDir dir;
    copyExample("single", dir.path());
    const std::string header =
        "generation,best_fitness,mean_fitness,best_size,best_depth,rules_measured\n";
    dir.write("learner_log.csv", header + "0,5,9,7,3,10\n1,4,inf,9,4,19\n2,3.5,6,9,4,28\n3,3,5");
    ASSERT_EQ(runReport(dir.path()).status, 0);
    Page page;
    readPage(dir.file("report.html"), page);
    const auto pointsOf = [&](const char* series) {
        std::vector<std::size_t> counts;
        for (const pugi::xpath_node& line : page.select(std::string("//svg[@class='learning']/polyline[@class='") +
                                                        series + "']")) {
            const std::string points = line.node().attribute("points").value();
            counts.push_back(static_cast<std::size_t>(std::count(points.begin(), points.end(), ',')));
        }
        return counts;
    };
    // The unfinished last line is left out; the infinite mean splits its line.
    EXPECT_EQ(pointsOf("best"), std::vector<std::size_t>{3});
    EXPECT_EQ(pointsOf("mean"), (std::vector<std::size_t>{1, 1}));

    dir.write("other.csv", header + "0,2,3,1,1,1\n");
    ASSERT_EQ(runReport(dir.path(), "--log other.csv --out other.html").status, 0);
    Page other;
    readPage(dir.file("other.html"), other);
    EXPECT_EQ(other.select("//svg[@class='learning']/polyline[@class='best']").size(), 1u);
    EXPECT_NE(std::string(other.select("//section[@id='learning']/p")[0].node().child_value()).find("other.csv"),
              std::string::npos);
}

// ---- bad input

void expectFailure(const RunResult& run, const std::string& message, const TempDir& dir) {
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, message);
    EXPECT_FALSE(dir.exists("report.html"));
}

TEST(ReportInput, ASetOutsideTheCollectionIsNamed) {
    TempDir dir;
    copyExample("single", dir.path());
    expectFailure(runReport(dir.path(), "--sets 0,7,2"),
                  "Set 7 is not in the collection: the definition file has 3 set(s), numbered 0 to 2.\n", dir);
    expectFailure(runReport(dir.path(), "--sets=-1"),
                  "Set -1 is not in the collection: the definition file has 3 set(s), numbered 0 to 2.\n", dir);
    expectFailure(runReport(dir.path(), "--sets 0,,2"),
                  "--sets \"0,,2\": \"\" is not a set number; give set numbers separated by commas, such as 0,3,7.\n",
                  dir);
    expectFailure(runReport(dir.path(), "--sets 1.5"),
                  "--sets \"1.5\": \"1.5\" is not a set number; give set numbers separated by commas, such as 0,3,7.\n",
                  dir);
}

TEST(ReportInput, BadSchedulesGetTheEvaluatorsMessages) {
    for (const char* example : {"uniform", "jobshop"}) {
        SCOPED_TRACE(example);
        TempDir dir;
        copyExample(example, dir.path());
        std::string gp = dir.read("raspored_GP.txt");
        gp.replace(gp.find('\n') + 1, gp.find(' ', gp.find('\n') + 2) - gp.find('\n') - 1, " 4077");
        dir.write("raspored_GP.txt", gp);
        const RunResult fitness = testing_support::runProgram(FITNESS_BIN, "summary.txt", dir.path());
        ASSERT_EQ(fitness.status, 1);
        fs::remove(dir.path() / "report.html");
        expectFailure(runReport(dir.path()), fitness.err, dir);
    }
}

TEST(ReportInput, MissingDefinitionLogOrOutputFolderIsReported) {
    TempDir dir;
    RunResult run = runReport(dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Nema ulazne datoteke! (fitness.txt)\n");
    EXPECT_FALSE(dir.exists("report.html"));

    copyExample("single", dir.path());
    expectFailure(runReport(dir.path(), "--log missing.csv"), "Learner log \"missing.csv\" cannot be read.\n", dir);
    dir.write("learner_log.csv", "generation,best\n0,1\n");
    expectFailure(runReport(dir.path()),
                  "Learner log \"learner_log.csv\", line 1: the first line must be \"generation,best_fitness,"
                  "mean_fitness,best_size,best_depth,rules_measured\".\n",
                  dir);
    fs::remove(dir.path() / "learner_log.csv");
    expectFailure(runReport(dir.path(), "--out no/such/folder.html"),
                  "Report page \"no/such/folder.html\" cannot be written: No such file or directory\n", dir);
    expectFailure(runReport(dir.path(), "--out /dev/full"),
                  "Report page \"/dev/full\" cannot be written: No space left on device\n", dir);
    run = runReport(dir.path(), "--bogus");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--bogus"), std::string::npos) << run.err;
}

}  // namespace
