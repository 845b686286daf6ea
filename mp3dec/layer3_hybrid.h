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

// The 36-point windows of the four block types.
const double* imdct_window(int block_type);

}  // namespace mp3dec
