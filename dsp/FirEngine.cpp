#include "dsp/FirEngine.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "audio/ThreadBudget.h"
#include "dsp/FirChunkPlan.h"


namespace tressel::dsp {

namespace {

// Below this many multiply-adds a second thread costs more than it saves.
constexpr std::int64_t kThreadingThreshold = std::int64_t{1} << 22;
constexpr int kMaximumThreads = 64;
// Kernel inputs start on this boundary, so no vector load straddles two cache lines.
constexpr std::size_t kWindowAlignment = 64;

int AvailableCores() {
    const unsigned cores = std::thread::hardware_concurrency();
    return WithinThreadBudget(cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaximumThreads)));
}

struct OutputRange {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

// The outputs the kernel computes. With finite taps that is all of them: a missing neighbour counted as
// 0.0 adds exactly nothing, the sum keeps its +0.0 until the first real term and its value after the last
// one. An infinite or not-a-number tap times 0.0 would add not-a-number, so then the kernel computes only
// the outputs whose window lies inside the data and those near the ends are summed apart.
OutputRange KernelOutputs(const double* taps, int count, std::int64_t length) {
    if (std::all_of(taps, taps + count, [](double tap) { return std::isfinite(tap); })) {
        return {0, length};
    }
    const int half = count / 2;
    const std::int64_t first = std::min<std::int64_t>(half, length);
    return {first, std::max(first, length - (count - 1 - half))};
}

// One thread per core when the work is large enough, never more threads than blocks.
int ThreadsFor(const FirEngineSettings& settings, std::int64_t outputs, int count, std::int64_t blockOutputs) {
    const int threads = settings.threads > 0 ? std::min(settings.threads, kMaximumThreads)
                                             : (outputs * count >= kThreadingThreshold ? AvailableCores() : 1);
    return static_cast<int>(std::min<std::int64_t>(threads, (outputs + blockOutputs - 1) / blockOutputs));
}

template <bool SixteenBit>
int ReadSample(const std::uint8_t* p) {
    if constexpr (SixteenBit) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    } else {
        return static_cast<int>(p[0]) - 127;
    }
}

// The sample values before the pass, 0.0 outside the data.
double OriginalOrZero(const ChannelSamples& channel, std::int64_t n) {
    return n >= 0 && n < channel.length ? channel.Read(n) : 0.0;
}

// Doubles starting on the window alignment.
class AlignedDoubles {
public:
    void Resize(std::size_t count) {
        m_storage.resize(count + kWindowAlignment / sizeof(double));
        const auto address = reinterpret_cast<std::uintptr_t>(m_storage.data());
        m_first = m_storage.data() + (kWindowAlignment - address % kWindowAlignment) % kWindowAlignment /
                                         sizeof(double);
    }
    double* Data() { return m_first; }

private:
    std::vector<double> m_storage;
    double* m_first = nullptr;
};

// Where the originals of one block come from once the image around it may have been overwritten.
struct BlockSources {
    const ChannelSamples& channel;
    const double* before;    // [start - M, start): kept from the previous block or the chunk's context
    const double* after;     // [chunkEnd, chunkEnd + K - 1 - M): the chunk's context
    std::int64_t start;      // the block's first output
    std::int64_t chunkEnd;
    int half;
    int tail;
};

// The block's inputs in the kernel's stripe layout: stripe l starts at sample start - M + l * stripe. Past
// the last sample any output of the block reads, the stripes are filled with 0.0.
template <bool SixteenBit>
void FillWindow(const BlockSources& from, std::int64_t stripe, int lanes, double* window) {
    const std::int64_t span = stripe + from.half + from.tail;
    for (int l = 0; l < lanes; ++l) {
        const std::int64_t n0 = from.start - from.half + l * stripe;
        double* column = window + l;
        const std::int64_t fromImage = std::clamp<std::int64_t>(from.start - n0, 0, span);
        const std::int64_t fromAfter = std::clamp<std::int64_t>(from.chunkEnd - n0, fromImage, span);
        const std::int64_t fromZero = std::clamp<std::int64_t>(from.chunkEnd + from.tail - n0, fromAfter, span);
        std::int64_t q = 0;
        for (; q < fromImage; ++q) {
            column[q * lanes] = from.before[n0 + q - (from.start - from.half)];
        }
        if (q < fromAfter) {
            const std::uint8_t* p = from.channel.first + (n0 + q) * from.channel.stride;
            for (; q < fromAfter; ++q, p += from.channel.stride) {
                column[q * lanes] = ReadSample<SixteenBit>(p);
            }
        }
        for (; q < fromZero; ++q) {
            column[q * lanes] = from.after[n0 + q - from.chunkEnd];
        }
        for (; q < span; ++q) {
            column[q * lanes] = 0.0;
        }
    }
}

