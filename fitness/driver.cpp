#include <array>
#include <cerrno>
#include <cstdio>
#include <string>

#include "core/output_files.h"
#include "fitness/collection.h"
#include "fitness/results.h"
#include "fitness/run_sequence.h"
#include "fitness/scheduler.h"
#include "fitness/workspace.h"

namespace {

constexpr const char* kSummaryKind = "Summary file";

// Each heuristic's headline total printed and its tables written; the compared ones recorded.
void runHeuristics(Workspace& work, Comparison& comparison) {
    forEachHeuristic(work, [&](const Heuristic& heuristic, const Matrix& schedule, const Matrix& results,
                               double total) {
        std::printf(heuristic.line, total);
        for (const KeptFile& kept : heuristic.kept) {
            if (kept.table == KeptFile::None) break;
            (kept.table == KeptFile::Results ? results : schedule).write(kept.file);
        }
        if (heuristic.label) comparison.record(heuristic.label, results);
    });
}

// The GP schedules measured, printed, written and recorded; returns their criteria.
Matrix evaluateGP(Workspace& work, Comparison& comparison) {
    const Matrix schedule = readGPSchedules(work.collection);
    Matrix results;
    std::printf("GP:\t %g\n", measureSchedules(work, schedule, results));
    results.write("rezultat_fGP.txt");
    comparison.record("GP", results);
    return results;
}

// One row per entry: the share of sets on which it reached the best value, per criterion. The
// entry labelled "GP" also appends its shares to the summary file (when there is one).
void printComparison(const Comparison& comparison, std::FILE* summary) {
    for (const Comparison::Entry& entry : comparison.entries()) {
        const std::array<double, kComparedCriteria> share = comparison.shares(entry);
        if (entry.label == "GP" && summary)
            for (double s : share) std::fprintf(summary, "\t%g", s);
        std::printf("%s\t", entry.label.c_str());
        for (double s : share) std::printf(" %5.1f\t", s);
        std::printf("\n");
        std::fflush(stdout);
    }
}

}  // namespace

bool Scheduler::run(const std::string& definitionFileName, const char* summaryFile) {
    Collection collection;
    if (!readCollection(collection, definitionFileName)) return false;
    prepareCollection(collection);
    Workspace work(collection);

    Comparison comparison;
    runHeuristics(work, comparison);
    const Matrix gp = evaluateGP(work, comparison);

    // Appended, not replaced: the file gathers run after run. The values reach it in one write
    // when it is closed.
    std::FILE* summary = summaryFile ? std::fopen(summaryFile, "a") : nullptr;
    if (summaryFile && !summary) cannotWrite(kSummaryKind, summaryFile, errno);
    if (summary)
        for (int c = 0; c < kComparedCriteria; ++c) std::fprintf(summary, "\t%g", gp.get(gp.rows - 1, c));

    std::fputs("\nDominacija: (kriteriji Twt, Uwt, Fwt, Cmax)\n", stdout);
    // Only the single machine and the job shop compare their heuristics.
    const Environment environment = collection.environment;
    if (environment == Environment::Single || environment == Environment::JobShop)
        printComparison(comparison, summary);
    if (summary) closeOrStop(summary, kSummaryKind, summaryFile);
    return true;
}
