#include <gtest/gtest.h>

#include "Mp3DecTestSupport.h"
#include "mp3dec/layer12.h"
#include "mp3dec/tables.h"

using namespace mp3dec;
using mp3dec_test::BitWriter;

namespace {

// A reader over hand-written bits, and the parameters of one header.
struct Fixture {
    std::vector<std::uint8_t> bytes;
    BitReader reader;
    FrameHeader header;
    StreamParams params;
    Layer12State state;

    Fixture(const BitWriter& bits, int layer, int mode, int mode_extension = 0) {
        bytes = bits.bytes;
        bytes.resize(bytes.size() + 8, 0);
        bit_reader_attach(reader, bytes.data(), bytes.size());
        header.version = 1;
        header.layer = layer;
        header.bitrate_index = 4;             // 64 kbit/s
        header.sampling_frequency_index = 1;  // 48 kHz: Layer II table 2, 8 subbands
        header.mode = mode;
        header.mode_extension = mode_extension;
        params.header = &header;
        derive_stream_params(params);
    }
};

}  // namespace

TEST(Mp3DecLayer1, RequantisationExamples) {
    EXPECT_DOUBLE_EQ(requantize_layer1_sample(3, 8), 2.0 / 15.0);
    EXPECT_DOUBLE_EQ(requantize_layer1_sample(3, 0), -14.0 / 15.0);
    EXPECT_DOUBLE_EQ(requantize_layer1_sample(3, 14), 14.0 / 15.0);
    // Two bits (allocation 1): codes 0..3 give -2/3, 0, 2/3 and (reserved) 4/3.
    EXPECT_DOUBLE_EQ(requantize_layer1_sample(1, 1), 0.0);
    EXPECT_DOUBLE_EQ(requantize_layer1_sample(1, 2), 2.0 / 3.0);
}

TEST(Mp3DecLayer1, JointStereoReadsOneAllocationAndOneSampleFromTheBound) {
    BitWriter w;
    // Bound 4 (mode extension 0): subbands 0..3 two allocations each, 4..31 one.
    for (int sb = 0; sb < 32; ++sb) {
        w.Put(sb == 2 ? 3 : 0, 4);
        if (sb < 4) w.Put(sb == 1 ? 1 : (sb == 2 ? 3 : 0), 4);
    }
    w.Put(5, 6);  // scale factor, subband 1 right
    w.Put(7, 6);  // scale factor, subband 2 left
    w.Put(9, 6);  // scale factor, subband 2 right
    w.Put(3, 2);  // sample, subband 1 right (2 bits)
    w.Put(8, 4);  // sample, subband 2 left
    w.Put(0, 4);  // sample, subband 2 right
    Fixture f(w, 1, kJointStereo, 0);
    read_layer1_allocation(f.reader, f.params, f.state);
    read_layer1_scale_factors(f.reader, f.params, f.state);
    read_layer1_samples(f.reader, f.params, f.state);
    EXPECT_EQ(f.state.allocation[1][1], 1);
    EXPECT_EQ(f.state.allocation[0][2], 3);
    EXPECT_EQ(f.state.scale_index[0][0][1], 63u);
    EXPECT_EQ(f.state.scale_index[1][0][1], 5u);
    EXPECT_EQ(f.state.sample_code[1][0][1], 3u);
    EXPECT_EQ(f.state.sample_code[0][0][2], 8u);
    EXPECT_EQ(f.state.sample_code[1][0][2], 0u);
    EXPECT_EQ(bits_consumed(f.reader), static_cast<std::uint32_t>(4 * 36 + 18 + 10));
    requantize_layer1(f.params, f.state);
    scale_layer1(f.params, f.state);
    EXPECT_DOUBLE_EQ(f.state.fraction[0][0][2], 2.0 / 15.0 * kScaleFactors[7]);
    EXPECT_DOUBLE_EQ(f.state.fraction[1][0][2], -14.0 / 15.0 * kScaleFactors[9]);
    EXPECT_EQ(f.state.fraction[0][0][0], 0.0);
}

TEST(Mp3DecLayer2, GroupedCodesSplitRemainderFirst) {
    std::uint32_t v[3];
    ungroup_layer2_code(26, 3, v);
    EXPECT_EQ(v[0], 2u);
    EXPECT_EQ(v[1], 2u);
    EXPECT_EQ(v[2], 2u);
    ungroup_layer2_code(5, 3, v);
    EXPECT_EQ(v[0], 2u);
    EXPECT_EQ(v[1], 1u);
    EXPECT_EQ(v[2], 0u);
    ungroup_layer2_code(9 * 9 * 9 - 1, 9, v);
    EXPECT_EQ(v[2], 8u);
}

