#include "mp3dec/chunk_plan.h"

#include <algorithm>
#include <memory>
#include <new>

#include "mp3dec/decoder_stop.h"

namespace mp3dec {

namespace {

// How many frames further back than it must a chunk may start its warm-up, in search of frames that read
// every long-band scale factor.
constexpr std::uint32_t kWarmUpSearch = 8;

// Frames a chunk must decode before its first frame, judged by the frame before it (as scanned):
// - Layer I: the history of 16 synthesis vectors settles in two frames (12 vectors each); the third then
//   puts out what a sequential decode puts out, which a failed CRC in the first frame repeats.
// - Layer II: one frame (36 vectors) settles the history, the second gives the output kept for concealment.
// - Layer III: a granule sets the overlap memory, the next one then feeds the synthesis the sequential
//   input for 18 vectors: one frame of MPEG-1 (two granules), two of MPEG-2.
std::uint32_t required_warm_up(const StreamCursor& scanned) {
    switch (scanned.header.layer) {
        case 1: return 3;
        case 2: return 2;
        default: return scanned.header.version == 1 ? 1 : 2;
    }
}

// Channels whose long-band scale factors a frame reads in full (bit 0 left, bit 1 right). Short granules
// leave them alone, and an MPEG-1 second granule may reuse groups of the first, so a chunk whose warm-up
// reads none of them would start with those of its own past instead of the sequential ones.
unsigned long_band_reads(const DecodeState& scanned) {
    if (scanned.header.layer != 3) return 3u;
    unsigned channels = 0;
    const SideInfo& side_info = scanned.layer3.side_info;
    for (int ch = 0; ch < scanned.params.channels; ++ch) {
        for (int gr = 0; gr < scanned.granules_per_frame; ++gr) {
            bool reuses = false;
            for (const int flag : side_info.channel[ch].scale_factor_selection)
                reuses = reuses || (gr > 0 && flag != 0);
            if (!has_short_blocks(side_info.channel[ch].granule[gr]) && !reuses) channels |= 1u << ch;
        }
    }
    return channels;
}

struct WarmUpCandidate {
    StreamCursor cursor;  // before the frame
    unsigned long_band_reads = 0;
    int channels = 0;
    std::uint32_t required_warm_up = 0;  // were the chunk to start after this frame
};

class ChunkPlanner {
public:
    ChunkPlanner(const StreamBytes& stream, const ChunkBoundaries& boundaries,
                 const std::function<void(ChunkPlan&&)>& deliver)
        : m_scan(std::make_unique<DecodeState>()), m_boundaries(boundaries), m_deliver(deliver) {
        m_scan->work = FrameWork::scan;
        start_stream(*m_scan, stream);
        m_current.cursor = *m_scan;
    }

    ScanTotals run() {
        try {
            for (std::uint32_t start = m_boundaries.next_after(0); start != kAllFrames;
                 start = m_boundaries.next_after(start)) {
                if (!plan_chunk_starting_at(start)) break;
            }
            scan_up_to(kAllFrames);  // the totals count every frame
        } catch (const DecoderStopped&) {
            // The decode stops in this chunk too; it runs to wherever that happens.
        } catch (const std::bad_alloc&) {
        }
        m_current.end_frame = kAllFrames;
        m_deliver(std::move(m_current));
        return m_totals;
    }

private:
    // Scans up to frame `start`, keeping the cursors of the last frames before it; false when the stream
    // ends first.
    bool plan_chunk_starting_at(std::uint32_t start) {
        const std::uint32_t reach = kWarmUpSearch + 3;  // the longest required warm-up and the search
        const std::uint32_t search_from = start > reach ? start - reach : 0;
        if (!scan_up_to(search_from)) return false;
        std::vector<WarmUpCandidate> candidates;
        while (m_scan->frame_count < start) {
            WarmUpCandidate candidate;
            candidate.cursor = *m_scan;
            if (!scan_up_to(m_scan->frame_count + 1)) return false;
            candidate.long_band_reads = long_band_reads(*m_scan);
            candidate.channels = m_scan->params.channels;
            candidate.required_warm_up = required_warm_up(*m_scan);
            candidates.push_back(std::move(candidate));
        }
        ChunkPlan next;
        next.first_frame = start;
        const std::size_t chosen = warm_up_start(candidates);
        next.warm_up_frame = search_from + static_cast<std::uint32_t>(chosen);
        next.cursor = candidates[chosen].cursor;
        m_current.end_frame = start;
        m_deliver(std::move(m_current));
        m_current = std::move(next);
        return true;
    }

    // The latest start that gives the required warm-up and reads every long-band scale factor of the
    // channels in play; the required start alone when the search finds none.
    static std::size_t warm_up_start(const std::vector<WarmUpCandidate>& candidates) {
        const std::size_t count = candidates.size();
        const std::size_t required = std::min<std::size_t>(candidates.back().required_warm_up, count);
        const unsigned wanted = candidates.back().channels == 1 ? 1u : 3u;
        unsigned read = 0;
        for (std::size_t i = count; i-- > 0;) {
            read |= candidates[i].long_band_reads;
            if (count - i >= required && (read & wanted) == wanted) return i;
        }
        return count - required;
    }

    // Scans frame by frame up to `frame`; false when the stream has no frame after the last one scanned.
    bool scan_up_to(std::uint32_t frame) {
        while (m_scan->frame_count < frame) {
            const std::uint32_t before = m_scan->frame_count;
            const bool ended = run_frames(*m_scan, before + 1);
            if (m_scan->frame_count > before) {
                m_totals.frames = m_scan->frame_count;
                m_totals.samples += static_cast<std::uint64_t>(m_scan->samples_per_frame) *
                                    static_cast<std::uint64_t>(m_scan->params.channels == 1 ? 1 : 2);
            }
            if (ended) return false;
        }
        return true;
    }

    std::unique_ptr<DecodeState> m_scan;
    const ChunkBoundaries& m_boundaries;
    const std::function<void(ChunkPlan&&)>& m_deliver;
    ChunkPlan m_current;
    ScanTotals m_totals;
};

}  // namespace

std::uint32_t ChunkBoundaries::next_after(std::uint32_t frame) const {
    if (frames_per_chunk > 0) {
        const std::uint64_t next = (static_cast<std::uint64_t>(frame) / frames_per_chunk + 1) * frames_per_chunk;
        return next >= kAllFrames ? kAllFrames : static_cast<std::uint32_t>(next);
    }
    for (const std::uint32_t boundary : at) {
        if (boundary > frame) return boundary;
    }
    return kAllFrames;
}

ScanTotals plan_chunks(const StreamBytes& stream, const ChunkBoundaries& boundaries,
                       const std::function<void(ChunkPlan&&)>& deliver) {
    ChunkPlanner planner(stream, boundaries, deliver);
    return planner.run();
}

ScanTotals scan_totals(const StreamBytes& stream) {
    return plan_chunks(stream, ChunkBoundaries{}, [](ChunkPlan&&) {});
}

void announce_totals(const ScanTotals& totals, const DecodeCallbacks& callbacks) {
    if (callbacks.expected_samples) callbacks.expected_samples(totals.samples);
    if (callbacks.expected_frames) callbacks.expected_frames(totals.frames);
}

}  // namespace mp3dec
