#pragma once
// Layer III frames of MPEG-2 low sampling frequencies written from chosen side information, scale factors
// and quantised values: streams that no encoder at hand produces, such as joint stereo with intensity
// stereo in every block kind.

#include <array>
#include <cstdint>
#include <vector>

namespace tressel::testing {

struct LsfGranuleChannel {
    int global_gain = 170;
    int scale_factor_compress = 0;  // the 9 bits as transmitted
    int block_type = 0;             // 0: long blocks; 1, 2 or 3 with window switching
    bool mixed_block = false;
    int subblock_gain[3] = {};
    int scale_factor_scale = 0;
    // The scale factors in the order they are transmitted (partition by partition; short bands window by
    // window). Values past what the partitions hold are not written; missing ones are written as 0.
    std::vector<int> scale_factors;
    // Quantised values (-15..15) in the order they are transmitted: line by line, short bands window by
    // window. Coded as big-value pairs with table 15, no count-1 part.
    std::array<int, 576> values{};
};

struct LsfFrame {
    int sampling_index = 0;  // 0: 22.05 kHz, 1: 24 kHz, 2: 16 kHz
    int bitrate_index = 14;  // 160 kbit/s: room for two dense granules
    int mode = 1;            // joint stereo
    int mode_extension = 1;  // bit 0: intensity stereo, bit 1: middle/side
    LsfGranuleChannel channel[2];
};

// The frame, self-contained (main data begins in it) and without a CRC word. Throws std::length_error when
// the coded data does not fit.
std::vector<std::uint8_t> WriteLsfFrame(const LsfFrame& frame);

// Field widths of the four scale-factor partitions and the bands (short blocks: band windows) each holds,
// as ISO/IEC 13818-3 derives them from the compress value; `intensity_right` for the right channel of a
// frame with intensity stereo. block_kind: 0 long, 1 short, 2 mixed.
struct LsfScaleFactorPartitions {
    int widths[4];
    int bands[4];
};
LsfScaleFactorPartitions LsfPartitions(int scale_factor_compress, bool intensity_right, int block_kind);

}  // namespace tressel::testing
