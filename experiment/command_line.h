#pragma once

// experiment's command line: the plan and the engine that carries it out, or --collect of an
// experiment submitted before. The line of an experiment submitted to Slurm is kept in its output
// folder, so that the array's tasks and a later --collect read the very same plan from it.
#include <string>
#include <vector>

#include "experiment/plan.h"
#include "experiment/slurm_script.h"

namespace experiment {

struct Invocation {
    Plan plan;
    std::string engine = "local";
    SlurmRequest request;
    std::string collect;  // --collect OUT
    std::string taskOut;  // the hidden --task OUT RUN of an array task
    int taskRun = -1;
};

// Parses the arguments after the program's name. --help prints the help and ends the program;
// a refusal ends it with one message and status 1.
Invocation parseCommandLine(const std::vector<std::string>& arguments);

// Keeps the arguments, and the folder they were given in, in the output folder.
void storeCommand(const std::string& out, const std::vector<std::string>& arguments);

// The kept arguments parsed again, in the folder they were given in (their collection folders may
// be relative, as the summary names them), which becomes the working folder; the plan's output
// folder is `out`. Ends the program with a message when nothing is kept there.
Invocation storedCommand(const std::string& out);

}  // namespace experiment
