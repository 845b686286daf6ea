#pragma once
// Layer III state built up by decoding (overlap memory, side information, scale factors and the granule
// work arrays). The reservoir belongs to the stream cursor (decoder_state.h): frames that are only
// scanned fill it too.

#include <cstdint>

#include "mp3dec/layer3_scale_factors.h"
#include "mp3dec/layer3_side_info.h"

namespace mp3dec {

struct Layer3State {
    SideInfo side_info;
    ScaleFactors scale_factors[2];
    // Second halves of the previous granule's inverse transforms, [channel][subband][slot].
    double overlap[2][32][18] = {};

    // Work arrays of one granule; kept here so that no granule allocates.
    std::int32_t quantized[576] = {};
    alignas(64) double requantized[2][576] = {};
    alignas(64) double stereo[2][576] = {};
    alignas(64) double reordered[576] = {};
    alignas(64) double slots[18][32] = {};  // the hybrid output by time slot, as the synthesis takes it
};

}  // namespace mp3dec
