#include "audio/WaveSamples.h"

#include <algorithm>
#include <utility>

#include "audio/ParallelPieces.h"
#include "audio/Wave.h"

namespace tressel {

namespace {

std::int16_t Stored8(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<int>(p[0]) - 127);
}

std::int16_t Stored16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

// One loop per layout, so the compiler sees a fixed stride and keeps it tight. Block by block, each
// block's extent is taken while its samples are still in the cache: a second pass over a long wave would
// wait on memory as long as the copy itself.
template <int Channels, int Bytes>
void Deinterleave(const std::uint8_t* data, std::int64_t begin, std::int64_t end,
                  std::vector<std::unique_ptr<std::int16_t[]>>& channels,
                  std::vector<std::vector<SampleExtent>>& extents) {
    constexpr int frameBytes = Channels * Bytes;
    constexpr std::int64_t block = WaveSamples::kExtentBlock;
    std::int16_t* out[Channels];
    for (int c = 0; c < Channels; ++c) {
        out[c] = channels[static_cast<std::size_t>(c)].get();
    }
    for (std::int64_t first = begin; first < end; first += block) {
        const std::int64_t last = std::min(first + block, end);
        for (std::int64_t f = first; f < last; ++f) {
            const std::uint8_t* frame = data + f * frameBytes;
            for (int c = 0; c < Channels; ++c) {
                out[c][f] = Bytes == 1 ? Stored8(frame + c) : Stored16(frame + c * Bytes);
            }
        }
        for (int c = 0; c < Channels; ++c) {
            extents[static_cast<std::size_t>(c)][static_cast<std::size_t>(first / block)] =
                last - first == block ? FixedExtentOf<block>(out[c] + first) : ExtentOf(out[c], first, last);
        }
    }
}

}  // namespace

double WaveSamples::Seconds() const {
    return m_sampleRate == 0 ? 0.0 : static_cast<double>(m_frames) / m_sampleRate;
}

std::shared_ptr<const WaveSamples> WaveSamples::FromWave(const CWave& wave, int threads,
                                                         std::shared_ptr<const WaveSamples> reusable) {
    if (!wave.IsPcm()) {
        return nullptr;
    }
    const std::uint8_t* image = wave.GetImage();
    const std::uint32_t length = wave.GetDataLength();
    const std::uint8_t* data = length == 0 ? image : image + wave.GetDataOffset();
    return FromInterleaved(data, length, wave.GetChannels(), wave.GetBitsPerSample(), wave.GetSamplesPerSecond(),
                           threads, std::move(reusable));
}

// Every sample and extent of reused samples is written again by the copy that follows.
std::shared_ptr<WaveSamples> WaveSamples::Allocate(int channels, std::int64_t frames,
                                                   std::shared_ptr<const WaveSamples> reusable) {
    if (reusable && reusable.use_count() == 1 && reusable->Channels() == channels && reusable->m_frames == frames) {
        // Made writable here alone: every WaveSamples is created non-const, and nobody else holds this one.
        return std::const_pointer_cast<WaveSamples>(std::move(reusable));
    }
    reusable.reset();  // its memory goes back before more is taken
    std::shared_ptr<WaveSamples> samples(new WaveSamples());
    samples->m_frames = frames;
    const auto blocks = static_cast<std::size_t>((frames + kExtentBlock - 1) / kExtentBlock);
    for (int c = 0; c < channels; ++c) {
        samples->m_channels.emplace_back(new std::int16_t[static_cast<std::size_t>(frames)]);
        samples->m_blockExtents.emplace_back(blocks);
    }
    return samples;
}

std::shared_ptr<const WaveSamples> WaveSamples::FromInterleaved(const std::uint8_t* data, std::size_t bytes,
                                                                int channels, int bitsPerSample,
                                                                std::uint32_t sampleRate, int threads,
                                                                std::shared_ptr<const WaveSamples> reusable) {
    if ((channels != 1 && channels != 2) || (bitsPerSample != 8 && bitsPerSample != 16)) {
        return nullptr;
    }
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * (bitsPerSample / 8);
    const std::shared_ptr<WaveSamples> samples =
        Allocate(channels, static_cast<std::int64_t>(bytes / frameBytes), std::move(reusable));
    samples->m_bitsPerSample = bitsPerSample;
    samples->m_sampleRate = sampleRate;
    auto& out = samples->m_channels;
    auto& extents = samples->m_blockExtents;
    const auto copy = [&](std::int64_t begin, std::int64_t end) {
        if (channels == 1) {
            bitsPerSample == 8 ? Deinterleave<1, 1>(data, begin, end, out, extents)
                               : Deinterleave<1, 2>(data, begin, end, out, extents);
        } else {
            bitsPerSample == 8 ? Deinterleave<2, 1>(data, begin, end, out, extents)
                               : Deinterleave<2, 2>(data, begin, end, out, extents);
        }
    };
    ForEachAlignedPiece(samples->m_frames, kExtentBlock, threads, copy);
    return samples;
}

}  // namespace tressel
