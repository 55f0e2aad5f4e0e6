// An experiment's files read back as written, and the report's section drawn from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include <pugixml.hpp>

#include "core/learning_log.h"
#include "report/experiment_section.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

// Three runs, the second failed, two heuristics and three sets; awkward text in a rule and a message.
report::ExperimentData sampleData() {
    report::ExperimentData data;
    data.headline = "Twt";
    data.criteria = {"Twt", "Uwt", "Fwt", "Cmax"};
    data.hasValidation = true;
    data.sets = 3;
    data.baselines = {{"EDD", 0.1 + 0.2, {0.1, 0.2, 0.0}}, {"X-D R&M", 1.0 / 3, {1e-17, 0.3, 1.0 / 30}}};
    report::RunRow first{0, 7, true, 2.5, 2.75, {0.25, 0.5, 9.125, 3}, {0.125, 0.0625, 0.0625}, 5, 3, 1.5,
                         "max(w, p) / \"x\"", ""};
    report::RunRow failed{1, 8, false, 0, 0, {}, {}, 0, 0, 0.25, "", "learner: bad, \"quoted\"\nsecond line"};
    report::RunRow third{2, 9, true, 2.25, 2.5, {0.375, 0.5, 8, 3}, {0.125, 0.125, 0.125}, 3, 2, 2, "w / p", ""};
    data.runs = {first, failed, third};
    return data;
}

void writeExperiment(const TempDir& dir, const report::ExperimentData& data, int generations) {
    dir.write(report::kRunsFile, report::runsCsv(data));
    dir.write(report::kSetsFile, report::setsCsv(data));
    for (const report::RunRow& run : data.runs) {
        const std::string folder = report::runFolderName(run.run, 3);
        std::filesystem::create_directory(dir.path() / folder);
        std::string log = std::string(learning_log::kHeader) + "\n";
        for (int g = 1; g <= generations; ++g) {
            char row[64];
            std::snprintf(row, sizeof row, "%d,%d,12,5,3,%d\n", g, 10 - g - run.run, g * 10);
            log += row;
        }
        dir.write(folder + "/" + learning_log::kDefaultFile, log);
    }
}

TEST(ExperimentFiles, ReadBackAsWritten) {
    const TempDir dir;
    const report::ExperimentData written = sampleData();
    writeExperiment(dir, written, 2);
    const report::ExperimentData read = report::readExperiment(dir.path().string());
    EXPECT_EQ(read.headline, "Twt");
    EXPECT_EQ(read.criteria, written.criteria);
    EXPECT_TRUE(read.hasValidation);
    EXPECT_EQ(read.sets, 3);
    ASSERT_EQ(read.baselines.size(), 2u);
    for (std::size_t b = 0; b < 2; ++b) {
        EXPECT_EQ(read.baselines[b].name, written.baselines[b].name);
        EXPECT_EQ(read.baselines[b].total, written.baselines[b].total);
        EXPECT_EQ(read.baselines[b].testSets, written.baselines[b].testSets);
    }
    ASSERT_EQ(read.runs.size(), 3u);
    for (std::size_t r = 0; r < 3; ++r) {
        const report::RunRow& a = read.runs[r];
        const report::RunRow& b = written.runs[r];
        EXPECT_EQ(a.finished, b.finished);
        EXPECT_EQ(a.test, b.test);
        EXPECT_EQ(a.testSets, b.testSets);
        EXPECT_EQ(a.validation, b.validation);
        EXPECT_EQ(a.rule, b.rule);
        EXPECT_EQ(a.seconds, b.seconds);
    }
    EXPECT_EQ(read.runs[1].message, "learner: bad, \"quoted\" second line");
    EXPECT_EQ(report::runFolderName(7, 10), "run-07");
    EXPECT_EQ(report::runFolderName(7, 101), "run-007");
}

TEST(ExperimentSection, DrawsEveryRunHeuristicAndGeneration) {
    const TempDir dir;
    writeExperiment(dir, sampleData(), 4);
    const report::ExperimentView view = report::readExperimentView(dir.path().string());
    ASSERT_EQ(view.logs.size(), 2u);  // the finished runs'
    pugi::xml_document page;
    report::experimentSection(page.append_child("body"), view);
    EXPECT_EQ(page.select_nodes("//svg[@class='experiment-totals']//circle").size(), 2u);
    EXPECT_EQ(page.select_nodes("//g[@class='baseline']").size(), 2u);
    EXPECT_EQ(page.select_nodes("//table[contains(@class, 'experiment-tests')]/tbody/tr").size(), 2u);
    const std::string median =
        page.select_node("//svg[@class='experiment-learning']/polyline").node().attribute("points").value();
    EXPECT_EQ(std::count(median.begin(), median.end(), ','), 4);  // a point per generation
    // p as the summary file prints it: four significant digits.
    const std::string p =
        page.select_node("//table[contains(@class, 'experiment-tests')]/tbody/tr[1]/td[6]").node().child_value();
    EXPECT_EQ(p.rfind(report::probabilityText(view.summary.baselines[0].runs.p) + " (", 0), 0u) << p;
    EXPECT_EQ(report::probabilityText(0.000154321), "0.0001543");
    EXPECT_EQ(report::probabilityText(7.7899e-10), "7.79e-10");
}

}  // namespace
