#pragma once
// Telling a frame from a lone sync word. Pictures, WAV files and random bytes hold sync words followed by
// plausible headers, and decoding from them makes noise; a real stream holds frames in a row. So before
// the first frame a sync word counts only when the frame it starts is followed by another of the same
// stream, or ends exactly where the data ends (a file of a single frame).

#include "mp3dec/bitstream.h"

namespace mp3dec {

// The reader stands just past a sync word whose header holds no reserved value. True when the header at
// the position the frame's length predicts agrees with it in version, layer and sampling frequency, or
// when the frame ends exactly at the end of the data. A free-format frame is confirmed by an agreeing
// free-format header within the longest frame such a stream can have. Reads nothing outside the data.
bool frame_is_confirmed(const BitReader& reader);

// The length in bytes of the frame whose sync word the reader has just passed: stated by its header, or for a
// free-format frame the distance to the next agreeing free-format header within the longest frame such a
// stream can have; 0 when a free-format frame has no such header.
std::uint64_t found_frame_bytes(const BitReader& reader);

}  // namespace mp3dec
