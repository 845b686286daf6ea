#include "workbench/AudioFiles.h"

#include <algorithm>
#include <cctype>

namespace tressel {

Result LoadWaveFile(CWave& wave, const std::string& path) {
    Result loaded = wave.Load(path);
    if (!loaded) {
        // A file that cannot be opened or read to its end gets the command's own word for it.
        return loaded.Messages().empty() ? Result::Failure("Could not open file") : loaded;
    }
    const char* refusal = nullptr;
    if (!wave.IsRiffWave()) {
        refusal = "Not a valid Wave format";
    } else if (!wave.IsPcm()) {
        refusal = "Only PCM Wave format supported";
    }
    if (refusal) {
        wave.Release();
        return Result::Failure(refusal);
    }
    return {};
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
