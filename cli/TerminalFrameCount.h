#pragma once
// "Frames Decoded: N" on a terminal while an MP3 file is decoded, and the share done once the decoder has
// counted the file's frames: "Frames Decoded: 1200 of 4800, 25 %". The line is cleared when the decode ends.

#include <cstdint>
#include <memory>

#include "mp3dec/decode_callbacks.h"

namespace tressel::cli {

struct FrameCountHooks {
    mp3dec::DecodeProgressFn progress;
    mp3dec::ExpectedFramesFn expectedFrames;
};

// The decoder's hooks that draw the count on standard error; they share it between them.
FrameCountHooks TerminalFrameCount();

}  // namespace tressel::cli
