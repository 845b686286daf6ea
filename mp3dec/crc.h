#pragma once
// The 16-bit error check of MPEG audio frames (generator x^16 + x^15 + x^2 + 1), over the header bits after
// the protection bit and the Layer I/II allocation side information.

#include "mp3dec/decoder_state.h"

namespace mp3dec {

constexpr unsigned kCrcInitial = 0xFFFF;

// Feeds the low `width` bits of `value`, most significant first.
void crc16_update(unsigned value, int width, unsigned& crc);
// The CRC of the 16 header bits from the bitrate index to the emphasis.
unsigned header_crc(const FrameHeader& header);
unsigned layer1_crc(const StreamParams& params, const int allocation[kMaxChannels][32]);
unsigned layer2_crc(const StreamParams& params, const int allocation[kMaxChannels][32],
                    const int scale_selection[kMaxChannels][32]);

}  // namespace mp3dec
