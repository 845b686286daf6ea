#pragma once
// Layer III joint stereo: middle/side and intensity stereo (MPEG-1 ratios and MPEG-2 factor pairs).

#include <cstdint>

#include "mp3dec/frame_header.h"
#include "mp3dec/layer3_scale_factors.h"
#include "mp3dec/layer3_side_info.h"

namespace mp3dec {

constexpr int kNoIntensity = 7;

// Intensity positions of one granule (kNoIntensity where a line has none), taken from the right
// channel's scale factors and spectral values.
void intensity_positions(const double right[576], const ScaleFactors& right_scale_factors,
                         const GranuleChannelInfo& info, const StreamParams& params, std::int16_t positions[576]);

// Combines both channels' requantised values into their stereo-processed values. The left channel's
// record decides the block layout of the intensity part; the right channel's scale-factor compress carries
// the MPEG-2 intensity scale (its lowest bit), as the right channel's scale factors are the positions.
void process_stereo(const double input[2][576], double output[2][576], const ScaleFactors scale_factors[2],
                    const GranuleChannelInfo& info, const GranuleChannelInfo& right_info,
                    const StreamParams& params);

}  // namespace mp3dec
