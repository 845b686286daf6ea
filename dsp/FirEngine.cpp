#include "dsp/FirEngine.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "audio/ThreadBudget.h"


namespace tressel::dsp {

namespace {

// Below this many multiply-adds a second thread costs more than it saves.
constexpr std::int64_t kThreadingThreshold = std::int64_t{1} << 22;
// Chunks per thread: enough for a core that is busy with something else to fall behind without holding
// the whole pass up.
constexpr std::int64_t kChunksPerThread = 8;
constexpr int kMaximumThreads = 64;

int AvailableCores() {
    const unsigned cores = std::thread::hardware_concurrency();
    return WithinThreadBudget(cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaximumThreads)));
}

}  // namespace

FirEngineSettings& GetFirEngineSettings() {
    static FirEngineSettings settings;
    return settings;
}

// The interior outputs (those whose whole window lies inside the data) are cut into chunks that the
// threads take in turn. A chunk's window reaches M samples before it and K - 1 - M after it into its
// neighbours, which other threads may already have overwritten, so those originals are saved before any
// thread starts. Inside a chunk a thread walks blocks in order and carries the K - 1 originals that the
// next block shares with the current one in its own buffer.
struct FirEngine::Worker {
    std::vector<double> window;  // originals of one block: outputs + K - 1 values
    std::vector<float> sums;
};

struct ChunkPlan {
    std::int64_t first = 0;   // first interior output
    std::int64_t end = 0;     // one past the last interior output
    std::int64_t chunks = 0;
    int threads = 1;

    std::int64_t Begin(std::int64_t chunk) const { return first + (end - first) * chunk / chunks; }
};

namespace {

ChunkPlan PlanChunks(std::int64_t length, int count, int half, const FirEngineSettings& settings) {
    ChunkPlan plan;
    plan.first = std::min<std::int64_t>(half, length);
    plan.end = std::max(plan.first, length - (count - 1 - half));
    const std::int64_t interior = plan.end - plan.first;
    if (interior == 0) {
        return plan;
    }
    const std::int64_t blocks = (interior + settings.blockSize - 1) / settings.blockSize;
    int threads = settings.threads > 0 ? std::min(settings.threads, kMaximumThreads)
                                       : (interior * count >= kThreadingThreshold ? AvailableCores() : 1);
    threads = static_cast<int>(std::min<std::int64_t>(threads, blocks));
    plan.threads = threads;
    plan.chunks = threads == 1 ? 1 : std::min(blocks, threads * kChunksPerThread);
    return plan;
}

}  // namespace

