#pragma once
// Layer III hybrid synthesis: the inverse MDCT of every subband with its window and the overlap-add with
// the previous granule of the same channel.

#include "mp3dec/layer3_side_info.h"

namespace mp3dec {

// 18 inputs to 36 windowed outputs for block type 0, 1, 2 (three short transforms) or 3.
void imdct36(const double input[18], double output[36], int block_type);

// One subband: inverse transform, then output = first half + overlap and overlap = second half.
void hybrid_synthesis(const double input[18], double output[18], int subband, double overlap[18],
                      const GranuleChannelInfo& info);

// All 32 subbands of one granule, put out as the polyphase synthesis takes them: by time slot, 32 subbands
// each, with the frequency inversion of the filterbank done (the values of odd subbands in odd slots
// negated). Subbands from `active_subbands` on hold only zeros: they put out the overlap alone, as the
// transform of zeros would.
void hybrid_synthesis_granule(const double input[576], double slots[18][32], double overlap[32][18],
                              const GranuleChannelInfo& info, int active_subbands = 32);

// The 36-point windows of the four block types.
const double* imdct_window(int block_type);

}  // namespace mp3dec
