#pragma once
// Layer III scale factors, read from the main-data reservoir: the MPEG-1 form and the MPEG-2
// (low sampling frequency) form with its partitions and intensity-stereo variant.

#include "mp3dec/frame_header.h"
#include "mp3dec/layer3_side_info.h"
#include "mp3dec/reservoir.h"

namespace mp3dec {

// Kept per channel for the whole decode, so a granule that reuses a group of bands keeps the values of
// the granule before.
struct ScaleFactors {
    int long_band[23] = {};
    int short_band[3][13] = {};  // [window][band]
};

void read_scale_factors(MainDataReservoir& reservoir, ScaleFactors& scale_factors, const SideInfo& side_info,
                        int granule, int channel);

// Field widths and band grouping of the MPEG-2 form; also sets the granule's pre-flag.
struct LsfScaleFactorLayout {
    int lengths[4] = {};
    int grouping = 0;  // row of kLsfPartitionBands
    int pre_flag = 0;
};
LsfScaleFactorLayout lsf_scale_factor_layout(int scale_factor_compress, bool intensity_right_channel);

// Sets the pre-flag of the granule record as the compress value dictates.
void read_lsf_scale_factors(MainDataReservoir& reservoir, ScaleFactors& scale_factors, SideInfo& side_info,
                            int granule, int channel, const StreamParams& params);

}  // namespace mp3dec
