#pragma once
// The frame loop: find the next frame, read its header, decode (or scan) its body and step over its
// ancillary data, until a given frame count or the end of the stream.

#include <cstdint>

#include "mp3dec/decoder_state.h"
#include "mp3dec/stream_input.h"

namespace mp3dec {

// Places the state's readers at the start of the stream, past a leading tag.
void start_stream(StreamCursor& state, const StreamBytes& stream);

// Runs frames until the frame count reaches `end_frame` (checked before each frame) or the stream has no
// further frame; true in the second case. Conditions that make the stream undecodable throw
// DecoderStopped.
bool run_frames(DecodeState& state, std::uint32_t end_frame);

constexpr std::uint32_t kAllFrames = 0xFFFFFFFFu;

}  // namespace mp3dec
