#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "mp3dec/crc.h"
#include "mp3dec/frame_header.h"

using namespace mp3dec;

namespace {

// The textbook bit-serial division by x^16 + x^15 + x^2 + 1 over a list of bits: feed each bit into the
// top, subtract the generator when a one falls out.
unsigned ReferenceCrc(const std::vector<int>& bits) {
    unsigned reg = 0xFFFF;
    for (const int bit : bits) {
        const int out = static_cast<int>((reg >> 15) & 1u);
        reg = (reg << 1) & 0xFFFFu;
        if ((out ^ bit) != 0) reg ^= 0x8005u;
    }
    return reg;
}

void AppendBits(std::vector<int>& bits, unsigned value, int width) {
    for (int b = width - 1; b >= 0; --b) bits.push_back(static_cast<int>((value >> b) & 1u));
}

}  // namespace

TEST(Mp3DecCrc, FieldByFieldUpdatesEqualTheBitSerialReference) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<int> bits;
        unsigned crc = kCrcInitial;
        for (int field = 0; field < 40; ++field) {
            const int width = 1 + static_cast<int>(random() % 16);
            const unsigned value = static_cast<unsigned>(random()) & ((1u << width) - 1u);
            crc16_update(value | (0xFu << width), width, crc);  // bits above the width are ignored
            AppendBits(bits, value, width);
        }
        ASSERT_EQ(crc, ReferenceCrc(bits)) << "trial " << trial;
    }
}

TEST(Mp3DecCrc, Layer2CoversAllocationsInTheirWidthsAndSelectionOnlyWhereAllocated) {
    FrameHeader header;
    header.version = 1;
    header.layer = 2;
    header.bitrate_index = 4;  // 64 kbit/s
    header.sampling_frequency_index = 1;  // 48 kHz
    header.mode = kJointStereo;
    header.mode_extension = 0;  // bound 4
    StreamParams params;
    params.header = &header;
    derive_stream_params(params);
    ASSERT_EQ(params.table_number, 2);
    ASSERT_EQ(params.subband_limit, 8);

    int allocation[2][32] = {};
    int selection[2][32] = {};
    std::vector<int> bits;
    AppendBits(bits, 4u << 12 | 1u << 10 | 1u << 6, 16);  // the header fields from the bitrate index on
    for (int sb = 0; sb < 8; ++sb) {
        const int width = sb < 2 ? 4 : 3;
        for (int ch = 0; ch < (sb < 4 ? 2 : 1); ++ch) {
            allocation[ch][sb] = (sb + ch) % 3;
            if (sb >= 4) allocation[1][sb] = allocation[0][sb];
            AppendBits(bits, static_cast<unsigned>(allocation[ch][sb]), width);
        }
    }
    for (int sb = 0; sb < 8; ++sb) {
        for (int ch = 0; ch < 2; ++ch) {
            selection[ch][sb] = (sb * 2 + ch) % 4;
            if (allocation[ch][sb] != 0) AppendBits(bits, static_cast<unsigned>(selection[ch][sb]), 2);
        }
    }
    EXPECT_EQ(layer2_crc(params, allocation, selection), ReferenceCrc(bits));
}

TEST(Mp3DecCrc, Layer1CoversOneAllocationPerSubbandFromTheBoundOn) {
    FrameHeader header;
    header.version = 1;
    header.layer = 1;
    header.bitrate_index = 14;
    header.mode = kJointStereo;
    header.mode_extension = 1;  // bound 8
    StreamParams params;
    params.header = &header;
    derive_stream_params(params);
    ASSERT_EQ(params.joint_stereo_bound, 8);
    int allocation[2][32] = {};
    std::vector<int> bits;
    AppendBits(bits, 14u << 12 | 1u << 6 | 1u << 4, 16);
    for (int sb = 0; sb < 32; ++sb) {
        for (int ch = 0; ch < (sb < 8 ? 2 : 1); ++ch) {
            allocation[ch][sb] = (3 * sb + ch) % 15;
            AppendBits(bits, static_cast<unsigned>(allocation[ch][sb]), 4);
        }
    }
    EXPECT_EQ(layer1_crc(params, allocation), ReferenceCrc(bits));
}
