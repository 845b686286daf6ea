#pragma once
// Filters one channel of the wave image in place: every output is
//   convert(a * float(sum over j of h[j] * x[i - M + j]) + b * x[i])
// with M = K / 2, samples outside the data left out of the sum, and the sample values from before the call
// used throughout. The fast path computes blocks of outputs with the vector kernel on all cores; the
// literal path walks the steps one by one through a delay line. Both give the same bytes.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "audio/SampleView.h"
#include "dsp/DelayLine.h"
#include "dsp/FirKernel.h"

namespace tressel::dsp {

using tressel::ChannelSamples;

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
    // Called from stepsDone: the pass ends at its next block, leaving the channel part filtered and part
    // not, and so does every later pass. The caller puts the samples back.
    void Stop() { m_stopped = true; }
    bool Stopped() const { return m_stopped; }

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
    std::vector<double> m_contexts;
    std::atomic<bool> m_stopped{false};  // per chunk: M originals before it, K - 1 - M after it
};

}  // namespace tressel::dsp
