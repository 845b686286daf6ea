// Layer III building blocks: side information, main-data byte count, reservoir, scale factors, Huffman
// decoding of a granule, requantisation, stereo processing, reordering, alias reduction and the hybrid
// synthesis.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "Mp3DecTestSupport.h"
#include "mp3dec/decoder_stop.h"
#include "mp3dec/huffman.h"
#include "mp3dec/layer3_hybrid.h"
#include "mp3dec/layer3_reorder.h"
#include "mp3dec/layer3_requantize.h"
#include "mp3dec/layer3_scale_factors.h"
#include "mp3dec/layer3_side_info.h"
#include "mp3dec/layer3_stereo.h"
#include "mp3dec/tables_layer3.h"

using namespace mp3dec;
using mp3dec_test::BitWriter;
using mp3dec_test::StopMessage;
using tressel::testing::ScratchDir;
using tressel::testing::WriteFileBytes;

namespace {

constexpr double kPi = 3.14159265358979;

struct Params {
    FrameHeader header;
    StreamParams params;
    Params(int version, int frequency_index, int mode, int mode_extension = 0, int bitrate_index = 9) {
        header.version = version;
        header.layer = 3;
        header.bitrate_index = bitrate_index;
        header.sampling_frequency_index = frequency_index;
        header.mode = mode;
        header.mode_extension = mode_extension;
        params.header = &header;
        params.channels = mode == kSingleChannel ? 1 : 2;
    }
};

std::unique_ptr<MainDataReservoir> ReservoirWith(const BitWriter& bits) {
    auto reservoir = std::make_unique<MainDataReservoir>();
    for (std::uint8_t byte : bits.bytes) reservoir_put_byte(*reservoir, byte, 8);
    for (int i = 0; i < 8; ++i) reservoir_put_byte(*reservoir, 0, 8);
    return reservoir;
}

GranuleChannelInfo LongGranule(int global_gain = 210) {
    GranuleChannelInfo info;
    info.global_gain = global_gain;
    return info;
}

GranuleChannelInfo ShortGranule(bool mixed, int global_gain = 210) {
    GranuleChannelInfo info;
    info.global_gain = global_gain;
    info.window_switching = 1;
    info.block_type = 2;
    info.mixed_block = mixed ? 1 : 0;
    return info;
}

// Side information is read through the frame's bit reader.
SideInfo ReadSideInfoFrom(const BitWriter& bits, const StreamParams& params) {
    std::vector<std::uint8_t> bytes = bits.bytes;
    bytes.resize(bytes.size() + 8, 0);
    BitReader reader;
    bit_reader_attach(reader, bytes.data(), bytes.size());
    SideInfo side_info;
    read_side_info(reader, side_info, params);
    return side_info;
}

}  // namespace

TEST(Mp3DecLayer3SideInfo, Mpeg1StereoWithLongAndShortGranules) {
    Params p(1, 0, kJointStereo, 2);
    BitWriter bits;
    bits.Put(300, 9);  // main-data begin
    bits.Put(5, 3);    // private bits
    bits.Put(0b1010, 4);
    bits.Put(0b0001, 4);
    for (int gr = 0; gr < 2; ++gr)
        for (int ch = 0; ch < 2; ++ch) {
            bits.Put(1000 + 10 * gr + ch, 12);
            bits.Put(200 + ch, 9);
            bits.Put(150 + gr, 8);
            bits.Put(9, 4);
            if (gr == 1 && ch == 1) {  // window switching: short blocks, not mixed
                bits.Put(1, 1);
                bits.Put(2, 2);
                bits.Put(0, 1);
                bits.Put(7, 5);
                bits.Put(13, 5);
                bits.Put(1, 3);
                bits.Put(2, 3);
                bits.Put(3, 3);
            } else {
                bits.Put(0, 1);
                bits.Put(1, 5);
                bits.Put(2, 5);
                bits.Put(3, 5);
                bits.Put(11, 4);
                bits.Put(5, 3);
            }
            bits.Put(1, 1);
            bits.Put(0, 1);
            bits.Put(1, 1);
        }
    const SideInfo si = ReadSideInfoFrom(bits, p.params);
    EXPECT_EQ(si.main_data_begin, 300);
    EXPECT_EQ(si.private_bits, 5);
    EXPECT_EQ(si.channel[0].scale_factor_selection[0], 1);
    EXPECT_EQ(si.channel[0].scale_factor_selection[1], 0);
    EXPECT_EQ(si.channel[1].scale_factor_selection[3], 1);
    const GranuleChannelInfo& g01 = si.channel[1].granule[0];
    EXPECT_EQ(g01.part2_3_length, 1001);
    EXPECT_EQ(g01.big_values, 201);
    EXPECT_EQ(g01.global_gain, 150);
    EXPECT_EQ(g01.scale_factor_compress, 9);
    EXPECT_EQ(g01.table_select[2], 3);
    EXPECT_EQ(g01.region0_count, 11);
    EXPECT_EQ(g01.region1_count, 5);
    EXPECT_EQ(g01.block_type, 0);
    EXPECT_EQ(g01.pre_flag, 1);
    EXPECT_EQ(g01.scale_factor_scale, 0);
    EXPECT_EQ(g01.count1_table_select, 1);
    const GranuleChannelInfo& g11 = si.channel[1].granule[1];
    EXPECT_EQ(g11.part2_3_length, 1011);
    EXPECT_EQ(g11.block_type, 2);
    EXPECT_EQ(g11.table_select[0], 7);
    EXPECT_EQ(g11.table_select[1], 13);
    EXPECT_EQ(g11.subblock_gain[2], 3);
    EXPECT_EQ(g11.region0_count, 8);
    EXPECT_EQ(g11.region1_count, 12);
}

