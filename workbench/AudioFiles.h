#pragma once
// Loading a WAV file the way "Load Audio" does, with its messages.

#include <string>

#include "audio/Wave.h"

namespace tressel {

// Loads a WAV file and accepts it only as a RIFF/WAVE PCM image. On failure the wave is empty and the
// result says why: "Could not open file", "Not a valid Wave format", "Only PCM Wave format supported", or
// the platform's text for a read that broke off.
Result LoadWaveFile(CWave& wave, const std::string& path);

// The extension after the last dot of a file name, in lower case; empty when there is none.
std::string LowerCaseExtension(const std::string& path);

}  // namespace tressel
