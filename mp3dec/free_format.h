#pragma once
// Free-format frames (bitrate index 0) carry no length: it is the distance to the next sync word whose
// header agrees in version, layer and sampling frequency.

#include "mp3dec/decoder_state.h"

namespace mp3dec {

// True when the 20 header bits after a sync word (as peeked) hold no reserved value.
bool header_bits_are_valid(std::uint32_t header_bits);

// Called right after the header of a free-format frame has been read: the frame's length in bytes (header
// included). The first free-format frame is measured with a second reader over the same stream, up to the next
// sync word whose header agrees in version, layer, sampling frequency and free format; later frames take that
// length, adjusted for their own padding. 0 when the length is unknown (a lone frame).
int measure_free_format_frame(StreamCursor& state);

}  // namespace mp3dec
