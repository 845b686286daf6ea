#include "dsp/FirEngine.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
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
    std::int64_t blockOutputs;
    std::atomic<std::int64_t> nextChunk{0};
    std::atomic<std::int64_t> outputsDone{0};
};

FirEngine::FirEngine(const double* taps, int count, MixLevels levels, std::int64_t channelLength)
    : m_taps(taps),
      m_count(taps && count > 0 ? count : 0),
      m_half(m_count / 2),
      m_levels(levels),
      m_settings(GetFirEngineSettings()),
      m_channelLength(channelLength) {
    if (m_settings.literal || m_count == 0) {
        m_delayLine = std::make_unique<CDelayLine>(m_half + 1);
        return;
    }
    m_kernel = GetFirKernel(m_settings.autoKernel ? WidestFirKernel() : m_settings.kernel);
    const OutputRange range = KernelOutputs(taps, m_count, channelLength);
    m_edgeSums.resize(static_cast<std::size_t>(range.first + channelLength - range.end));
    const std::int64_t stripe = m_kernel.StripeFor(std::max(1, m_settings.blockSize));
    m_blockOutputs = stripe * m_kernel.lanes;
    const int threads = ThreadsFor(m_settings, range.end - range.first, m_count, m_blockOutputs);
    m_chunkStarts = PlanFirChunks(range.first, range.end, m_blockOutputs, threads);
    m_contexts.resize((m_chunkStarts.size() - 1) * static_cast<std::size_t>(m_count - 1));
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

// Everything that reads samples other threads will overwrite, done before they start: the sums near the
// ends when they are summed apart, and the originals around every chunk.
void FirEngine::SaveNeighbours(const ChannelSamples& channel) {
    const std::int64_t first = m_chunkStarts.front();
    const std::int64_t end = m_chunkStarts.back();
    std::size_t edge = 0;
    for (std::int64_t i = 0; i < first; ++i) {
        m_edgeSums[edge++] = EdgeSum(channel, i);
    }
    for (std::int64_t i = end; i < channel.length && edge < m_edgeSums.size(); ++i) {
        m_edgeSums[edge++] = EdgeSum(channel, i);
    }
    const int tail = m_count - 1 - m_half;
    for (std::size_t c = 0; c + 1 < m_chunkStarts.size(); ++c) {
        double* context = m_contexts.data() + c * static_cast<std::size_t>(m_count - 1);
        for (int k = 0; k < m_half; ++k) {
            context[k] = OriginalOrZero(channel, m_chunkStarts[c] - m_half + k);
        }
        for (int k = 0; k < tail; ++k) {
            context[m_half + k] = OriginalOrZero(channel, m_chunkStarts[c + 1] + k);
        }
    }
}

void FirEngine::FilterBlocks(const ChannelSamples& channel, const StepsDone& stepsDone) {
    SaveNeighbours(channel);
    const std::int64_t first = m_chunkStarts.front();
    const std::int64_t end = m_chunkStarts.back();
    stepsDone(first - 1);

    Pass pass{channel, m_blockOutputs};
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < m_workers.size(); ++t) {
        try {
            helpers.emplace_back([this, &pass, &stepsDone, t] { RunChunks(pass, *m_workers[t], false, stepsDone); });
        } catch (const std::system_error&) {
            break;  // fewer threads: the chunks are shared out all the same
        }
    }
    if (!m_workers.empty()) {
        RunChunks(pass, *m_workers[0], true, stepsDone);
    }
    for (auto& helper : helpers) {
        helper.join();
    }
    if (m_stopped) {
        return;
    }

    std::size_t edge = 0;
    for (std::int64_t i = 0; i < first; ++i) {
        channel.Write(i, Mix(m_edgeSums[edge++], channel.Read(i)));
    }
    for (std::int64_t i = end; i < channel.length && edge < m_edgeSums.size(); ++i) {
        channel.Write(i, Mix(m_edgeSums[edge++], channel.Read(i)));
    }
    stepsDone(channel.length - 1);
}

void FirEngine::RunChunks(Pass& pass, Worker& worker, bool reportProgress, const StepsDone& stepsDone) {
    const auto chunks = static_cast<std::int64_t>(m_chunkStarts.size()) - 1;
    for (std::int64_t c = pass.nextChunk++; c < chunks && !m_stopped; c = pass.nextChunk++) {
        FilterChunk(pass, worker, c, reportProgress, stepsDone);
    }
}

void FirEngine::FilterChunk(Pass& pass, Worker& worker, std::int64_t chunk, bool reportProgress,
                            const StepsDone& stepsDone) {
    const ChannelSamples& channel = pass.channel;
    const double* context = m_contexts.data() + chunk * (m_count - 1);
    const std::int64_t chunkEnd = m_chunkStarts[static_cast<std::size_t>(chunk) + 1];
    const int lanes = m_kernel.lanes;
    double* window = worker.window.Data();
    std::copy(context, context + m_half, worker.before.begin());
    std::int64_t start = m_chunkStarts[static_cast<std::size_t>(chunk)];
    while (start < chunkEnd && !m_stopped) {
        const std::int64_t outputs = std::min(pass.blockOutputs, chunkEnd - start);
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
        const std::int64_t done = pass.outputsDone += outputs;
        if (reportProgress) {
            stepsDone(std::min(channel.length - 1, m_chunkStarts.front() - 1 + done));
        }
    }
}

}  // namespace tressel::dsp
