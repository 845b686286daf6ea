#pragma once
// Importing an MP3 file the way "Load Audio" does: the decoder writes a 16-bit WAV image, which becomes
// the wave. The window keeps that image as a temporary file ("Reload Audio" reads it again); the
// command-line tool and batch runs decode straight into memory.

#include <functional>
#include <optional>
#include <string>

#include "audio/Wave.h"
#include "mp3dec/decode_callbacks.h"
#include "mp3dec/diagnostics.h"

namespace tressel {

// A unique file that did not exist before, created empty (as mkstemp does) with the prefix "tsl" in the
// folder named by TMP when that folder exists, otherwise in the system's temporary folder.
std::optional<std::string> CreateTemporaryFileName();

struct Mp3ImportHooks {
    // Called once the temporary file is ready, just before decoding starts: the window hides here and
    // comes back when it has shown the result.
    std::function<void()> beforeDecode;
    mp3dec::DecodeProgressFn progress;
    // Called once the decoder has counted the file's frames (on the decoding thread, like `progress`,
    // though perhaps after its first reports): how far `progress` counts unless the decode stops early.
    mp3dec::ExpectedFramesFn expectedFrames;
    // Asked after every progress report: true stops the decode, which then answers Result::Cancelled(),
    // leaves no file behind and reports -1 to `progress` as a finished decode does.
    std::function<bool()> cancelRequested;
    // Where the in-memory decode's diagnostics go; unset, and always for ImportMp3, they go to the standard
    // streams as the decoder prints them.
    mp3dec::DiagnosticFn diagnostics;
    int decodeThreads = 0;  // 0: one per processor core; the samples are the same for every count
    // The original length when the encoder's tag states its delay and padding; false keeps every frame's
    // samples.
    bool gapless = true;
};

// Decodes the file at path into a temporary WAV file and loads it into the wave. temporaryName holds the
// temporary file that is left for the caller to delete later (after success, and when the file could not
// be opened); a failed decode deletes its file itself. Fails with "Create temporary filename failed",
// "Open failed on temporary file" or "Failed to decode MP3 file"; the wave is empty then.
Result ImportMp3(CWave& wave, const std::string& path, std::optional<std::string>& temporaryName,
                 const Mp3ImportHooks& hooks = {});

// Decodes the file at path straight into the wave's image, which then carries the MP3 file's name; no
// file is left behind. The same failures as ImportMp3.
Result DecodeMp3IntoWave(CWave& wave, const std::string& path, const Mp3ImportHooks& hooks = {});

}  // namespace tressel