TEST(Mp3DecLayer2, RequantisationIsSymmetricAroundTheMiddleCode) {
    const AllocEntry three{3, 5, 1, 0};
    EXPECT_DOUBLE_EQ(requantize_layer2_sample(three, 1), 0.0);
    EXPECT_NEAR(requantize_layer2_sample(three, 0), -2.0 / 3.0, 1e-10);
    EXPECT_NEAR(requantize_layer2_sample(three, 2), 2.0 / 3.0, 1e-10);
    const AllocEntry fifteen{15, 4, 3, 4};
    EXPECT_DOUBLE_EQ(requantize_layer2_sample(fifteen, 7), 0.0);
    EXPECT_NEAR(requantize_layer2_sample(fifteen, 14), 14.0 / 15.0, 1e-10);
}

TEST(Mp3DecLayer2, SelectionInformationDecidesHowManyScaleFactorsAreRead) {
    BitWriter w;
    // Table 2, stereo, bound 8: subbands 0..1 have 4-bit, 2..7 3-bit allocation fields.
    for (int sb = 0; sb < 8; ++sb) {
        for (int ch = 0; ch < 2; ++ch) w.Put(sb < 4 && ch == 0 ? 1 : 0, sb < 2 ? 4 : 3);
    }
    for (int sb = 0; sb < 4; ++sb) w.Put(static_cast<std::uint32_t>(sb), 2);  // selection 0, 1, 2, 3
    const std::uint32_t factors[][3] = {{1, 2, 3}, {4, 5, 0}, {6, 0, 0}, {7, 8, 0}};
    const int counts[] = {3, 2, 1, 2};
    for (int sb = 0; sb < 4; ++sb) {
        for (int i = 0; i < counts[sb]; ++i) w.Put(factors[sb][i], 6);
    }
    Fixture f(w, 2, kStereo);
    read_layer2_allocation(f.reader, f.params, f.state);
    read_layer2_scale_factors(f.reader, f.params, f.state);
    EXPECT_EQ(bits_consumed(f.reader), static_cast<std::uint32_t>(2 * (2 * 4 + 6 * 3) + 4 * 2 + 8 * 6));
    const unsigned expected[4][3] = {{1, 2, 3}, {4, 4, 5}, {6, 6, 6}, {7, 8, 8}};
    for (int sb = 0; sb < 4; ++sb) {
        for (int part = 0; part < 3; ++part) EXPECT_EQ(f.state.scale_index[0][part][sb], expected[sb][part]);
        EXPECT_EQ(f.state.scale_index[1][0][sb], 63u);
    }
    EXPECT_EQ(f.state.scale_index[0][0][4], 63u);
    EXPECT_EQ(f.state.scale_index[0][2][31], 63u);
}

TEST(Mp3DecLayer2, JointStereoSharesAllocationAndSamplesButNotScaleFactors) {
    BitWriter w;
    // Table 2, joint stereo, bound 4: subband 5 carries one 3-bit allocation (index 1: 3 steps, grouped).
    for (int sb = 0; sb < 8; ++sb) {
        const int channels = sb < 4 ? 2 : 1;
        for (int ch = 0; ch < channels; ++ch) w.Put(sb == 5 ? 1 : 0, sb < 2 ? 4 : 3);
    }
    w.Put(2, 2);   // left selection: one factor for all parts
    w.Put(0, 2);   // right selection: three factors
    w.Put(10, 6);
    w.Put(11, 6);
    w.Put(12, 6);
    w.Put(13, 6);
    w.Put(5, 5);   // one grouped code for both channels: 2, 1, 0
    Fixture f(w, 2, kJointStereo, 0);
    read_layer2_allocation(f.reader, f.params, f.state);
    read_layer2_scale_factors(f.reader, f.params, f.state);
    read_layer2_samples(f.reader, f.params, f.state);
    EXPECT_EQ(f.state.allocation[1][5], 1);
    EXPECT_EQ(f.state.scale_index[0][2][5], 10u);
    EXPECT_EQ(f.state.scale_index[1][0][5], 11u);
    EXPECT_EQ(f.state.scale_index[1][2][5], 13u);
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_EQ(f.state.sample_code[ch][0][5], 2u);
        EXPECT_EQ(f.state.sample_code[ch][1][5], 1u);
        EXPECT_EQ(f.state.sample_code[ch][2][5], 0u);
    }
    requantize_layer2(f.params, f.state);
    scale_layer2(f.params, f.state, 2);
    EXPECT_NEAR(f.state.fraction[0][0][5], 2.0 / 3.0 * kScaleFactors[10], 1e-12);
    EXPECT_NEAR(f.state.fraction[1][0][5], 2.0 / 3.0 * kScaleFactors[13], 1e-12);
    EXPECT_EQ(f.state.fraction[1][1][5], 0.0);
    EXPECT_EQ(f.state.fraction[0][0][9], 0.0);
}
