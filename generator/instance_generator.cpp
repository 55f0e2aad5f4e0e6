#include "generator/instance_generator.h"

#include <cstdio>
#include <ctime>

#include "core/definition_file.h"
#include "core/output_files.h"

namespace {

constexpr const char* kDataFileKind = "Matrix file";

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

bool InstanceGenerator::generate(const std::string& definitionFileName, std::optional<std::uint32_t> seed) {
    const std::optional<RunSettings> settings =
        draw(definitionFileName, seed ? *seed : static_cast<std::uint32_t>(std::time(nullptr)), DataFiles::Written);
    if (!settings) return false;
    writeDataFiles(*settings);
    return true;
}

std::optional<RunSettings> InstanceGenerator::draw(const std::string& definitionFileName, std::uint32_t seed,
                                                   DataFiles files) {
    random.seed(seed);
    DefinitionFile file;
    if (!file.open(definitionFileName)) {
        std::printf("Nema ulazne datoteke! (%s)\n", definitionFileName.c_str());
        return std::nullopt;
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
    if (files == DataFiles::Written)
        for (const DataFile& data : dataFiles(settings)) requireWritable(data.name, kDataFileKind);

    if (environment == Uniform) generateSpeeds(settings);
    generateProcessingTimes(settings);
    generateReleaseTimes(settings);
    generateDueDates(settings);
    generateWeights(settings);
    return settings;
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

std::vector<InstanceGenerator::DataFile> InstanceGenerator::dataFiles(const RunSettings& settings) const {
    std::vector<DataFile> files;
    if (environment == Uniform) files.push_back({settings.machineFile, &speeds});
    files.push_back({settings.durationFile, &processingTimes});
    files.push_back({settings.deadlineFile, &dueDates});
    if (hasReleaseTimes) files.push_back({settings.readyFile, &releaseTimes});
    files.push_back({settings.sumFile, &processingSum});
    if (hasWeights) files.push_back({settings.weightFile, &weights});
    return files;
}

// All or nothing: a file that cannot be written leaves every data file of the folder as it was.
void InstanceGenerator::writeDataFiles(const RunSettings& settings) const {
    OutputFiles files(kDataFileKind);
    for (const DataFile& data : dataFiles(settings)) files.add(data.name, data.table->text());
    files.commit();
}