TEST(Mp3DecLayer3SideInfo, Mpeg2MonoHasOneGranuleAndNineBitCompress) {
    Params p(0, 1, kSingleChannel);
    BitWriter bits;
    bits.Put(200, 8);  // main-data begin
    bits.Put(1, 1);    // private bit
    bits.Put(2000, 12);
    bits.Put(100, 9);
    bits.Put(180, 8);
    bits.Put(511, 9);  // scale-factor compress
    bits.Put(1, 1);    // window switching, mixed start block
    bits.Put(1, 2);
    bits.Put(1, 1);
    bits.Put(4, 5);
    bits.Put(5, 5);
    bits.Put(0, 9);
    bits.Put(1, 1);  // scale-factor scale
    bits.Put(0, 1);  // count-1 table
    const SideInfo si = ReadSideInfoFrom(bits, p.params);
    EXPECT_EQ(si.main_data_begin, 200);
    EXPECT_EQ(si.private_bits, 1);
    const GranuleChannelInfo& g = si.channel[0].granule[0];
    EXPECT_EQ(g.part2_3_length, 2000);
    EXPECT_EQ(g.scale_factor_compress, 511);
    EXPECT_EQ(g.block_type, 1);
    EXPECT_EQ(g.mixed_block, 1);
    EXPECT_EQ(g.region0_count, 7);
    EXPECT_EQ(g.region1_count, 13);
    EXPECT_EQ(g.pre_flag, 0);
    EXPECT_EQ(g.scale_factor_scale, 1);
}

TEST(Mp3DecLayer3SideInfo, WindowSwitchingWithBlockType0StopsTheDecoder) {
    Params p(1, 0, kSingleChannel);
    BitWriter bits;
    bits.Put(0, 9 + 5 + 4);
    bits.Put(0, 12 + 9);
    bits.Put(0, 8 + 4);
    bits.Put(1, 1);  // window switching
    bits.Put(0, 2);  // block type 0
    bits.Put(0, 32);
    EXPECT_EQ(StopMessage([&] { ReadSideInfoFrom(bits, p.params); }),
              (Diagnostic{DiagnosticStream::standard_output, "Side info bad: block_type == 0 in split block.\n"}));
}

TEST(Mp3DecLayer3SideInfo, MainDataByteCountOfBothVersions) {
    Params stereo128(1, 0, kStereo, 0, 9);  // 128 kbit/s, 44.1 kHz: 417 slots
    EXPECT_EQ(main_data_byte_count(stereo128.params), 417 - 32 - 4);
    stereo128.header.padding = 1;
    stereo128.header.error_protection = 1;
    EXPECT_EQ(main_data_byte_count(stereo128.params), 417 - 32 - 4 + 1 - 2);
    Params mono64(1, 2, kSingleChannel, 0, 5);  // 64 kbit/s, 32 kHz: 288 slots
    EXPECT_EQ(main_data_byte_count(mono64.params), 288 - 17 - 4);
    Params lsf_mono(0, 1, kSingleChannel, 0, 12);  // 128 kbit/s, 24 kHz: 768 / 2
    EXPECT_EQ(main_data_byte_count(lsf_mono.params), 384 - 9 - 4);
    Params lsf_stereo(0, 0, kJointStereo, 0, 8);  // 64 kbit/s, 22.05 kHz: 417 / 2
    EXPECT_EQ(main_data_byte_count(lsf_stereo.params), 208 - 17 - 4);
}