// The M originals before output `outputs` of the block, taken from its window.
void KeepBefore(const double* window, std::int64_t outputs, std::int64_t stripe, int lanes, int half,
                double* before) {
    for (int k = 0; k < half; ++k) {
        const std::int64_t offset = outputs + k;
        const std::int64_t lane = std::min<std::int64_t>(offset / stripe, lanes - 1);
        before[k] = window[(offset - lane * stripe) * lanes + lane];
    }
}

template <bool SixteenBit>
void StoreBlock(const ChannelSamples& channel, std::int64_t start, const float* values, std::int64_t outputs,
                std::int64_t stripe, int lanes) {
    for (int l = 0; l < lanes; ++l) {
        const std::int64_t first = l * stripe;
        const std::int64_t count = std::min(stripe, outputs - first);
        std::uint8_t* p = channel.first + (start + first) * channel.stride;
        for (std::int64_t q = 0; q < count; ++q, p += channel.stride) {
            const float value = values[q * lanes + l];
            if constexpr (SixteenBit && std::endian::native == std::endian::little) {
                const std::int16_t sample = ToSample16(value);
                std::memcpy(p, &sample, sizeof sample);  // the stored layout itself, in one store
            } else if constexpr (SixteenBit) {
                const auto bits = static_cast<std::uint16_t>(ToSample16(value));
                p[0] = static_cast<std::uint8_t>(bits & 0xFF);
                p[1] = static_cast<std::uint8_t>(bits >> 8);
            } else {
                p[0] = ToSample8(value);
            }
        }
    }
}

}  // namespace

FirEngineSettings& GetFirEngineSettings() {
    static FirEngineSettings settings;
    return settings;
}

// The outputs the kernel computes are cut into chunks that the threads take in turn. A chunk's sums reach M
// samples before it and K - 1 - M after it into its neighbours, which other threads may already have
// overwritten, so those originals are saved before any thread starts. Inside a chunk a thread walks blocks
// in order and keeps the M originals before the next block (already overwritten in the image) from the
// current block's window.
struct FirEngine::Worker {
    AlignedDoubles window;       // the block's inputs in the kernel's stripe layout
    std::vector<float> sums;     // the same layout, one per output
    std::vector<double> before;  // the M originals before the block
};

struct FirEngine::Pass {
    const ChannelSamples& channel;
    std::atomic<std::int64_t> nextChunk{0};
    std::atomic<std::int64_t> outputsDone{0};
};

// A pass whose samples arrive over time. Tasks are (chunk, channel) pairs taken strictly in order; taking
// the first channel of a chunk waits for its inputs and keeps every original that the chunk's outputs
// will overwrite and some other chunk still has to read: the originals after this chunk, the originals
// before every later chunk whose reach starts inside this one, and the sums near the ends when they are
// summed apart. No chunk that writes those samples has been taken yet, so they are still the originals.
struct FirEngine::StreamedPass {
    StreamedPass(const std::vector<ChannelSamples>& passChannels, FirStream& passStream)
        : channels(passChannels), stream(passStream) {}

    const std::vector<ChannelSamples>& channels;
    FirStream& stream;
    std::mutex mutex;
    std::size_t nextTask = 0;
    std::size_t beforeKept = 0;  // chunks whose M originals before them are kept
    bool endEdgesKept = false;
    bool stopped = false;
    std::vector<char> finished;       // per task
    std::size_t finishedPrefix = 0;   // tasks finished without a gap from the first
    std::int64_t framesReported = 0;
};

