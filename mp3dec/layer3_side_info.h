#pragma once
// Layer III side information: read straight from the frame, after the header and the CRC word.

#include "mp3dec/bitstream.h"
#include "mp3dec/frame_header.h"
#include "mp3dec/tables_layer3.h"

namespace mp3dec {

struct GranuleChannelInfo {
    int part2_3_length = 0;
    int big_values = 0;
    int global_gain = 0;
    int scale_factor_compress = 0;
    int window_switching = 0;
    int block_type = 0;
    int mixed_block = 0;
    int table_select[3] = {};
    int subblock_gain[3] = {};
    int region0_count = 0;
    int region1_count = 0;
    int pre_flag = 0;
    int scale_factor_scale = 0;
    int count1_table_select = 0;
};

struct SideInfoChannel {
    int scale_factor_selection[4] = {};
    GranuleChannelInfo granule[2];
};

struct SideInfo {
    int main_data_begin = 0;
    int private_bits = 0;
    SideInfoChannel channel[2];
};

// True for a granule of short blocks only (block type 2 without mixed blocks).
inline bool is_pure_short(const GranuleChannelInfo& info) {
    return info.window_switching && info.block_type == 2 && !info.mixed_block;
}
inline bool is_mixed_short(const GranuleChannelInfo& info) {
    return info.window_switching && info.block_type == 2 && info.mixed_block;
}
inline bool has_short_blocks(const GranuleChannelInfo& info) {
    return info.window_switching && info.block_type == 2;
}

// Window switching with block type 0 prints "Side info bad: block_type == 0 in split block." and stops
// the decoder.
void read_side_info(BitReader& reader, SideInfo& side_info, const StreamParams& params);

// Main-data bytes carried by the current frame (after header, CRC word and side information).
// Free-format frames take their size from free_format_frame_bytes; never negative.
int main_data_byte_count(const StreamParams& params, int free_format_frame_bytes = 0);

// The scale-factor bands of the current header (reserved values fall back to the first table of their
// version so that no lookup leaves the tables).
const ScaleFactorBands& scale_factor_bands(const FrameHeader& header);

}  // namespace mp3dec
