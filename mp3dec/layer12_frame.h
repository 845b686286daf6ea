#pragma once
// Decoding of one Layer I or Layer II frame into queued PCM, with CRC concealment.

#include "mp3dec/decoder_state.h"

namespace mp3dec {

constexpr int kBlocksPerFrame = 12;

void decode_layer1_frame(DecodeState& state);
void decode_layer2_frame(DecodeState& state);
// Read what decides the frame's length (allocation, scale factors, the CRC check) and step over the
// samples, producing nothing.
void scan_layer1_frame(DecodeState& state);
void scan_layer2_frame(DecodeState& state);
// Queues the previous frame's output once more (silence if there was none) in place of this frame.
void conceal_crc_error(DecodeState& state, int parts);

}  // namespace mp3dec
