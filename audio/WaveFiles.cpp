#include "audio/WaveFiles.h"

#include <algorithm>
#include <cctype>

namespace tressel {

bool LoadWaveFile(CWave& wave, const std::string& path, Feedback& feedback) {
    if (!wave.Load(path)) {
        feedback.ShowMessage("Could not open file");
        return false;
    }
    const char* refusal = nullptr;
    if (!wave.IsRiffWave()) {
        refusal = "Not a valid Wave format";
    } else if (!wave.IsPcm()) {
        refusal = "Only PCM Wave format supported";
    }
    if (refusal) {
        feedback.ShowMessage(refusal);
        wave.Release();
        return false;
    }
    return true;
}

bool SaveWaveFile(CWave& wave, const std::string& path, Feedback& feedback) {
    if (!wave.Save(path)) {
        feedback.ShowMessage("Could not open File");
        return false;
    }
    return true;
}

std::string LowerCaseExtension(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace tressel