FirEngine::FirEngine(const double* taps, int count, MixLevels levels, std::int64_t channelLength,
                     FirPassShape shape)
    : m_taps(taps),
      m_count(taps && count > 0 ? count : 0),
      m_half(m_count / 2),
      m_levels(levels),
      m_settings(GetFirEngineSettings()),
      m_channelLength(channelLength),
      m_shapeChannels(std::max(shape.channels, 1)) {
    if (m_settings.literal || m_count == 0) {
        m_delayLine = std::make_unique<CDelayLine>(m_half + 1);
        return;
    }
    m_kernel = GetFirKernel(m_settings.autoKernel ? WidestFirKernel() : m_settings.kernel);
    const OutputRange range = KernelOutputs(taps, m_count, channelLength);
    const auto channels = static_cast<std::size_t>(m_shapeChannels);
    m_edgeSums.resize(channels * static_cast<std::size_t>(range.first + channelLength - range.end));
    const std::int64_t stripe = m_kernel.StripeFor(std::max(1, m_settings.blockSize));
    m_blockOutputs = stripe * m_kernel.lanes;
    const int threads = ThreadsFor(m_settings, (range.end - range.first) * m_shapeChannels, m_count, m_blockOutputs);
    m_chunkStarts = PlanFirChunks(range.first, range.end, m_blockOutputs, threads, shape.maximumChunk);
    m_contexts.resize(channels * ChunkCount() * static_cast<std::size_t>(m_count - 1));
    for (int t = 0; t < threads; ++t) {
        auto worker = std::make_unique<Worker>();
        worker->window.Resize(static_cast<std::size_t>((stripe + m_count - 1) * m_kernel.lanes));
        worker->sums.resize(static_cast<std::size_t>(m_blockOutputs));
        worker->before.resize(static_cast<std::size_t>(m_half));
        m_workers.push_back(std::move(worker));
    }
}

FirEngine::~FirEngine() = default;

float FirEngine::Mix(float sum, int original) const {
    const double mixed = static_cast<double>(m_levels.filtered) * static_cast<double>(sum) +
                         static_cast<double>(m_levels.original) * static_cast<double>(original);
    return static_cast<float>(mixed);
}

// Mix over a whole block, in place over its sums; the originals are the window's copies from before any write.
void FirEngine::MixInto(float* sums, const double* originals, std::int64_t outputs) const {
    const double a = m_levels.filtered;
    const double b = m_levels.original;
    auto mix = [a, b](float sum, double original) {
        return static_cast<float>(a * static_cast<double>(sum) + b * original);
    };
    // Groups of a fixed size become straight-line code the compiler turns into vector operations.
    constexpr int kGroup = 8;
    std::int64_t o = 0;
    for (; o + kGroup <= outputs; o += kGroup) {
        for (int k = 0; k < kGroup; ++k) {
            sums[o + k] = mix(sums[o + k], originals[o + k]);
        }
    }
    for (; o < outputs; ++o) {
        sums[o] = mix(sums[o], originals[o]);
    }
}

float FirEngine::EdgeSum(const ChannelSamples& channel, std::int64_t i) const {
    const std::int64_t firstTap = std::max<std::int64_t>(0, m_half - i);
    const std::int64_t lastTap = std::min<std::int64_t>(m_count - 1, channel.length - 1 - i + m_half);
    double sum = 0.0;
    for (std::int64_t j = firstTap; j <= lastTap; ++j) {
        sum += m_taps[j] * channel.Read(i - m_half + j);
    }
    return static_cast<float>(sum);
}

void FirEngine::Filter(const ChannelSamples& channel, const StepsDone& stepsDone) {
    if (m_stopped) {
        return;
    }
    if (m_delayLine || channel.length != m_channelLength) {
        FilterLiteral(channel, stepsDone);
    } else {
        FilterBlocks(channel, stepsDone);
    }
}

