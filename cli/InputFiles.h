#pragma once
// Inputs and outputs of the subcommands, treated as the main window's "Load Audio" and "Save Audio" do.

#include <string>

#include "audio/Wave.h"
#include "cli/ConsoleFeedback.h"

namespace tressel::cli {

// Loads IN into the wave as "Load Audio" would; false (message shown) when it is refused.
bool LoadInputAudio(CWave& wave, const std::string& path, ConsoleFeedback& feedback);

// Writes the wave as "Save Audio" writes a WAV file; false (message shown) on failure.
bool SaveOutputWave(CWave& wave, const std::string& path, ConsoleFeedback& feedback);

}  // namespace tressel::cli
