#include "app/OpenedFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "dsp/FilterCoefficients.h"

namespace tressel {

namespace {

// Filter files are text: a NUL byte near the start marks a binary file, whatever its lines would parse to.
bool LooksLikeText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char head[4096];
    file.read(head, sizeof head);
    return std::find(head, head + file.gcount(), '\0') == head + file.gcount();
}

bool IsFilterFile(const std::string& path) {
    CFilterCoefficients filter;
    return LooksLikeText(path) && filter.Read(path);
}

}  // namespace

OpenedFiles SortOpenedFiles(const std::vector<std::string>& paths) {
    OpenedFiles sorted;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            ++sorted.refused;
        } else if (const AudioFileKind kind = DetectAudioFileKind(path); kind != AudioFileKind::Other) {
            if (!sorted.audio) {
                sorted.audio = path;
                sorted.audioKind = kind;
            }
        } else if (IsFilterFile(path)) {
            if (!sorted.filter) {
                sorted.filter = path;
            }
        } else {
            ++sorted.refused;
        }
    }
    return sorted;
}

OpenedFiles SortDroppedUrls(const QList<QUrl>& urls) {
    std::vector<std::string> paths;
    int remote = 0;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        } else {
            ++remote;
        }
    }
    OpenedFiles sorted = SortOpenedFiles(paths);
    sorted.refused += remote;
    return sorted;
}

}  // namespace tressel
