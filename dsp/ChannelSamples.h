#pragma once
// Where the samples of each channel lie in a wave's data chunk, and how one stored sample is read and
// written. Frames are interleaved, channel 1 first; 16-bit samples are little-endian and may sit at any
// byte offset, so they are assembled from bytes rather than loaded through a pointer.

#include <cstddef>
#include <cstdint>

#include "audio/Wave.h"

namespace tressel::dsp {

struct Sample8 {
    using Value = std::uint8_t;
    static constexpr int kBytes = 1;
    static constexpr Value kSilence = 127;
    static Value Load(const std::uint8_t* p) { return *p; }
    static void Store(std::uint8_t* p, Value v) { *p = v; }
};

struct Sample16 {
    using Value = std::int16_t;
    static constexpr int kBytes = 2;
    static constexpr Value kSilence = 0;
    static Value Load(const std::uint8_t* p) {
        return static_cast<Value>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    }
    static void Store(std::uint8_t* p, Value v) {
        const auto bits = static_cast<std::uint16_t>(v);
        p[0] = static_cast<std::uint8_t>(bits & 0xFF);
        p[1] = static_cast<std::uint8_t>(bits >> 8);
    }
};

// One channel of the data chunk: its first sample, the distance between its samples, and its length L.
struct ChannelSpan {
    std::uint8_t* first;
    std::size_t stride;
    std::int64_t count;
};

// The first byte of the wave's sample data; never points outside the image, even for an empty chunk.
inline std::uint8_t* SampleData(CWave& wave) {
    std::uint8_t* image = wave.GetImage();
    return wave.GetDataLength() == 0 ? image : image + wave.GetDataOffset();
}

// The data chunk of a wave with 1 or 2 channels of `bytesPerSample` bytes; incomplete last frames are left out.
inline ChannelSpan ChannelOf(std::uint8_t* data, std::uint32_t dataLength, int channels, int bytesPerSample,
                             int channel) {
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * static_cast<std::size_t>(bytesPerSample);
    return ChannelSpan{data + static_cast<std::size_t>(channel) * static_cast<std::size_t>(bytesPerSample),
                       frameBytes, static_cast<std::int64_t>(dataLength / frameBytes)};
}

}  // namespace tressel::dsp
