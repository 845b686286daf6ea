#pragma once
// Layer III reordering of short-block lines (window-major to frequency-major) and alias reduction
// between neighbouring subbands.

#include "mp3dec/frame_header.h"
#include "mp3dec/layer3_side_info.h"

namespace mp3dec {

void reorder_short_blocks(const double input[576], double output[576], const GranuleChannelInfo& info,
                          const StreamParams& params);

// Subbands from `nonzero_subbands` on hold only zeros; the butterflies between two of them are skipped, as
// they would give zeros again. Output may be the input itself.
void alias_reduce(const double input[576], double output[576], const GranuleChannelInfo& info,
                  int nonzero_subbands = 32);

// cs[i] = 1 / sqrt(1 + c[i]^2) and ca[i] = c[i] / sqrt(1 + c[i]^2).
struct AliasCoefficients {
    double cs[8];
    double ca[8];
};
const AliasCoefficients& alias_coefficients();

}  // namespace mp3dec
