#pragma once
// Replaying a macro on the audio of a workbench, line by line, through the same entry points the window's
// commands use.

#include <string>
#include <vector>

#include "workbench/Macro.h"
#include "workbench/Workbench.h"

namespace tressel {

// Where the save and encode lines of a run write: their templates over the input's name, in `outFolder`
// or beside the input.
struct MacroOutputPlace {
    std::string inputPath;
    std::string outFolder;
};

// The files the macro writes for one input, in the order of its save and encode lines.
std::vector<std::string> PlannedOutputs(const Macro& macro, const MacroOutputPlace& place);

// Refuses, before anything runs, outputs that would overwrite one of `inputs` or each other. `inputs`
// and `outputs` (one list per input) are compared as the files they name.
Result CheckOutputsAreDistinct(const std::vector<std::string>& inputs,
                               const std::vector<std::vector<std::string>>& outputs);

// Runs every line on the loaded audio in order and stops at the first failure. Nothing runs without a
// PCM wave ("No valid Wave file loaded") or when an output would overwrite the input or another output.
// Files are written whole or not at all; a missing folder of an output is created.
Result RunMacro(Workbench& workbench, const Macro& macro, const MacroOutputPlace& place);

}  // namespace tressel
