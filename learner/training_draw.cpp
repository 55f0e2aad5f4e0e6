#include "learner/training_draw.h"

#include "core/fatal.h"
#include "generator/drawn_tables.h"

namespace gp {

std::string drawProblem(const Collection& training) {
    if (training.hasConstraints)
        return "the precedence constraints of \"" + training.constraintsFileName + "\" cannot be drawn afresh";
    if (training.taillard) return "Taillard's instances are the same in every draw";
    return "";
}

Collection drawnLike(const Collection& training, const std::string& definitionPath, std::uint32_t seed) {
    DrawnTables drawn;
    if (!drawTables(definitionPath, seed, drawn))
        fatalError("learner: the definition \"" + definitionPath + "\" cannot be read again to draw training sets.");
    Collection sets = training;
    sets.jobCount = std::move(drawn.jobCount);
    sets.processingSum = std::move(drawn.processingSum);
    sets.processingTimes = std::move(drawn.processingTimes);
    sets.dueDates = std::move(drawn.dueDates);
    if (training.environment != Environment::Single) sets.machineCount = std::move(drawn.machineCount);
    if (training.hasWeights) sets.weights = std::move(drawn.weights);
    if (training.hasReleaseTimes) sets.releaseTimes = std::move(drawn.releaseTimes);
    if (training.environment == Environment::Uniform) sets.speeds = std::move(drawn.speeds);
    if (training.environment == Environment::Uniform || training.environment == Environment::Unrelated)
        for (int set = 0; set < sets.sets(); ++set) sets.requireSchedulableSet(set);
    deriveTables(sets);
    return sets;
}

}  // namespace gp
