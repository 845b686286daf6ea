#pragma once
// Layer III requantisation: quantised values to spectral values with the global gain, subblock gains,
// scale factors and pre-emphasis of the granule.

#include <cstdint>

#include "mp3dec/frame_header.h"
#include "mp3dec/layer3_scale_factors.h"
#include "mp3dec/layer3_side_info.h"

namespace mp3dec {

// Lines 0..`nonzero_end` - 1 are computed from `quantized`, the rest are set to 0 (they are 0 already).
void requantize_samples(const std::int32_t quantized[576], double output[576], const ScaleFactors& scale_factors,
                        const GranuleChannelInfo& info, const StreamParams& params, int nonzero_end = 576);

// |q|^(4/3) for the magnitudes a granule can carry (15 plus 13 linbits at most).
double power_four_thirds(std::int32_t magnitude);

}  // namespace mp3dec
