#pragma once
// Filters one channel of the wave image in place: every output is
//   convert(a * float(sum over j of h[j] * x[i - M + j]) + b * x[i])
// with M = K / 2, samples outside the data left out of the sum, and the sample values from before the call
// used throughout. The fast path computes blocks of outputs with the vector kernel on all cores; the
// literal path walks the steps one by one through a delay line. Both give the same bytes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "dsp/DelayLine.h"
#include "dsp/FirKernel.h"
#include "dsp/SampleConversion.h"

namespace tressel::dsp {

// One channel of interleaved samples inside the image.
struct ChannelSamples {
    std::uint8_t* first = nullptr;  // the channel's byte(s) in the first frame
    std::ptrdiff_t stride = 0;      // bytes from one frame to the next
    bool sixteenBit = false;
    std::int64_t length = 0;        // L, samples of this channel

    // The centred value of sample i: byte - 127, or the signed 16-bit value.
    int Read(std::int64_t i) const {
        const std::uint8_t* p = first + i * stride;
        if (sixteenBit) {
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
        }
        return static_cast<int>(p[0]) - 127;
    }
    // Stores a processed value as sample i, clipped to the sample range.
    void Write(std::int64_t i, float value) const {
        std::uint8_t* p = first + i * stride;
        if (sixteenBit) {
            const auto bits = static_cast<std::uint16_t>(ToSample16(value));
            p[0] = static_cast<std::uint8_t>(bits & 0xFF);
            p[1] = static_cast<std::uint8_t>(bits >> 8);
        } else {
            p[0] = ToSample8(value);
        }
    }
};

struct MixLevels {
    float filtered = 1.0f;  // a
    float original = 0.0f;  // b
};

// How the engine runs; process-wide so tests and benchmarks can force a path.
struct FirEngineSettings {
    bool literal = false;                 // step by step through the delay line, one core
    bool autoKernel = true;               // otherwise `kernel`
    FirKernelKind kernel = FirKernelKind::Scalar;
    int threads = 0;                      // 0: one per core when the work is large enough
    int blockSize = 8192;                 // outputs per kernel call, rounded to whole register blocks
};
FirEngineSettings& GetFirEngineSettings();

// Told "every step up to and including this one is done"; steps run from -(M + 1) to L - 1 as in the
// step-by-step algorithm. Called on the thread that called Filter, with increasing values.
using StepsDone = std::function<void(std::int64_t lastStep)>;

class FirEngine {
public:
    // Allocates everything the passes need (throws std::bad_alloc), so a pass itself cannot fail half-way.
    // Every channel passed to Filter must have `channelLength` samples.
    FirEngine(const double* taps, int count, MixLevels levels, std::int64_t channelLength);
    ~FirEngine();
    FirEngine(const FirEngine&) = delete;
    FirEngine& operator=(const FirEngine&) = delete;

    void Filter(const ChannelSamples& channel, const StepsDone& stepsDone);

    int HalfLength() const { return m_half; }

private:
    struct Worker;
    struct Pass;

    void FilterLiteral(const ChannelSamples& channel, const StepsDone& stepsDone);
    void FilterBlocks(const ChannelSamples& channel, const StepsDone& stepsDone);
    void SaveNeighbours(const ChannelSamples& channel);
    void RunChunks(Pass& pass, Worker& worker, bool reportProgress, const StepsDone& stepsDone);
    void FilterChunk(Pass& pass, Worker& worker, std::int64_t chunk, bool reportProgress,
                     const StepsDone& stepsDone);
    float EdgeSum(const ChannelSamples& channel, std::int64_t i) const;
    float Mix(float sum, int original) const;
    void MixInto(float* sums, const double* originals, std::int64_t outputs) const;

    const double* m_taps;
    int m_count;       // K
    int m_half;        // M
    MixLevels m_levels;
    FirEngineSettings m_settings;
    FirKernel m_kernel;
    std::unique_ptr<CDelayLine> m_delayLine;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::int64_t m_channelLength;
    std::int64_t m_blockOutputs = 0;
    std::vector<std::int64_t> m_chunkStarts;  // chunk c covers [m_chunkStarts[c], m_chunkStarts[c + 1])
    std::vector<float> m_edgeSums;
    std::vector<double> m_contexts;  // per chunk: M originals before it, K - 1 - M after it
};

}  // namespace tressel::dsp