void FirEngine::FilterLiteral(const ChannelSamples& channel, const StepsDone& stepsDone) {
    if (!m_delayLine) {
        m_delayLine = std::make_unique<CDelayLine>(m_half + 1);
    }
    const std::int64_t length = channel.length;
    for (std::int64_t i = -(m_half + 1); i < length && !m_stopped; ++i) {
        // Step i reads samples i and later only and writes sample i last, so the update needs no copy.
        double sum = 0.0;
        for (std::int64_t j = std::max<std::int64_t>(0, -i); j < m_count && i + j < length; ++j) {
            sum += m_taps[j] * channel.Read(i + j);
        }
        m_delayLine->Push(sum);
        if (i >= 0) {
            channel.Write(i, Mix(m_delayLine->Oldest(), channel.Read(i)));
        }
        if (i % 100 == 0) {
            stepsDone(i);
        }
    }
}

double* FirEngine::ContextOf(int channelIndex, std::size_t chunk) {
    return m_contexts.data() +
           (static_cast<std::size_t>(channelIndex) * ChunkCount() + chunk) * static_cast<std::size_t>(m_count - 1);
}

// The sums of the outputs before the kernel's first one; they read the originals up to K - 1 - M past it.
void FirEngine::SaveStartEdges(const ChannelSamples& channel, int channelIndex) {
    const std::size_t perChannel = m_edgeSums.size() / static_cast<std::size_t>(m_shapeChannels);
    float* sums = m_edgeSums.data() + static_cast<std::size_t>(channelIndex) * perChannel;
    for (std::int64_t i = 0; i < m_chunkStarts.front(); ++i) {
        *sums++ = EdgeSum(channel, i);
    }
}

// The sums of the outputs after the kernel's last one; they read the originals from M before it.
void FirEngine::SaveEndEdges(const ChannelSamples& channel, int channelIndex) {
    const std::size_t perChannel = m_edgeSums.size() / static_cast<std::size_t>(m_shapeChannels);
    std::size_t edge = static_cast<std::size_t>(m_chunkStarts.front());
    float* sums = m_edgeSums.data() + static_cast<std::size_t>(channelIndex) * perChannel;
    for (std::int64_t i = m_chunkStarts.back(); i < channel.length && edge < perChannel; ++i) {
        sums[edge++] = EdgeSum(channel, i);
    }
}

void FirEngine::SaveBefore(const ChannelSamples& channel, int channelIndex, std::size_t chunk) {
    double* context = ContextOf(channelIndex, chunk);
    for (int k = 0; k < m_half; ++k) {
        context[k] = OriginalOrZero(channel, m_chunkStarts[chunk] - m_half + k);
    }
}

void FirEngine::SaveAfter(const ChannelSamples& channel, int channelIndex, std::size_t chunk) {
    double* context = ContextOf(channelIndex, chunk) + m_half;
    const int tail = m_count - 1 - m_half;
    for (int k = 0; k < tail; ++k) {
        context[k] = OriginalOrZero(channel, m_chunkStarts[chunk + 1] + k);
    }
}

void FirEngine::WriteEdges(const ChannelSamples& channel, int channelIndex) {
    const std::size_t perChannel = m_edgeSums.size() / static_cast<std::size_t>(m_shapeChannels);
    const float* sums = m_edgeSums.data() + static_cast<std::size_t>(channelIndex) * perChannel;
    std::size_t edge = 0;
    for (std::int64_t i = 0; i < m_chunkStarts.front(); ++i) {
        channel.Write(i, Mix(sums[edge++], channel.Read(i)));
    }
    for (std::int64_t i = m_chunkStarts.back(); i < channel.length && edge < perChannel; ++i) {
        channel.Write(i, Mix(sums[edge++], channel.Read(i)));
    }
}

// Everything that reads samples other threads will overwrite, done before they start: the sums near the
// ends when they are summed apart, and the originals around every chunk.
void FirEngine::SaveNeighbours(const ChannelSamples& channel) {
    SaveStartEdges(channel, 0);
    SaveEndEdges(channel, 0);
    for (std::size_t c = 0; c < ChunkCount(); ++c) {
        SaveBefore(channel, 0, c);
        SaveAfter(channel, 0, c);
    }
}