TEST(Mp3DecLayer3Reservoir, WrapsAroundAndRewinds) {
    auto r = std::make_unique<MainDataReservoir>();
    for (std::uint32_t i = 0; i < 4100; ++i) reservoir_put_byte(*r, (i * 7) & 0xFF, 8);
    // The first four entries were overwritten by bytes 4096..4099.
    EXPECT_EQ(reservoir_get_bits(*r, 8), (4096u * 7) & 0xFF);
    EXPECT_EQ(reservoir_get_bits(*r, 0), 0u);
    EXPECT_EQ(reservoir_get_bits(*r, 4), ((4097u * 7) & 0xFF) >> 4);
    EXPECT_EQ(reservoir_position(*r), 12u);
    reservoir_rewind_bits(*r, 5);  // back into the first entry
    EXPECT_EQ(reservoir_position(*r), 7u);
    EXPECT_EQ(reservoir_get_bits(*r, 9), (((4096u * 7) & 0x1) << 8) | ((4097u * 7) & 0xFF));
    reservoir_rewind_bytes(*r, 1);
    EXPECT_EQ(reservoir_position(*r), 8u);
    // One entry back, at the same bit: entries of bytes 4097 and 4098 follow.
    EXPECT_EQ(reservoir_get_bits(*r, 16), ((4097u * 7) & 0xFF) << 8 | ((4098u * 7) & 0xFF));
}

TEST(Mp3DecLayer3Reservoir, ReadingBeyondTheStoredBytesStopsTheDecoder) {
    auto r = std::make_unique<MainDataReservoir>();
    reservoir_put_byte(*r, 0xAB, 8);
    reservoir_put_byte(*r, 0xCD, 8);
    EXPECT_EQ(reservoir_get_bits(*r, 16), 0xABCDu);
    // The entry at the write count may still be read; moving past it may not.
    reservoir_get_bits(*r, 7);
    EXPECT_EQ(StopMessage([&] { reservoir_get_bits(*r, 1); }),
              (Diagnostic{DiagnosticStream::standard_output, "Buffer overflow !!\n"}));
    EXPECT_EQ(StopMessage([&] { reservoir_put_byte(*r, 1, 4); }),
              (Diagnostic{DiagnosticStream::standard_output, "Not Supported yet!!\n"}));
}

TEST(Mp3DecLayer3ScaleFactors, Mpeg1LongBandsReuseSelectedGroupsInGranule1) {
    SideInfo si;
    si.channel[0].granule[0] = LongGranule();
    si.channel[0].granule[0].scale_factor_compress = 15;  // slen1 4, slen2 3
    si.channel[0].granule[1] = si.channel[0].granule[0];
    si.channel[0].scale_factor_selection[0] = 0;
    si.channel[0].scale_factor_selection[1] = 1;
    si.channel[0].scale_factor_selection[2] = 1;
    si.channel[0].scale_factor_selection[3] = 0;
    BitWriter bits;
    for (int band = 0; band < 21; ++band) bits.Put(band % 8, band < 11 ? 4 : 3);
    // Granule 1 carries only groups 0 (bands 0..5) and 3 (bands 16..20).
    for (int band = 0; band < 6; ++band) bits.Put(15 - band, 4);
    for (int band = 16; band < 21; ++band) bits.Put(7 - band % 8, 3);
    auto r = ReservoirWith(bits);
    ScaleFactors sf;
    sf.long_band[21] = 9;
    read_scale_factors(*r, sf, si, 0, 0);
    EXPECT_EQ(reservoir_position(*r), 11u * 4 + 10 * 3);
    EXPECT_EQ(sf.long_band[10], 2);
    EXPECT_EQ(sf.long_band[21], 0);
    read_scale_factors(*r, sf, si, 1, 0);
    EXPECT_EQ(reservoir_position(*r), 11u * 4 + 10 * 3 + 6 * 4 + 5 * 3);
    EXPECT_EQ(sf.long_band[0], 15);
    EXPECT_EQ(sf.long_band[5], 10);
    EXPECT_EQ(sf.long_band[6], 6);   // kept from granule 0
    EXPECT_EQ(sf.long_band[15], 7);  // kept from granule 0
    EXPECT_EQ(sf.long_band[16], 7);
    EXPECT_EQ(sf.long_band[20], 3);

    // All four flags set: granule 1 reads nothing.
    for (int& flag : si.channel[0].scale_factor_selection) flag = 1;
    const std::uint32_t before = reservoir_position(*r);
    read_scale_factors(*r, sf, si, 1, 0);
    EXPECT_EQ(reservoir_position(*r), before);
    EXPECT_EQ(sf.long_band[0], 15);
}

