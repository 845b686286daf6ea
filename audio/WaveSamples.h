#pragma once
// The samples of one state of the wave, copied out of its image so that a picture of them can be kept
// while the wave goes on changing, is released or is loaded anew. Each channel lies on its own as 16-bit
// values; an 8-bit sample is kept as byte - 127, the centre the processing uses, so both sizes share one
// path and nothing is lost.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "audio/SampleExtent.h"

class CWave;

namespace tressel {

class WaveSamples {
public:
    // Frames per block extent; the copy finds the extents while the samples are still in the cache.
    static constexpr std::int64_t kExtentBlock = 64;

    // The data chunk of a loaded PCM wave of 1 or 2 channels and 8 or 16 bits; nullptr for anything else,
    // which has no samples to show.
    //
    // `reusable`: samples that are no longer wanted. When nothing else holds them and they have the same
    // channels and frames, the copy goes into their memory instead of fresh memory, whose first touch
    // costs a long wave more than the copy itself.
    static std::shared_ptr<const WaveSamples> FromWave(const CWave& wave, int threads = 0,
                                                       std::shared_ptr<const WaveSamples> reusable = nullptr);
    // Interleaved sample bytes laid out as in a data chunk; an incomplete last frame is left out. nullptr
    // for a layout other than 1 or 2 channels of 8 or 16 bits. `threads` 0 uses every core.
    static std::shared_ptr<const WaveSamples> FromInterleaved(const std::uint8_t* data, std::size_t bytes,
                                                              int channels, int bitsPerSample,
                                                              std::uint32_t sampleRate, int threads = 0,
                                                              std::shared_ptr<const WaveSamples> reusable = nullptr);

    int Channels() const { return static_cast<int>(m_channels.size()); }
    int BitsPerSample() const { return m_bitsPerSample; }
    std::uint32_t SampleRate() const { return m_sampleRate; }
    std::int64_t Frames() const { return m_frames; }
    double Seconds() const;
    std::span<const std::int16_t> Channel(int channel) const {
        return {m_channels[static_cast<std::size_t>(channel)].get(), static_cast<std::size_t>(m_frames)};
    }
    // The extent of each block of kExtentBlock frames of a channel, the last block possibly shorter.
    std::span<const SampleExtent> BlockExtents(int channel) const {
        return m_blockExtents[static_cast<std::size_t>(channel)];
    }
    // The size of a full-scale sample: 128 for 8 bits, 32768 for 16 bits.
    double FullScale() const { return m_bitsPerSample == 8 ? 128.0 : 32768.0; }

private:
    WaveSamples() = default;
    static std::shared_ptr<WaveSamples> Allocate(int channels, std::int64_t frames,
                                                 std::shared_ptr<const WaveSamples> reusable);

    // Left uninitialised until the copy writes them, so each page is first touched by the thread that
    // fills it rather than once more for zeros.
    std::vector<std::unique_ptr<std::int16_t[]>> m_channels;
    std::vector<std::vector<SampleExtent>> m_blockExtents;
    int m_bitsPerSample = 16;
    std::uint32_t m_sampleRate = 0;
    std::int64_t m_frames = 0;
};

}  // namespace tressel