// Runs `work` on every worker, the first on the calling thread.
void FirEngine::RunWorkers(const std::function<void(Worker&, bool first)>& work) {
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < m_workers.size(); ++t) {
        try {
            helpers.emplace_back([&work, this, t] { work(*m_workers[t], false); });
        } catch (const std::system_error&) {
            break;  // fewer threads: the chunks are shared out all the same
        }
    }
    if (!m_workers.empty()) {
        work(*m_workers[0], true);
    }
    for (auto& helper : helpers) {
        helper.join();
    }
}

void FirEngine::FilterBlocks(const ChannelSamples& channel, const StepsDone& stepsDone) {
    SaveNeighbours(channel);
    stepsDone(m_chunkStarts.front() - 1);
    Pass pass{channel};
    RunWorkers([&](Worker& worker, bool first) { RunChunks(pass, worker, first, stepsDone); });
    if (m_stopped) {
        return;
    }
    WriteEdges(channel, 0);
    stepsDone(channel.length - 1);
}

void FirEngine::RunChunks(Pass& pass, Worker& worker, bool reportProgress, const StepsDone& stepsDone) {
    const BlockDone blockDone = [&](std::int64_t outputs) {
        const std::int64_t done = pass.outputsDone += outputs;
        if (reportProgress) {
            stepsDone(std::min(pass.channel.length - 1, m_chunkStarts.front() - 1 + done));
        }
    };
    for (auto c = static_cast<std::size_t>(pass.nextChunk++); c < ChunkCount() && !m_stopped;
         c = static_cast<std::size_t>(pass.nextChunk++)) {
        FilterChunk(pass.channel, worker, c, ContextOf(0, c), blockDone);
    }
}

bool FirEngine::FilterStreamed(const std::vector<ChannelSamples>& channels, FirStream& stream) {
    const auto channelCount = static_cast<int>(std::min<std::size_t>(channels.size(), m_shapeChannels));
    const bool literal = m_delayLine || std::any_of(channels.begin(), channels.end(), [this](const auto& c) {
                             return c.length != m_channelLength;
                         });
    if (literal) {
        if (!stream.AwaitFrames(m_channelLength)) {
            return false;
        }
        for (int c = 0; c < channelCount; ++c) {
            FilterLiteral(channels[static_cast<std::size_t>(c)], [](std::int64_t) {});
        }
        stream.FramesFinished(m_channelLength);
        return true;
    }
    StreamedPass pass(channels, stream);
    pass.finished.assign(ChunkCount() * static_cast<std::size_t>(channelCount), 0);
    if (ChunkCount() == 0) {
        // Only sums near the ends: the samples are read whole first.
        if (!stream.AwaitFrames(m_channelLength)) {
            return false;
        }
        for (int c = 0; c < channelCount; ++c) {
            SaveStartEdges(channels[static_cast<std::size_t>(c)], c);
            SaveEndEdges(channels[static_cast<std::size_t>(c)], c);
        }
    }
    RunWorkers([&](Worker& worker, bool) { RunStreamedTasks(pass, worker); });
    if (pass.stopped) {
        return false;
    }
    for (int c = 0; c < channelCount; ++c) {
        WriteEdges(channels[static_cast<std::size_t>(c)], c);
    }
    stream.FramesFinished(m_channelLength);
    return true;
}

void FirEngine::RunStreamedTasks(StreamedPass& pass, Worker& worker) {
    const std::size_t channelCount = std::min<std::size_t>(pass.channels.size(), m_shapeChannels);
    const std::size_t tasks = pass.finished.size();
    const BlockDone nothing = [](std::int64_t) {};
    for (;;) {
        std::size_t task = 0;
        {
            const std::lock_guard lock(pass.mutex);
            if (pass.stopped || pass.nextTask >= tasks) {
                return;
            }
            task = pass.nextTask++;
            if (task % channelCount == 0 && !PrepareStreamedChunk(pass, task / channelCount)) {
                pass.stopped = true;
                return;
            }
        }
        const std::size_t chunk = task / channelCount;
        const auto channel = static_cast<int>(task % channelCount);
        FilterChunk(pass.channels[static_cast<std::size_t>(channel)], worker, chunk, ContextOf(channel, chunk),
                    nothing);
        FinishStreamedTask(pass, task);
    }
}

