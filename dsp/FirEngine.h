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

// Samples that come into the image over time, and outputs that may leave it as soon as they are final.
class FirStream {
public:
    virtual ~FirStream() = default;
    // Returns once the first `frames` frames of every channel are in the image; false when they never will
    // be (the input broke off), and the pass then stops where it is.
    virtual bool AwaitFrames(std::int64_t frames) = 0;
    // Every output of every channel before frame `frames` is final. Increasing values, one call at a time,
    // from whichever thread finished the work.
    virtual void FramesFinished(std::int64_t frames) = 0;
};

// How a streamed pass is cut up: several channels side by side, and chunks small enough that the threads
// start on the first samples and the first outputs are final early.
struct FirPassShape {
    int channels = 1;
    std::int64_t maximumChunk = 0;  // outputs a thread takes at once; 0: a falling share of what is left
};

class FirEngine {
public:
    // Allocates everything the passes need (throws std::bad_alloc), so a pass itself cannot fail half-way.
    // Every channel passed to Filter must have `channelLength` samples.
    FirEngine(const double* taps, int count, MixLevels levels, std::int64_t channelLength,
              FirPassShape shape = {});
    ~FirEngine();
    FirEngine(const FirEngine&) = delete;
    FirEngine& operator=(const FirEngine&) = delete;

    void Filter(const ChannelSamples& channel, const StepsDone& stepsDone);
    // All the channels (at most shape.channels, each of `channelLength` samples) in one pass whose inputs
    // arrive through `stream`; the same bytes as Filter on each in turn. False when the stream broke off.
    bool FilterStreamed(const std::vector<ChannelSamples>& channels, FirStream& stream);
    // Called from stepsDone: the pass ends at its next block, leaving the channel part filtered and part
    // not, and so does every later pass. The caller puts the samples back.
    void Stop() { m_stopped = true; }
    bool Stopped() const { return m_stopped; }

    int HalfLength() const { return m_half; }

private:
    struct Worker;
    struct Pass;
    struct StreamedPass;
    using BlockDone = std::function<void(std::int64_t outputs)>;

    void FilterLiteral(const ChannelSamples& channel, const StepsDone& stepsDone);
    void FilterBlocks(const ChannelSamples& channel, const StepsDone& stepsDone);
    void SaveNeighbours(const ChannelSamples& channel);
    void SaveStartEdges(const ChannelSamples& channel, int channelIndex);
    void SaveEndEdges(const ChannelSamples& channel, int channelIndex);
    void SaveBefore(const ChannelSamples& channel, int channelIndex, std::size_t chunk);
    void SaveAfter(const ChannelSamples& channel, int channelIndex, std::size_t chunk);
    void WriteEdges(const ChannelSamples& channel, int channelIndex);
    double* ContextOf(int channelIndex, std::size_t chunk);
    std::size_t ChunkCount() const { return m_chunkStarts.size() - 1; }
    void RunChunks(Pass& pass, Worker& worker, bool reportProgress, const StepsDone& stepsDone);
    void RunStreamedTasks(StreamedPass& pass, Worker& worker);
    bool PrepareStreamedChunk(StreamedPass& pass, std::size_t chunk);
    void FinishStreamedTask(StreamedPass& pass, std::size_t task);
    void RunWorkers(const std::function<void(Worker&, bool first)>& work);
    void FilterChunk(const ChannelSamples& channel, Worker& worker, std::size_t chunk, const double* context,
                     const BlockDone& blockDone);
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
    int m_shapeChannels = 1;
    std::vector<float> m_edgeSums;   // per channel: the sums before the kernel's outputs, then those after
    std::vector<double> m_contexts;  // per channel and chunk: M originals before it, K - 1 - M after it
    std::atomic<bool> m_stopped{false};  // a stop asked for from stepsDone
};

}  // namespace tressel::dsp
