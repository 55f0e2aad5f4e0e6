#include "generator/drawn_tables.h"

#include <charconv>

#include "generator/instance_generator.h"

namespace {

// Each value as the data file holds it: written in six digits and read back.
Matrix asWritten(Matrix table) {
    for (int row = 0; row < table.rows; ++row) {
        double* values = table.rowData(row);
        for (int col = 0; col < table.cols; ++col) {
            char text[32];
            std::from_chars(text, formatG(text, values[col]), values[col]);
        }
    }
    return table;
}

}  // namespace

bool drawTables(const std::string& definitionPath, std::uint32_t seed, DrawnTables& tables) {
    InstanceGenerator drawn;
    if (!drawn.draw(definitionPath, seed, InstanceGenerator::DataFiles::Kept)) return false;
    tables = {asWritten(std::move(drawn.jobCount)),     asWritten(std::move(drawn.processingSum)),
              asWritten(std::move(drawn.processingTimes)), asWritten(std::move(drawn.dueDates)),
              asWritten(std::move(drawn.weights)),      asWritten(std::move(drawn.releaseTimes)),
              asWritten(std::move(drawn.machineCount)), asWritten(std::move(drawn.speeds))};
    return true;
}
