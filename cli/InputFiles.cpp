#include "cli/InputFiles.h"

#include "audio/WaveFiles.h"

namespace tressel::cli {

bool LoadInputAudio(CWave& wave, const std::string& path, ConsoleFeedback& feedback) {
    if (LowerCaseExtension(path) != "wav") {
        // MP3 import is not available yet: every other extension fails as the import's failure path does.
        feedback.ShowMessage("Failed to decode MP3 file");
        return false;
    }
    return LoadWaveFile(wave, path, feedback);
}

bool SaveOutputWave(CWave& wave, const std::string& path, ConsoleFeedback& feedback) {
    return SaveWaveFile(wave, path, feedback);
}

}  // namespace tressel::cli
