#pragma once
// Layer III frame decoding. Owned by the Layer III code; the driver calls it once per Layer III frame,
// right after the header and the CRC word have been read.

namespace mp3dec {

struct DecodeState;  // per-decode state, defined by the driver in decoder_state.h

// Reads side information, feeds the main-data reservoir, decodes every granule and channel, runs the
// hybrid and polyphase synthesis and queues 18 time slots per granule. A frame whose main data reaches
// back before the stored bytes produces nothing.
void decode_layer3_frame(DecodeState& state);
// Reads the side information and feeds the reservoir as decoding does, then steps the reservoir over each
// granule's part 2 and 3, producing nothing.
void scan_layer3_frame(DecodeState& state);

}  // namespace mp3dec
