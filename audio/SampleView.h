#pragma once
// The samples of a wave image, addressed by channel and index. Frames are interleaved, channel 1 first;
// 16-bit samples are little-endian and may sit at any byte offset, so they are assembled from bytes
// rather than loaded through a pointer. FIR, median, amplification, the spectrum, the MP3 export and the
// sound output all reach the samples through here.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "audio/SampleConversion.h"
#include "audio/WaveFormat.h"

namespace tressel {

// The two stored sample types, for code that works on stored values (the median, the peak measurement).
struct Unsigned8Samples {
    using Value = std::uint8_t;
    static constexpr int kBytes = 1;
    static constexpr Value kSilence = kCentre8;
    static Value Load(const std::uint8_t* p) { return *p; }
    static void Store(std::uint8_t* p, Value v) { *p = v; }
    static int Centred(Value v) { return static_cast<int>(v) - kCentre8; }
};

struct Signed16Samples {
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
    static int Centred(Value v) { return v; }
};

// One channel of interleaved samples inside the image; `Byte` is const for a view that only reads.
template <typename Byte>
struct BasicChannelSamples {
    Byte* first = nullptr;       // the channel's byte(s) in the first frame
    std::ptrdiff_t stride = 0;  // bytes from one frame to the next
    bool sixteenBit = false;
    std::int64_t length = 0;  // L, samples of this channel

    Byte* At(std::int64_t i) const { return first + i * stride; }

    // The centred value of sample i: byte - 127, or the signed 16-bit value.
    int Read(std::int64_t i) const {
        return sixteenBit ? Signed16Samples::Load(At(i)) : Unsigned8Samples::Centred(*At(i));
    }
    // Stores a processed value as sample i, clipped to the sample range.
    void Write(std::int64_t i, float value) const
        requires(!std::is_const_v<Byte>)
    {
        if (sixteenBit) {
            Signed16Samples::Store(At(i), ToSample16(value));
        } else {
            *At(i) = ToSample8(value);
        }
    }
};

template <typename Byte>
class BasicSampleView {
public:
    // The data chunk of `image` as `format` describes it. The format must have passed CheckSampleFormat;
    // an empty data chunk gives channels of length 0 that point at the image itself, never past it.
    BasicSampleView(Byte* image, const WaveFormat& format)
        : m_data(format.dataLength == 0 ? image : image + format.dataOffset),
          m_channels(format.channels),
          m_sixteenBit(format.bitsPerSample == 16),
          m_frames(format.Frames()) {}

    int Channels() const { return m_channels; }
    bool SixteenBit() const { return m_sixteenBit; }
    std::int64_t Frames() const { return m_frames; }
    int BytesPerSample() const { return m_sixteenBit ? 2 : 1; }

    BasicChannelSamples<Byte> Channel(int index) const {
        const std::ptrdiff_t frameBytes = static_cast<std::ptrdiff_t>(m_channels) * BytesPerSample();
        return {m_data + static_cast<std::ptrdiff_t>(index) * BytesPerSample(), frameBytes, m_sixteenBit, m_frames};
    }
    // Every sample of the whole frames in stored order, channels interleaved.
    BasicChannelSamples<Byte> Interleaved() const {
        return {m_data, BytesPerSample(), m_sixteenBit, m_frames * m_channels};
    }
    // The bytes of the whole frames (what a sound device plays).
    std::int64_t Bytes() const { return m_frames * m_channels * BytesPerSample(); }

private:
    Byte* m_data;
    int m_channels;
    bool m_sixteenBit;
    std::int64_t m_frames;
};

using ChannelSamples = BasicChannelSamples<std::uint8_t>;
using SampleView = BasicSampleView<std::uint8_t>;
using ConstSampleView = BasicSampleView<const std::uint8_t>;

}  // namespace tressel
