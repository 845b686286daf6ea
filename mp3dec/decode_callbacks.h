#pragma once
// What a decode reports while it runs: the frame count, the decoder's messages and the PCM samples.

#include <cstdint>
#include <functional>
#include <span>

#include "mp3dec/diagnostics.h"

namespace mp3dec {

// Called with 0 once before the first frame, then with the number of frames decoded so far before each
// frame (so the first frame reports 0 again), and with -1 once after the last.
using DecodeProgressFn = std::function<void(int)>;

// Called once with the number of frames a scan of the stream finds: how far `DecodeProgressFn` will count
// when nothing stops the decode, for a caller that shows the share done.
using ExpectedFramesFn = std::function<void(std::uint32_t)>;

// Interleaved 16-bit samples (left first), in the order they were decoded.
using PcmSinkFn = std::function<void(std::span<const std::int16_t>)>;

// Each may be empty.
struct DecodeCallbacks {
    DecodeProgressFn progress;
    DiagnosticFn diagnostic;
    PcmSinkFn pcm;
    // Called once with the number of interleaved samples the stream yields when no frame is dropped, so that
    // a caller gathering them can allocate once: before the samples arrive, or (in a parallel decode whose
    // scan is still running) as soon as the scan is done.
    std::function<void(std::uint64_t)> expected_samples;
    ExpectedFramesFn expected_frames;  // at the same moment as expected_samples
};

}  // namespace mp3dec
