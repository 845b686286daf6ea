#pragma once
// Decoding a stream in chunks on worker threads, with a result identical to the sequential decode.
//
// The calling thread scans the stream into chunks (chunk_plan.h) while the workers decode them, each from
// the scan's cursor a few frames before its first frame. The calling thread then takes the chunks in order.
// A chunk counts only when its state at its first frame equals, in everything a later frame can read, the
// state the chunk before it ended with (same_continuation): from equal states the decode is the same, so
// the chunk's samples, messages and frame boundaries are those of the sequential decode. A chunk that fails
// the check is decoded again on the calling thread from the state the chunk before it ended with.

#include <memory>
#include <optional>

#include "mp3dec/chunk_plan.h"
#include "mp3dec/decode_callbacks.h"
#include "mp3dec/decode_stream.h"
#include "mp3dec/decoder_state.h"

namespace mp3dec {

struct ChunkedDecode {
    std::unique_ptr<DecodeState> last;  // the state after the last frame decoded
    std::uint32_t sample_frames = 0;
    bool stopped = false;
    ChunkFigures figures;
};

// `threads` workers; callbacks run on the calling thread. A stop is reported through the callbacks. Nothing
// when the threads cannot be started (before anything was reported).
std::optional<ChunkedDecode> decode_in_chunks(const StreamBytes& stream, int threads, const ChunkBoundaries& boundaries,
                                              const DecodeCallbacks& callbacks);

}  // namespace mp3dec
