#pragma once
// Free-format frames (bitrate index 0) carry no length: it is the distance to the next sync word whose
// header agrees in version, layer and sampling frequency.

#include "mp3dec/decoder_state.h"

namespace mp3dec {

// Searches on from the reader's position for a sync word whose header agrees with `header` in version,
// layer, sampling frequency and free format; true with the reader just past that sync word.
bool find_agreeing_free_format_header(BitReader& look, const FrameHeader& header);

// Called right after the header of a free-format frame has been read: the frame's length in bytes (header
// included). The first free-format frame is measured with a second reader over the same stream, up to the next
// sync word whose header agrees in version, layer, sampling frequency and free format; later frames take that
// length, adjusted for their own padding. 0 when the length is unknown (a lone frame).
int measure_free_format_frame(StreamCursor& state);

}  // namespace mp3dec
