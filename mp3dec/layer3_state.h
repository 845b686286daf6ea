#pragma once
// Layer III state that lives for one decode (reservoir, frame start, overlap memory, side information,
// scale factors and granule work arrays). The driver embeds one instance in DecodeState, so every decode
// starts with an empty reservoir and silent overlap memory.

#include <cstdint>

#include "mp3dec/layer3_scale_factors.h"
#include "mp3dec/layer3_side_info.h"
#include "mp3dec/reservoir.h"

namespace mp3dec {

struct Layer3State {
    MainDataReservoir reservoir;
    // Main-data bytes stored for all frames so far, less 4096 for every rewind of the reservoir.
    long frame_start = 0;
    SideInfo side_info;
    ScaleFactors scale_factors[2];
    // Second halves of the previous granule's inverse transforms, [channel][subband][slot].
    double overlap[2][32][18] = {};

    // Work arrays of one granule; kept here so that no granule allocates.
    std::int32_t quantized[576] = {};
    alignas(64) double requantized[2][576] = {};
    alignas(64) double stereo[2][576] = {};
    alignas(64) double reordered[576] = {};
    alignas(64) double reduced[576] = {};
    alignas(64) double hybrid[576] = {};
    alignas(64) double polyphase_input[32] = {};
};

}  // namespace mp3dec