// Called with the pass locked, when the first channel of `chunk` is taken.
bool FirEngine::PrepareStreamedChunk(StreamedPass& pass, std::size_t chunk) {
    const std::int64_t chunkEnd = m_chunkStarts[chunk + 1];
    // The ends' sums read the originals from M before the kernel's last output: kept when the first chunk
    // that writes any of them is taken, which needs the whole input.
    const bool endEdgesNow = !pass.endEdgesKept && m_chunkStarts.back() < m_channelLength &&
                             chunkEnd > m_chunkStarts.back() - m_half;
    // The chunk's own inputs, the originals after it, those before every chunk whose reach starts inside it.
    const std::int64_t needed = endEdgesNow ? m_channelLength : std::min(m_channelLength, chunkEnd + m_count);
    if (!pass.stream.AwaitFrames(needed)) {
        return false;
    }
    const std::size_t channelCount = pass.finished.size() / ChunkCount();
    for (std::size_t c = 0; c < channelCount; ++c) {
        const ChannelSamples& channel = pass.channels[c];
        const int index = static_cast<int>(c);
        if (chunk == 0) {
            SaveStartEdges(channel, index);
        }
        if (endEdgesNow) {
            SaveEndEdges(channel, index);
        }
        SaveAfter(channel, index, chunk);
        for (std::size_t later = pass.beforeKept;
             later < ChunkCount() && m_chunkStarts[later] - m_half < chunkEnd; ++later) {
            SaveBefore(channel, index, later);
        }
    }
    pass.endEdgesKept = pass.endEdgesKept || endEdgesNow;
    while (pass.beforeKept < ChunkCount() && m_chunkStarts[pass.beforeKept] - m_half < chunkEnd) {
        ++pass.beforeKept;
    }
    return true;
}

// Outputs before the first unfinished chunk are final, unless the sums near the start come last.
void FirEngine::FinishStreamedTask(StreamedPass& pass, std::size_t task) {
    const std::lock_guard lock(pass.mutex);
    pass.finished[task] = 1;
    while (pass.finishedPrefix < pass.finished.size() && pass.finished[pass.finishedPrefix]) {
        ++pass.finishedPrefix;
    }
    const std::size_t channelCount = pass.finished.size() / ChunkCount();
    const std::int64_t frames = m_chunkStarts[pass.finishedPrefix / channelCount];
    if (m_chunkStarts.front() == 0 && frames > pass.framesReported) {
        pass.framesReported = frames;
        pass.stream.FramesFinished(frames);
    }
}

void FirEngine::FilterChunk(const ChannelSamples& channel, Worker& worker, std::size_t chunk,
                            const double* context, const BlockDone& blockDone) {
    const std::int64_t chunkEnd = m_chunkStarts[chunk + 1];
    const int lanes = m_kernel.lanes;
    double* window = worker.window.Data();
    std::copy(context, context + m_half, worker.before.begin());
    std::int64_t start = m_chunkStarts[chunk];
    while (start < chunkEnd && !m_stopped) {
        const std::int64_t outputs = std::min(m_blockOutputs, chunkEnd - start);
        const std::int64_t stripe = m_kernel.StripeFor(outputs);
        const BlockSources sources{channel, worker.before.data(), context + m_half, start, chunkEnd,
                                   m_half, m_count - 1 - m_half};
        if (channel.sixteenBit) {
            FillWindow<true>(sources, stripe, lanes, window);
        } else {
            FillWindow<false>(sources, stripe, lanes, window);
        }
        m_kernel.sums(m_taps, m_count, window, stripe, worker.sums.data());
        MixInto(worker.sums.data(), window + m_half * lanes, stripe * lanes);
        if (channel.sixteenBit) {
            StoreBlock<true>(channel, start, worker.sums.data(), outputs, stripe, lanes);
        } else {
            StoreBlock<false>(channel, start, worker.sums.data(), outputs, stripe, lanes);
        }
        KeepBefore(window, outputs, stripe, lanes, m_half, worker.before.data());
        start += outputs;
        blockDone(outputs);
    }
}

}  // namespace tressel::dsp
