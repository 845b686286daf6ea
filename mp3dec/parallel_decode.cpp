#include "mp3dec/parallel_decode.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "mp3dec/decoder_stop.h"

namespace mp3dec {

namespace {

// What a worker makes of one chunk.
struct Chunk {
    ChunkPlan plan;
    bool decoded = false;
    bool warm_up_failed = false;  // the stream ended or stopped before the chunk's first frame
    bool stopped = false;
    bool stream_ended = false;
    std::unique_ptr<DecodeState> start;  // at the first frame
    std::unique_ptr<DecodeState> end;    // at the end frame, the end of the stream or the stop
    DecodeOutput output;                 // kept, not forwarded
};

void decode_chunk(Chunk& chunk) {
    auto state = std::make_unique<DecodeState>();
    static_cast<StreamCursor&>(*state) = chunk.plan.cursor;
    try {
        const bool ended = run_frames(*state, chunk.plan.first_frame);
        if (state->frame_count != chunk.plan.first_frame) {
            chunk.warm_up_failed = true;
            return;
        }
        chunk.start = std::make_unique<DecodeState>(*state);
        if (chunk.plan.end_frame != kAllFrames) {  // room for the chunk's frames at their largest
            chunk.output.samples.reserve(static_cast<std::size_t>(chunk.plan.end_frame - chunk.plan.first_frame) *
                                         2304);
        }
        state->output = &chunk.output;
        chunk.stream_ended = ended || run_frames(*state, chunk.plan.end_frame);
    } catch (const DecoderStopped& stop) {
        if (!chunk.start) {
            chunk.warm_up_failed = true;
            return;
        }
        report_diagnostic(&chunk.output, stop.reason);
        chunk.stopped = true;
    } catch (const std::bad_alloc&) {
        chunk.warm_up_failed = true;  // decoded again where the failure is reported
        return;
    }
    state->output = nullptr;
    chunk.end = std::move(state);
}

// Thrown into the scan when the merge no longer needs its chunks.
struct PlanningCancelled {};

class ChunkedDecoder {
public:
    ChunkedDecoder(const StreamBytes& stream, int threads, const DecodeCallbacks& callbacks)
        : m_stream(stream),
          m_callbacks(callbacks),
          m_threads(threads),
          m_window(static_cast<std::size_t>(2 * threads + 2)) {}

    ~ChunkedDecoder() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_cancelled = true;
        }
        m_changed.notify_all();
        if (m_planner.joinable()) m_planner.join();
        for (std::thread& worker : m_workers) worker.join();
    }

    ChunkedDecoder(const ChunkedDecoder&) = delete;
    ChunkedDecoder& operator=(const ChunkedDecoder&) = delete;

    // Starts the workers and the scan, which runs on a thread of its own, so that the chunks it hands out are
    // decoded and merged while it goes on. False when the threads cannot be had (nothing has been reported).
    bool start(const ChunkBoundaries& boundaries) {
        try {
            for (int i = 0; i < m_threads; ++i) m_workers.emplace_back([this] { work(); });
            m_planner = std::thread([this, &boundaries] { plan(boundaries); });
        } catch (const std::system_error&) {
            return false;  // the destructor stops and joins whatever started
        }
        return true;
    }

    // Takes the chunks in order; each counts if it starts where the one before it ended, else it is decoded
    // again from there.
    ChunkedDecode merge() {
        ChunkedDecode result;
        auto truth = std::make_unique<DecodeState>();
        start_stream(*truth, m_stream);
        bool ended = false;
        for (std::size_t index = 0; !ended && !result.stopped; ++index) {
            Chunk* chunk = wait_for_chunk(index);
            announce_expected_totals();
            if (chunk == nullptr) {  // the scan gave out early: the rest is decoded here
                ended = redecode(*truth, kAllFrames, result);
                break;
            }
            ++result.figures.chunks;
            result.figures.warm_up_frames += chunk->plan.first_frame - chunk->plan.warm_up_frame;
            if (!chunk->warm_up_failed && same_continuation(*chunk->start, *truth)) {
                replay_output(chunk->output, m_callbacks);
                result.sample_frames += chunk->output.sample_frames;
                truth = std::move(chunk->end);
                result.stopped = chunk->stopped;
                ended = chunk->stream_ended;
            } else {
                ++result.figures.redecoded_chunks;
                ended = redecode(*truth, chunk->plan.end_frame, result);
            }
            release_chunk(index);
        }
        result.last = std::move(truth);
        return result;
    }

private:
    void plan(const ChunkBoundaries& boundaries) {
        ScanTotals totals;
        try {
            totals = plan_chunks(m_stream, boundaries, [this](ChunkPlan&& plan) { add(std::move(plan)); });
        } catch (...) {
            // Cancelled, or out of memory: the merge decodes whatever no chunk covers by itself.
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_planned = true;
            m_totals = totals;
        }
        m_changed.notify_all();
    }