TEST(Mp3DecLayer3ScaleFactors, Mpeg1ShortAndMixedBlocks) {
    SideInfo si;
    si.channel[1].granule[0] = ShortGranule(false);
    si.channel[1].granule[0].scale_factor_compress = 10;  // slen1 2, slen2 3
    BitWriter bits;
    int next = 0;
    for (int band = 0; band < 12; ++band)
        for (int window = 0; window < 3; ++window) bits.Put(next++ % 4, band < 6 ? 2 : 3);
    auto r = ReservoirWith(bits);
    ScaleFactors sf;
    sf.short_band[2][12] = 5;
    read_scale_factors(*r, sf, si, 0, 1);
    EXPECT_EQ(reservoir_position(*r), 18u * 2 + 18 * 3);
    EXPECT_EQ(sf.short_band[1][0], 1);
    EXPECT_EQ(sf.short_band[2][1], 1);  // value 5 % 4
    EXPECT_EQ(sf.short_band[0][11], 33 % 4);
    EXPECT_EQ(sf.short_band[2][12], 0);

    si.channel[1].granule[0] = ShortGranule(true);
    si.channel[1].granule[0].scale_factor_compress = 10;
    BitWriter mixed;
    for (int band = 0; band < 8; ++band) mixed.Put(3 - band % 4, 2);
    for (int band = 3; band < 12; ++band)
        for (int window = 0; window < 3; ++window) mixed.Put(window + 1, band < 6 ? 2 : 3);
    r = ReservoirWith(mixed);
    ScaleFactors msf;
    read_scale_factors(*r, msf, si, 0, 1);
    EXPECT_EQ(reservoir_position(*r), 8u * 2 + 9 * 2 + 18 * 3);
    EXPECT_EQ(msf.long_band[7], 0);
    EXPECT_EQ(msf.long_band[4], 3);
    EXPECT_EQ(msf.short_band[2][3], 3);
    EXPECT_EQ(msf.short_band[0][11], 1);
    EXPECT_EQ(msf.short_band[1][2], 0);  // below the short part: untouched
}

TEST(Mp3DecLayer3ScaleFactors, Mpeg2LengthsAndGroupings) {
    struct Case {
        int compress;
        bool intensity;
        int lengths[4];
        int grouping;
        int pre_flag;
    };
    const Case cases[] = {
        {0, false, {0, 0, 0, 0}, 0, 0},   {100, false, {1, 1, 1, 0}, 0, 0}, {399, false, {4, 4, 3, 3}, 0, 0},
        {450, false, {2, 2, 2, 0}, 1, 0}, {505, false, {1, 2, 0, 0}, 2, 1}, {300, true, {4, 1, 0, 0}, 3, 0},
        {301, true, {4, 1, 0, 0}, 3, 0},  {400, true, {1, 1, 0, 0}, 4, 0}, {500, true, {2, 0, 0, 0}, 5, 0},
        {510, true, {0, 0, 0, 0}, 5, 0},  {511, true, {0, 0, 0, 0}, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.compress);
        const LsfScaleFactorLayout layout = lsf_scale_factor_layout(c.compress, c.intensity);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(layout.lengths[i], c.lengths[i]);
        EXPECT_EQ(layout.grouping, c.grouping);
        EXPECT_EQ(layout.pre_flag, c.pre_flag);
    }
}

TEST(Mp3DecLayer3ScaleFactors, Mpeg2ReadingDistributesPartitionsAndSetsThePreFlag) {
    Params p(0, 0, kJointStereo, 1);  // intensity on: the right channel takes the intensity form
    SideInfo si;
    si.channel[0].granule[0] = LongGranule();
    si.channel[0].granule[0].scale_factor_compress = 505;  // lengths 1, 2, 0, 0; grouping 2 (11, 10 bands)
    BitWriter bits;
    for (int band = 0; band < 11; ++band) bits.Put(band % 2, 1);
    for (int band = 11; band < 21; ++band) bits.Put(band % 4, 2);
    auto r = ReservoirWith(bits);
    ScaleFactors sf;
    read_lsf_scale_factors(*r, sf, si, 0, 0, p.params);
    EXPECT_EQ(si.channel[0].granule[0].pre_flag, 1);
    EXPECT_EQ(reservoir_position(*r), 11u + 20);
    EXPECT_EQ(sf.long_band[9], 1);
    EXPECT_EQ(sf.long_band[14], 2);
    EXPECT_EQ(sf.long_band[21], 0);

    // Right channel, mixed block, compress 300 (c = 150: lengths 4, 1, 0, 0; grouping 3: 6 and 15 bands).
    si.channel[1].granule[0] = ShortGranule(true);
    si.channel[1].granule[0].scale_factor_compress = 300;
    BitWriter right;
    for (int band = 0; band < 6; ++band) right.Put(band + 9, 4);
    for (int i = 0; i < 15; ++i) right.Put(i % 2, 1);
    r = ReservoirWith(right);
    ScaleFactors rsf;
    read_lsf_scale_factors(*r, rsf, si, 0, 1, p.params);
    EXPECT_EQ(reservoir_position(*r), 6u * 4 + 15);
    EXPECT_EQ(si.channel[1].granule[0].pre_flag, 0);
    // The long part of a mixed block (lines 0..35) has six long bands at these rates.
    EXPECT_EQ(rsf.long_band[5], 14);
    EXPECT_EQ(rsf.short_band[0][3], 0);
    EXPECT_EQ(rsf.short_band[1][3], 1);
    EXPECT_EQ(rsf.short_band[2][7], 0);  // value 14 of the partition: 14 % 2
    EXPECT_EQ(rsf.short_band[0][8], 0);  // value 15 lies in the zero-length partition
    EXPECT_EQ(rsf.short_band[0][12], 0);
}

