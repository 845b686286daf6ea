#pragma once
// The header values of a wave image, read once when an operation starts. The image stays the only place
// they are kept: a data chunk that overlaps the header (its "data" id found inside it) has header bytes
// rewritten by processing, so each operation reads the format afresh and keeps the values it started with.

#include <cstdint>
#include <optional>

#include "audio/Result.h"

namespace tressel {

struct WaveFormat {
    bool riffWave = false;  // "RIFF" at 0 and "WAVEfmt " at 8
    bool pcm = false;       // format tag 1
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint16_t bitsPerSample = 0;
    // D: the offset of the first sample byte, 8 past the first "data" anywhere in the image; the image
    // length plus 8 when there is none.
    std::int32_t dataOffset = 0;
    // The declared data size, cut to the bytes present after D.
    std::uint32_t dataLength = 0;

    int BytesPerSample() const { return bitsPerSample / 8; }
    std::uint32_t FrameBytes() const { return static_cast<std::uint32_t>(channels) * (bitsPerSample / 8u); }
    // Whole frames in the data chunk; the bytes of an incomplete last frame are never touched.
    std::int64_t Frames() const { return FrameBytes() == 0 ? 0 : dataLength / FrameBytes(); }
};

// Reads the format at the fixed offsets of a canonical header. Values that lie past the end of the image
// read as 0; nothing outside the image is read. No image (length 0, not loaded) gives an all-zero format.
WaveFormat ParseWaveFormat(const std::uint8_t* image, std::uint32_t length, bool loaded = true);
// The same format from the first `available` bytes of an image of `length` bytes, when they settle it: the
// first "data" and its size lie inside them. Nothing when the rest of the image could still change it.
std::optional<WaveFormat> ParseWaveFormatFromStart(const std::uint8_t* start, std::uint32_t available,
                                                   std::uint32_t length);

// The check every sample operation starts with: "1 or 2 channels expected", then "8 or 16 bits expected".
Result CheckSampleFormat(const WaveFormat& format);

}  // namespace tressel
