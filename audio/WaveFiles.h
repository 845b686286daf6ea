#pragma once
// Loading and saving the wave the way the "Load Audio" and "Save Audio" commands do, with their messages.
// The main window and the command-line tool both go through here, so they accept and write the same files.

#include <string>

#include "audio/Wave.h"

namespace tressel {

// Loads a WAV file and accepts it only as a RIFF/WAVE PCM image. On failure the wave is empty and the
// message ("Could not open file", "Not a valid Wave format", "Only PCM Wave format supported") was shown.
bool LoadWaveFile(CWave& wave, const std::string& path, Feedback& feedback);

// Writes the image back byte for byte. On failure "Could not open File" was shown.
bool SaveWaveFile(CWave& wave, const std::string& path, Feedback& feedback);

// The extension after the last dot of a file name, in lower case; empty when there is none.
std::string LowerCaseExtension(const std::string& path);

}  // namespace tressel