TEST(Mp3DecLayer3Huffman, CountOnePartEndingInsideAQuadrupleIsSteppedBack) {
    Params p(1, 0, kSingleChannel);
    SideInfo si;
    GranuleChannelInfo& g = si.channel[0].granule[0];
    g = LongGranule();
    g.count1_table_select = 1;  // table B: 4-bit codes, 15 - value
    g.part2_3_length = 3 + 8 + 4;  // 3 bits of scale factors before, then 8 + 4 of this part
    BitWriter bits;
    bits.Put(0b101, 3);  // what the scale factors used
    bits.Put(0b0000, 4);  // quadruple 1, 1, 1, 1
    bits.Put(0b0101, 4);  // signs: +, -, +, -
    bits.Put(0b1110, 4);  // quadruple 0, 0, 0, 1
    bits.Put(1, 1);       // sign -, ending 1 bit beyond the part
    bits.Put(0b1111, 4);
    auto r = ReservoirWith(bits);
    reservoir_get_bits(*r, 3);
    std::int32_t values[576];
    for (std::int32_t& v : values) v = 77;
    const int end = decode_huffman_samples(values, si, 0, 0, 0, p.params, *r);
    EXPECT_EQ(end, 4);
    EXPECT_EQ(reservoir_position(*r), 15u);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], -1);
    EXPECT_EQ(values[2], 1);
    EXPECT_EQ(values[3], -1);
    for (int k = 4; k < 576; ++k) ASSERT_EQ(values[k], 0) << k;
}

TEST(Mp3DecLayer3Huffman, BigValuesUseTheRegionTablesAndShortPartsAreSkipped) {
    Params p(1, 0, kSingleChannel);  // 44.1 kHz: long boundaries 0 4 8 ...
    SideInfo si;
    GranuleChannelInfo& g = si.channel[0].granule[0];
    g = LongGranule();
    g.big_values = 3;
    g.region0_count = 0;  // region 1 starts at line 4
    g.region1_count = 0;  // region 2 starts at line 8
    g.table_select[0] = 1;
    g.table_select[1] = 0;
    g.count1_table_select = 1;
    BitWriter bits;
    bits.Put(0b1, 1);    // table 1: (0, 0)
    bits.Put(0b01, 2);   // table 1: (1, 0)
    bits.Put(0, 1);      // sign +
    // pair at line 4 uses table 0: no bits. Count-1: one quadruple (0,0,1,0) = 1101 and a sign.
    bits.Put(0b1101, 4);
    bits.Put(1, 1);
    // 6 more bits of zeros: they start a quadruple (15: four ones and signs) that runs past the end.
    g.part2_3_length = 1 + 2 + 1 + 5 + 6;
    auto r = ReservoirWith(bits);
    std::int32_t values[576] = {};
    const int end = decode_huffman_samples(values, si, 0, 0, 0, p.params, *r);
    EXPECT_EQ(end, 10);
    EXPECT_EQ(reservoir_position(*r), 15u);
    EXPECT_EQ(values[2], 1);
    EXPECT_EQ(values[3], 0);
    EXPECT_EQ(values[8], -1);
}

TEST(Mp3DecLayer3Requantize, LongShortAndMixedBlocksTakeTheirBandsGains) {
    Params p(1, 0, kSingleChannel);  // 44.1 kHz
    std::int32_t q[576] = {};
    for (int k = 0; k < 576; ++k) q[k] = (k % 3) - 1;  // -1, 0, 1, ...
    q[5] = 8;
    ScaleFactors sf;
    for (int b = 0; b < 22; ++b) sf.long_band[b] = b % 3;
    for (int w = 0; w < 3; ++w)
        for (int b = 0; b < 13; ++b) sf.short_band[w][b] = (b + w) % 4;
    double out[576];

    GranuleChannelInfo g = LongGranule(214);
    g.pre_flag = 1;
    g.scale_factor_scale = 1;
    requantize_samples(q, out, sf, g, p.params);
    const double global = std::pow(2.0, 0.25 * (214 - 210.0));
    // Line 5 is in band 1; line 200 in band 17 (196..237) with pre-emphasis 3.
    EXPECT_DOUBLE_EQ(out[5], global * std::pow(2.0, -1.0 * 1) * std::pow(8.0, 4.0 / 3.0));
    EXPECT_DOUBLE_EQ(out[200], global * std::pow(2.0, -1.0 * (2 + 3)));
    EXPECT_EQ(out[199], 0.0);

    GranuleChannelInfo s = ShortGranule(false, 214);
    s.subblock_gain[1] = 2;
    requantize_samples(q, out, sf, s, p.params);
    // Short band 5 starts at line 3 * 22 = 66 and is 8 wide: line 66 + 8 + 3 = 77 is window 1.
    EXPECT_DOUBLE_EQ(out[77], global * std::pow(2.0, -4.0) * std::pow(2.0, -0.5 * ((5 + 1) % 4)));
    EXPECT_DOUBLE_EQ(out[78], -global * std::pow(2.0, -4.0) * std::pow(2.0, -0.5 * ((5 + 1) % 4)));

    GranuleChannelInfo m = ShortGranule(true, 214);
    m.subblock_gain[0] = 1;
    requantize_samples(q, out, sf, m, p.params);
    // Line 35 is long band 7 (30..35); line 38 is short band 3 (36..47), window 0.
    EXPECT_DOUBLE_EQ(out[35], global * std::pow(2.0, -0.5 * 1) * 1.0);
    EXPECT_DOUBLE_EQ(out[38], global * std::pow(2.0, -2.0) * std::pow(2.0, -0.5 * 3) * 1.0);
}

