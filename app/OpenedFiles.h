#pragma once
// Files handed to the main window from outside (dropped on it, or named on the command line), sorted by
// what they hold rather than by their names: audio (WAV or MP3), a filter file (text with at least three
// taps), or refused (not a local file, a folder, gone, or neither of the two).

#include <QList>
#include <QUrl>
#include <optional>
#include <string>
#include <vector>

#include "workbench/AudioFiles.h"

namespace tressel {

struct OpenedFiles {
    std::optional<std::string> audio;   // the first audio file
    AudioFileKind audioKind = AudioFileKind::Other;
    std::optional<std::string> filter;  // the first filter file
    int refused = 0;                    // the files that are neither
};

OpenedFiles SortOpenedFiles(const std::vector<std::string>& paths);
// A URL that is not a local file counts as refused.
OpenedFiles SortDroppedUrls(const QList<QUrl>& urls);

}  // namespace tressel
