#include "generator/instance_generator.h"

#include <cstdio>
#include <ctime>

#include "core/definition_file.h"

namespace {

void fillColumn0(Matrix& table, const std::vector<double>& values) {
    for (std::size_t row = 0; row < values.size(); ++row) table.set(static_cast<int>(row), values[row]);
}

// max_jobs, or max_jobs * max_machines where jobs are packed by machine (the settings keep the
// product within int). A non-positive factor gives 0, a shape that init refuses.
int processingRowLength(const RunSettings& settings) {
    if (!packsJobsByMachine(settings.environment)) return settings.maxJobs;
    return settings.maxJobs > 0 && settings.maxMachines > 0 ? settings.maxJobs * settings.maxMachines : 0;
}

}  // namespace

void InstanceGenerator::generate(const std::string& definitionFileName, std::optional<std::uint32_t> seed) {
    random.seed(seed ? *seed : static_cast<std::uint32_t>(std::time(nullptr)));
    DefinitionFile file;
    if (!file.open(definitionFileName)) {
        std::printf("Nema ulazne datoteke! (%s)\n", definitionFileName.c_str());
        return;
    }
    DefinitionReader reader(file, definitionFileName);
    environment = reader.environment();
    RunSettings settings = reader.settings(environment);
    hasReleaseTimes = settings.hasReleaseTimes;
    hasWeights = settings.hasWeights;
    maxLength = settings.maxLength;
    const SetParameters parameters = reader.setParameters(settings);
    reader.requireMemoryFor(tables(settings), settings);
    allocateTables(settings);
    validateSetParameters(settings, parameters, definitionFileName);
    storeSetParameters(parameters);

    if (environment == Uniform) {
        generateSpeeds(settings);
        speeds.write(settings.machineFile);
    }
    generateProcessingTimes(settings);
    generateReleaseTimes(settings);
    generateDueDates(settings);
    generateWeights(settings);
    writeDataFiles(settings);
    file.close();
}

std::vector<ShapedTable> InstanceGenerator::tables(const RunSettings& settings) {
    const int sets = settings.sets;
    const int jobs = settings.maxJobs;
    return {
        {&dueDateRange, sets, 1},
        {&tardinessFactor, sets, 1},
        {&jobCount, sets, 1},
        {&processingSum, sets, 1},
        {&machineCount, sets, 1},
        {&speeds, sets, settings.maxMachines},
        {&processingTimes, sets, processingRowLength(settings)},
        {&dueDates, sets, jobs},
        {&weights, sets, jobs},
        {&releaseTimes, sets, jobs},
        {&speedSums, sets, 1},
        {&machineOrder, settings.maxMachines, 1},
    };
}

void InstanceGenerator::allocateTables(const RunSettings& settings) { ::allocateTables(tables(settings)); }

void InstanceGenerator::storeSetParameters(const SetParameters& parameters) {
    fillColumn0(dueDateRange, parameters.dueDateRange);
    fillColumn0(tardinessFactor, parameters.tardinessFactor);
    fillColumn0(jobCount, parameters.jobs);
    fillColumn0(machineCount, parameters.machines);
}

void InstanceGenerator::writeDataFiles(const RunSettings& settings) const {
    processingTimes.write(settings.durationFile);
    dueDates.write(settings.deadlineFile);
    if (hasReleaseTimes) releaseTimes.write(settings.readyFile);
    processingSum.write(settings.sumFile);
    if (hasWeights) weights.write(settings.weightFile);
}
