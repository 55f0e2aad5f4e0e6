// Taillard's instances in the report: every contender's gap to the best-known makespan, per
// instance, per size group and over all sets, checked against a hand computation from fitness's
// own result file; sizes that are not Taillard's leave the table out.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/matrice.h"
#include "report_fixture.h"

namespace {

using namespace report_testing;
using testing_support::runProgram;
using testing_support::TempDir;

// ta01 to ta11: ten instances of 15 x 15, one of 20 x 15; no weights, no release times.
std::string taillardDefinition(const std::string& firstJobs) {
    std::string values = " 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5\n";
    return "jobshop 1\ntaillard 1\nsets 11\nmax_jobs 20\nmax_machines 15\nduration t.txt\ndeadline d.txt\n"
           "SP sp.txt\nR." + values + "T." + values + "jobs " + firstJobs +
           " 15 15 15 15 15 15 15 15 15 20\nmachines 15 15 15 15 15 15 15 15 15 15 15\n";
}

double numberOf(pugi::xml_node cell) { return std::stod(cell.attribute("data-value").value()); }

TEST(TaillardGaps, EveryContendersGapAgainstTheBestKnownMakespan) {
    TempDir dir;
    dir.write("fitness.txt", taillardDefinition("15"));
    ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed 3", dir.path()).status, 0);
    runProgram(FITNESS_BIN, "summary.txt", dir.path());  // the result files, and no GP schedules to read
    ASSERT_EQ(runReport(dir.path()).status, 0);
    Page page;
    readPage(dir.file("report.html"), page);
    const auto tables = page.select("//section[@id='taillard']/table");
    ASSERT_EQ(tables.size(), 2u);

    // By hand: ta01's work is 11671 (the duration file's first row), its best-known makespan 1231;
    // WSPT/TWKR, the second heuristic, ends ta01 at Cmax x 11671.
    Matrix results;
    results.read(dir.file("rezultat_WSPT_TWKR.txt"));
    const double makespan = std::round(results.get(0, 3) * 11671);
    const double gap = 100 * (makespan - 1231) / 1231;
    const auto instances = tables[1].node().select_nodes("tbody/tr");
    ASSERT_EQ(instances.size(), 11u);
    const pugi::xml_node ta01 = instances[0].node();
    EXPECT_EQ(std::string(ta01.child_value("td")), "ta01");
    const pugi::xml_node cell = ta01.select_node("td[4]").node();  // name, best known, WSPT, WSPT/TWKR
    EXPECT_NEAR(numberOf(cell), gap, 1e-9);

    // The means: the ten 15 x 15 instances, the one 20 x 15 and all eleven.
    const auto means = tables[0].node().select_nodes("tbody/tr");
    ASSERT_EQ(means.size(), 3u);
    EXPECT_EQ(std::string(means[0].node().child_value("td")), "15x15 (10)");
    EXPECT_EQ(std::string(means[2].node().child_value("td")), "all 11");
    double sum = 0;
    for (std::size_t i = 0; i < 11; ++i) sum += numberOf(instances[i].node().select_node("td[4]").node());
    const double last = numberOf(instances[10].node().select_node("td[4]").node());
    EXPECT_NEAR(numberOf(means[0].node().select_node("td[3]").node()), (sum - last) / 10, 1e-9);
    EXPECT_NEAR(numberOf(means[1].node().select_node("td[3]").node()), last, 1e-9);
    EXPECT_NEAR(numberOf(means[2].node().select_node("td[3]").node()), sum / 11, 1e-9);
}

TEST(TaillardGaps, SetsOfOtherSizesLeaveTheTableOut) {
    TempDir dir;
    dir.write("fitness.txt", taillardDefinition("14"));
    ASSERT_EQ(runProgram(GENERATOR_BIN, "--seed 3", dir.path()).status, 0);
    ASSERT_EQ(runReport(dir.path()).status, 0);
    Page page;
    readPage(dir.file("report.html"), page);
    EXPECT_TRUE(page.select("//section[@id='taillard']/table").empty());
    EXPECT_EQ(std::string(page.select("//section[@id='taillard']/p").first().node().child_value()),
              "The definition names Taillard's instances, but set 0 is 14x15 (jobs x machines) where ta01 is 15x15, "
              "so no gaps are shown.");
}

}  // namespace