TEST(Mp3DecLayer3Stereo, MiddleSideAndCopies) {
    Params p(1, 0, kJointStereo, 2);
    auto in = std::make_unique<double[][576]>(2);
    auto out = std::make_unique<double[][576]>(2);
    for (int k = 0; k < 576; ++k) {
        in[0][k] = 1.0 + k;
        in[1][k] = 0.5;
    }
    ScaleFactors sf[2];
    const GranuleChannelInfo g = LongGranule();
    process_stereo(in.get(), out.get(), sf, g, g, p.params);
    EXPECT_DOUBLE_EQ(out[0][3], (4.0 + 0.5) * 0.707106782373095);
    EXPECT_DOUBLE_EQ(out[1][3], (4.0 - 0.5) * 0.707106782373095);

    Params plain(1, 0, kStereo, 2);
    process_stereo(in.get(), out.get(), sf, g, g, plain.params);
    EXPECT_EQ(out[0][100], 101.0);
    EXPECT_EQ(out[1][100], 0.5);
}

TEST(Mp3DecLayer3Stereo, Mpeg1IntensityInLongBlocks) {
    Params p(1, 0, kJointStereo, 1);  // 44.1 kHz
    auto in = std::make_unique<double[][576]>(2);
    auto out = std::make_unique<double[][576]>(2);
    for (int k = 0; k < 576; ++k) in[0][k] = 2.0;
    in[1][25] = 1.0;  // the right channel ends in band 6 (24..29): intensity from band 7 (line 30)
    ScaleFactors sf[2];
    sf[1].long_band[6] = 3;
    sf[1].long_band[7] = 0;
    sf[1].long_band[8] = 6;
    sf[1].long_band[20] = 2;
    const GranuleChannelInfo g = LongGranule();
    process_stereo(in.get(), out.get(), sf, g, g, p.params);
    EXPECT_EQ(out[0][29], 2.0);  // below the intensity part: copied
    EXPECT_EQ(out[1][25], 1.0);
    EXPECT_EQ(out[0][30], 0.0);  // position 0: ratio 0, all in the right channel
    EXPECT_EQ(out[1][30], 2.0);
    const double r6 = std::tan(6 * kPi / 12);
    EXPECT_DOUBLE_EQ(out[0][36], 2.0 * r6 / (1 + r6));
    EXPECT_NEAR(out[0][36], 2.0, 1e-9);
    const double r2 = std::tan(2 * kPi / 12);
    EXPECT_DOUBLE_EQ(out[0][500], 2.0 * r2 / (1 + r2));  // band 21 follows band 20
    EXPECT_DOUBLE_EQ(out[1][500], 2.0 * 1 / (1 + r2));

    // An all-zero right channel leaves every band to intensity, band 0 included; a right channel whose only
    // non-zero line is line 0 starts it at band 1.
    for (int k = 0; k < 576; ++k) in[1][k] = 0.0;
    sf[1].long_band[0] = 0;
    sf[1].long_band[1] = 0;
    process_stereo(in.get(), out.get(), sf, g, g, p.params);
    EXPECT_EQ(out[0][0], 0.0);
    EXPECT_EQ(out[1][0], 2.0);
    EXPECT_EQ(out[0][4], 0.0);
    EXPECT_EQ(out[1][4], 2.0);
    in[1][0] = 1.0;
    process_stereo(in.get(), out.get(), sf, g, g, p.params);
    EXPECT_EQ(out[0][0], 2.0);
    EXPECT_EQ(out[1][0], 1.0);
    EXPECT_EQ(out[0][4], 0.0);
    EXPECT_EQ(out[1][4], 2.0);
}

