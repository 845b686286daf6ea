#pragma once
// Splitting a stream into chunks that can be decoded side by side.
//
// A scan runs the frame loop without decoding samples: it finds every frame where decoding finds it and
// fills the Layer III reservoir as decoding does, so the cursor it holds before a frame is the one a
// sequential decode holds there. A chunk starts with that cursor a few frames before its own first frame
// and decodes those frames only to rebuild what the scan leaves out (synthesis history, overlap memory,
// long-block scale factors, the output kept for concealment); their output is thrown away.

#include <cstdint>
#include <functional>
#include <vector>

#include "mp3dec/decode_callbacks.h"
#include "mp3dec/decoder_state.h"
#include "mp3dec/frame_loop.h"
#include "mp3dec/stream_input.h"

namespace mp3dec {

struct ChunkPlan {
    std::uint32_t warm_up_frame = 0;       // the first frame decoded
    std::uint32_t first_frame = 0;         // the first frame whose output counts
    std::uint32_t end_frame = kAllFrames;  // the first frame of the next chunk
    StreamCursor cursor;                   // as it stands before warm_up_frame
};

// Where chunks begin: every `frames_per_chunk` frames, or at the given frames (ascending).
struct ChunkBoundaries {
    std::uint32_t frames_per_chunk = 0;
    std::vector<std::uint32_t> at;

    // The first boundary after `frame`; kAllFrames when there is none.
    std::uint32_t next_after(std::uint32_t frame) const;
};

struct ScanTotals {
    std::uint32_t frames = 0;
    std::uint64_t samples = 0;  // interleaved samples the frames yield when none is dropped
};

// Scans the stream and hands every chunk to `deliver` as soon as its extent is known, in order; the last one
// runs to the end of the stream. A condition that stops the decoder ends the scan: the chunk it falls in is
// the last.
ScanTotals plan_chunks(const StreamBytes& stream, const ChunkBoundaries& boundaries,
                       const std::function<void(ChunkPlan&&)>& deliver);

// Frames in a stream, as a scan finds them.
ScanTotals scan_totals(const StreamBytes& stream);

// Hands the totals to the callbacks that ask for them.
void announce_totals(const ScanTotals& totals, const DecodeCallbacks& callbacks);

}  // namespace mp3dec
