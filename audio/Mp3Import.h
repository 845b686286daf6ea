#pragma once
// Importing an MP3 file the way "Load Audio" does: decode into a new temporary WAV file, then load that
// file as the wave. The main window and the command-line tool share it, so both accept the same files.

#include <functional>
#include <optional>
#include <string>

#include "audio/Wave.h"
#include "mp3dec/decoder.h"

namespace tressel {

// A unique file that did not exist before, created empty (as mkstemp does) with the prefix "tsl" in the
// folder named by TMP when that folder exists, otherwise in the system's temporary folder.
std::optional<std::string> CreateTemporaryFileName();

struct Mp3ImportHooks {
    std::function<void()> beforeDecode;  // the window hides here
    std::function<void()> afterDecode;   // ... and comes back here, whatever happened
    mp3dec::DecodeProgressFn progress;
    int decodeThreads = 0;  // 0: one per processor core; the decoded file is the same for every count
};

// Decodes the file at path into a temporary WAV file and loads it into the wave. temporaryName holds the
// temporary file that is left for the caller to delete later (after success, and when the file could not
// be opened); a failed decode deletes its file itself. False after one of the messages "Create temporary
// filename failed", "Open failed on temporary file" or "Failed to decode MP3 file"; the wave is empty then.
bool ImportMp3(CWave& wave, const std::string& path, Feedback& feedback, std::optional<std::string>& temporaryName,
               const Mp3ImportHooks& hooks = {});

}  // namespace tressel