TEST(Mp3DecLayer3Stereo, IntensityInShortAndMixedBlocks) {
    Params p(1, 0, kJointStereo, 1);  // 44.1 kHz short bands 0 4 8 12 16 22 30 40 52 66 84 106 136 192
    auto in = std::make_unique<double[][576]>(2);
    auto out = std::make_unique<double[][576]>(2);
    for (int k = 0; k < 576; ++k) in[0][k] = 3.0;
    // Window 0 of the right channel ends in short band 4 (lines 48..53); windows 1 and 2 are silent.
    in[1][50] = 1.0;
    ScaleFactors sf[2];
    for (int w = 0; w < 3; ++w)
        for (int b = 0; b < 13; ++b) sf[1].short_band[w][b] = 0;  // position 0: all to the right
    sf[1].short_band[0][11] = 7;  // no intensity in band 11 of window 0, nor band 12 that follows it
    const GranuleChannelInfo s = ShortGranule(false);
    process_stereo(in.get(), out.get(), sf, s, s, p.params);
    // Band 5 window 0: lines 66..73 take intensity; band 4 window 0 (48..51) keeps its values.
    EXPECT_EQ(out[0][48], 3.0);
    EXPECT_EQ(out[0][66], 0.0);
    EXPECT_EQ(out[1][66], 3.0);
    // Window 1 is all zero: every band from 0 on takes intensity (band 0 window 1: lines 4..7).
    EXPECT_EQ(out[0][5], 0.0);
    // Band 11 window 0: lines 318..339; band 12 window 0: lines 408..463 (position 7: copied).
    EXPECT_EQ(out[0][320], 3.0);
    EXPECT_EQ(out[0][410], 3.0);
    EXPECT_EQ(out[0][470], 0.0);  // band 12 window 1 follows band 11 window 1

    // Mixed: everything of the right channel is silent above line 35, so the long part is processed too.
    for (int k = 0; k < 576; ++k) in[1][k] = 0.0;
    in[1][10] = 1.0;  // last non-zero line in long band 2 (8..11): long intensity from band 3
    for (int b = 0; b < 8; ++b) sf[1].long_band[b] = 0;
    const GranuleChannelInfo m = ShortGranule(true);
    process_stereo(in.get(), out.get(), sf, m, m, p.params);
    EXPECT_EQ(out[0][11], 3.0);
    EXPECT_EQ(out[0][12], 0.0);
    EXPECT_EQ(out[0][35], 0.0);
    EXPECT_EQ(out[0][36], 0.0);  // short band 3 window 0
}

TEST(Mp3DecLayer3Stereo, Mpeg2IntensityFactorsFollowTheRightChannelsScale) {
    Params p(0, 0, kJointStereo, 1);
    auto in = std::make_unique<double[][576]>(2);
    auto out = std::make_unique<double[][576]>(2);
    for (int k = 0; k < 576; ++k) in[0][k] = 1.0;
    ScaleFactors sf[2];
    sf[1].long_band[1] = 3;  // odd: left io^2, right 1
    sf[1].long_band[2] = 4;  // even: left 1, right io^2
    sf[1].long_band[3] = 0;
    GranuleChannelInfo left = LongGranule();
    GranuleChannelInfo right = LongGranule();
    right.scale_factor_compress = 301;  // odd: io = 1/sqrt(2)
    process_stereo(in.get(), out.get(), sf, left, right, p.params);
    const double io = 0.707106781188;
    EXPECT_DOUBLE_EQ(out[0][6], std::pow(io, 2));  // band 1: lines 6..11 at 22.05 kHz
    EXPECT_EQ(out[1][6], 1.0);
    EXPECT_EQ(out[0][12], 1.0);
    EXPECT_DOUBLE_EQ(out[1][12], std::pow(io, 2));
    EXPECT_EQ(out[0][18], 1.0);
    EXPECT_EQ(out[1][18], 1.0);
    right.scale_factor_compress = 300;
    process_stereo(in.get(), out.get(), sf, left, right, p.params);
    EXPECT_DOUBLE_EQ(out[0][6], std::pow(0.840896415256, 2));
}

TEST(Mp3DecLayer3Reorder, ShortBlocksBecomeFrequencyMajor) {
    Params p(1, 0, kSingleChannel);
    double in[576], out[576];
    for (int k = 0; k < 576; ++k) in[k] = k;
    reorder_short_blocks(in, out, ShortGranule(false), p.params);
    EXPECT_EQ(out[19], 18.0);  // band 1 (4 wide, from line 12), window 1, i = 2
    EXPECT_EQ(out[0], 0.0);
    EXPECT_EQ(out[1], 4.0);
    EXPECT_EQ(out[3], 1.0);
    reorder_short_blocks(in, out, ShortGranule(true), p.params);
    EXPECT_EQ(out[19], 19.0);  // the long part of a mixed block stays
    EXPECT_EQ(out[37], 40.0);  // band 3 (from 36, 4 wide): window 1, i = 0
    reorder_short_blocks(in, out, LongGranule(), p.params);
    for (int k = 0; k < 576; ++k) ASSERT_EQ(out[k], in[k]);
}