FirEngine::FirEngine(const double* taps, int count, MixLevels levels, std::int64_t channelLength)
    : m_taps(taps),
      m_count(taps && count > 0 ? count : 0),
      m_half(m_count / 2),
      m_levels(levels),
      m_settings(GetFirEngineSettings()),
      m_channelLength(channelLength) {
    if (m_settings.blockSize < 1) {
        m_settings.blockSize = 1;
    }
    if (m_settings.literal || m_count == 0) {
        m_delayLine = std::make_unique<CDelayLine>(m_half + 1);
        return;
    }
    m_sums = GetFirSums(m_settings.autoKernel ? WidestFirKernel() : m_settings.kernel);
    m_edgeSums.resize(static_cast<std::size_t>(std::min<std::int64_t>(channelLength, m_count)));
    const ChunkPlan plan = PlanChunks(channelLength, m_count, m_half, m_settings);
    m_contexts.resize(static_cast<std::size_t>(plan.chunks) * static_cast<std::size_t>(m_count - 1));
    for (int t = 0; t < plan.threads && plan.chunks > 0; ++t) {
        auto worker = std::make_unique<Worker>();
        const std::int64_t block = std::min<std::int64_t>(m_settings.blockSize, plan.end - plan.first);
        worker->window.resize(static_cast<std::size_t>(block + m_count - 1));
        worker->sums.resize(static_cast<std::size_t>(block));
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
    for (std::int64_t o = 0; o < outputs; ++o) {
        sums[o] = static_cast<float>(a * static_cast<double>(sums[o]) + b * originals[o]);
    }
}

template <bool SixteenBit>
void FirEngine::StoreBlock(const ChannelSamples& channel, std::int64_t first, const float* values,
                           std::int64_t outputs) {
    std::uint8_t* p = channel.first + first * channel.stride;
    for (std::int64_t o = 0; o < outputs; ++o, p += channel.stride) {
        if constexpr (SixteenBit) {
            const auto bits = static_cast<std::uint16_t>(ToSample16(values[o]));
            p[0] = static_cast<std::uint8_t>(bits & 0xFF);
            p[1] = static_cast<std::uint8_t>(bits >> 8);
        } else {
            p[0] = ToSample8(values[o]);
        }
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
    for (std::int64_t i = -(m_half + 1); i < length; ++i) {
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

void FirEngine::FilterBlocks(const ChannelSamples& channel, const StepsDone& stepsDone) {
    const std::int64_t length = channel.length;
    const ChunkPlan plan = PlanChunks(length, m_count, m_half, m_settings);
    const int tail = m_count - 1 - m_half;

    // Everything that reads neighbours other threads will overwrite happens before they start.
    std::size_t edge = 0;
    for (std::int64_t i = 0; i < plan.first; ++i) {
        m_edgeSums[edge++] = EdgeSum(channel, i);
    }
    for (std::int64_t i = plan.end; i < length; ++i) {
        m_edgeSums[edge++] = EdgeSum(channel, i);
    }
    for (std::int64_t c = 0; c < plan.chunks; ++c) {
        double* context = m_contexts.data() + c * (m_count - 1);
        const std::int64_t begin = plan.Begin(c);
        const std::int64_t end = plan.Begin(c + 1);
        for (int k = 0; k < m_half; ++k) {
            context[k] = channel.Read(begin - m_half + k);
        }
        for (int k = 0; k < tail; ++k) {
            context[m_half + k] = channel.Read(end + k);
        }
    }
    stepsDone(plan.first - 1);

    std::atomic<std::int64_t> nextChunk{0};
    std::atomic<std::int64_t> outputsDone{0};
    auto runChunks = [&](Worker& worker, bool reportProgress) {
        for (std::int64_t c = nextChunk++; c < plan.chunks; c = nextChunk++) {
            const double* context = m_contexts.data() + c * (m_count - 1);
            const std::int64_t begin = plan.Begin(c);
            const std::int64_t end = plan.Begin(c + 1);
            double* window = worker.window.data();
            std::copy(context, context + m_half, window);
            std::int64_t held = m_half;  // window[k] holds sample blockStart - M + k
            for (std::int64_t blockStart = begin; blockStart < end;) {
                const std::int64_t outputs = std::min<std::int64_t>(static_cast<std::int64_t>(worker.sums.size()),
                                                                    end - blockStart);
                const std::int64_t needed = outputs + m_count - 1;
                // Samples of this chunk come from the image (not yet overwritten), the ones after it from
                // the saved context.
                const std::int64_t firstSample = blockStart - m_half;
                const std::int64_t fromImage = std::min(needed, end - firstSample);
                for (std::int64_t k = held; k < fromImage; ++k) {
                    window[k] = channel.Read(firstSample + k);
                }
                for (std::int64_t k = std::max(held, fromImage); k < needed; ++k) {
                    window[k] = context[m_half + (firstSample + k - end)];
                }
                m_sums(m_taps, m_count, window, outputs, worker.sums.data());
                MixInto(worker.sums.data(), window + m_half, outputs);
                if (channel.sixteenBit) {
                    StoreBlock<true>(channel, blockStart, worker.sums.data(), outputs);
                } else {
                    StoreBlock<false>(channel, blockStart, worker.sums.data(), outputs);
                }
                std::copy(window + outputs, window + needed, window);
                held = m_count - 1;
                blockStart += outputs;
                const std::int64_t done = outputsDone += outputs;
                if (reportProgress) {
                    stepsDone(std::min(length - 1, plan.first - 1 + done));
                }
            }
        }
    };

    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < m_workers.size(); ++t) {
        try {
            helpers.emplace_back(runChunks, std::ref(*m_workers[t]), false);
        } catch (const std::system_error&) {
            break;  // fewer threads: the chunks are shared out all the same
        }
    }
    if (!m_workers.empty()) {
        runChunks(*m_workers[0], true);
    }
    for (auto& helper : helpers) {
        helper.join();
    }

    edge = 0;
    for (std::int64_t i = 0; i < plan.first; ++i) {
        channel.Write(i, Mix(m_edgeSums[edge++], channel.Read(i)));
    }
    for (std::int64_t i = plan.end; i < length; ++i) {
        channel.Write(i, Mix(m_edgeSums[edge++], channel.Read(i)));
    }
    stepsDone(length - 1);
}

}  // namespace tressel::dsp