    void add(ChunkPlan&& plan) {
        auto chunk = std::make_unique<Chunk>();
        chunk->plan = std::move(plan);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_cancelled) throw PlanningCancelled{};
            m_chunks.push_back(std::move(chunk));
        }
        m_changed.notify_all();
    }

    // Workers take chunks in order, at most `m_window` ahead of the merge, so that kept samples stay few.
    void work() {
        for (;;) {
            Chunk* chunk = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] {
                    return m_cancelled || (m_next_claim < m_chunks.size() && m_next_claim < m_merged + m_window) ||
                           (m_planned && m_next_claim >= m_chunks.size());
                });
                if (m_cancelled || m_next_claim >= m_chunks.size()) return;
                chunk = m_chunks[m_next_claim++].get();
            }
            decode_chunk(*chunk);
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                chunk->decoded = true;
            }
            m_changed.notify_all();
        }
    }

    // The chunk once it is decoded; null when the scan ended without planning it. The last chunk planned so
    // far waits for the scan to plan another or to finish, so the expected totals always go out before the
    // stream's last chunk (a short stream's only one) has been handed on.
    Chunk* wait_for_chunk(std::size_t index) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] {
            const bool planned_beyond = m_planned || index + 1 < m_chunks.size();
            return (index < m_chunks.size() && m_chunks[index]->decoded && planned_beyond) ||
                   (m_planned && index >= m_chunks.size());
        });
        return index < m_chunks.size() ? m_chunks[index].get() : nullptr;
    }

    void release_chunk(std::size_t index) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_chunks[index].reset();
            m_merged = index + 1;
        }
        m_changed.notify_all();
    }

    // The expected counts go out once the scan has made them, before the samples that follow.
    void announce_expected_totals() {
        if (m_announced) return;
        ScanTotals totals;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_planned) return;
            totals = m_totals;
        }
        announce_totals(totals, m_callbacks);
        m_announced = true;
    }

    // The sequential decode from `state` up to `end_frame`, straight into the callbacks.
    bool redecode(DecodeState& state, std::uint32_t end_frame, ChunkedDecode& result) {
        DecodeOutput output;
        output.forward = &m_callbacks;
        state.output = &output;
        bool ended = false;
        try {
            ended = run_frames(state, end_frame);
        } catch (const DecoderStopped& stop) {
            report_diagnostic(&output, stop.reason);
            result.stopped = true;
        }
        flush_pcm(&output);
        state.output = nullptr;
        result.sample_frames += output.sample_frames;
        return ended;
    }

    const StreamBytes& m_stream;
    const DecodeCallbacks& m_callbacks;
    const int m_threads;
    const std::size_t m_window;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<Chunk>> m_chunks;  // released (null) once merged
    std::size_t m_next_claim = 0;
    std::size_t m_merged = 0;
    bool m_planned = false;
    bool m_cancelled = false;
    ScanTotals m_totals;
    bool m_announced = false;  // only the merging thread reads and writes it
    std::thread m_planner;
    std::vector<std::thread> m_workers;
};

}  // namespace

std::optional<ChunkedDecode> decode_in_chunks(const StreamBytes& stream, int threads, const ChunkBoundaries& boundaries,
                                              const DecodeCallbacks& callbacks) {
    ChunkedDecoder decoder(stream, threads, callbacks);
    if (!decoder.start(boundaries)) return std::nullopt;
    return decoder.merge();
}

}  // namespace mp3dec