TEST(Mp3DecLayer3Alias, ButterfliesBetweenNeighbouringSubbands) {
    const AliasCoefficients& a = alias_coefficients();
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(a.cs[i] * a.cs[i] + a.ca[i] * a.ca[i], 1.0, 1e-15);
        EXPECT_NEAR(a.ca[i] / a.cs[i], kAliasCoefficients[i], 1e-15);
    }
    double in[576], out[576];
    for (int k = 0; k < 576; ++k) in[k] = std::sin(0.37 * k) + 0.1;
    alias_reduce(in, out, LongGranule());
    for (int sb = 0; sb < 31; ++sb)
        for (int i = 0; i < 8; ++i) {
            const double u = in[18 * sb + 17 - i];
            const double d = in[18 * (sb + 1) + i];
            ASSERT_EQ(out[18 * sb + 17 - i], u * a.cs[i] - d * a.ca[i]);
            ASSERT_EQ(out[18 * (sb + 1) + i], d * a.cs[i] + u * a.ca[i]);
        }
    EXPECT_EQ(out[8], in[8]);
    EXPECT_EQ(out[9], in[9]);

    alias_reduce(in, out, ShortGranule(true));
    EXPECT_NE(out[17], in[17]);
    EXPECT_EQ(out[35], in[35]);  // only subbands 0 and 1 of a mixed block
    EXPECT_EQ(out[36], in[36]);
    alias_reduce(in, out, ShortGranule(false));
    for (int k = 0; k < 576; ++k) ASSERT_EQ(out[k], in[k]);
}

TEST(Mp3DecLayer3Hybrid, InverseTransformMatchesThePlainFormula) {
    double in[18];
    for (int m = 0; m < 18; ++m) in[m] = std::cos(0.9 * m) - 0.2;
    for (int type : {0, 1, 3}) {
        double out[36];
        imdct36(in, out, type);
        const double* window = imdct_window(type);
        for (int p = 0; p < 36; ++p) {
            double sum = 0.0;
            for (int m = 0; m < 18; ++m) sum += in[m] * std::cos(kPi / 72 * (2 * p + 19) * (2 * m + 1));
            ASSERT_NEAR(out[p], sum * window[p], 1e-12) << "type " << type << " output " << p;
        }
    }
    double out[36];
    imdct36(in, out, 2);
    const double* window = imdct_window(2);
    for (int p = 0; p < 36; ++p) {
        double expected = 0.0;
        for (int w = 0; w < 3; ++w) {
            const int q = p - 6 - 6 * w;
            if (q < 0 || q >= 12) continue;
            double t = 0.0;
            for (int m = 0; m < 6; ++m) t += in[w + 3 * m] * std::cos(kPi / 24 * (2 * q + 7) * (2 * m + 1));
            expected += t * window[q];
        }
        ASSERT_NEAR(out[p], expected, 1e-12) << "short output " << p;
    }
}

TEST(Mp3DecLayer3Hybrid, WindowsHaveTheirShapes) {
    const double* w0 = imdct_window(0);
    const double* w1 = imdct_window(1);
    const double* w2 = imdct_window(2);
    const double* w3 = imdct_window(3);
    for (int i = 0; i < 18; ++i) EXPECT_NEAR(w0[i] * w0[i] + w0[i + 18] * w0[i + 18], 1.0, 1e-13);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(w2[i] * w2[i] + w2[i + 6] * w2[i + 6], 1.0, 1e-13);
    for (int i = 0; i < 36; ++i) {
        EXPECT_EQ(w1[i], i < 18 ? w0[i] : (i < 24 ? 1.0 : (i < 30 ? w2[i - 18] : 0.0)));
        EXPECT_EQ(w3[i], i < 6 ? 0.0 : (i < 12 ? w2[i - 6] : (i < 18 ? 1.0 : w0[i])));
    }
}

TEST(Mp3DecLayer3Hybrid, OverlapCarriesTheSecondHalfIntoTheNextGranule) {
    double in[18], out[18], raw[36];
    for (int m = 0; m < 18; ++m) in[m] = 0.5 - 0.03 * m;
    double overlap[18] = {};
    for (double& v : overlap) v = 0.25;
    const GranuleChannelInfo g = LongGranule();
    imdct36(in, raw, 0);
    hybrid_synthesis(in, out, 5, overlap, g);
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(out[i], raw[i] + 0.25);
        EXPECT_EQ(overlap[i], raw[i + 18]);
    }
    const double zeros[18] = {};
    hybrid_synthesis(zeros, out, 5, overlap, g);
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(out[i], raw[i + 18]);
        EXPECT_EQ(overlap[i], 0.0);
    }
    // Subbands 0 and 1 of a mixed block use the long window whatever the block type.
    GranuleChannelInfo m = ShortGranule(true);
    double mixed_out[18], overlap2[18] = {};
    hybrid_synthesis(in, mixed_out, 1, overlap2, m);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(mixed_out[i], raw[i]);
}
