// MPEG-2 joint stereo with intensity stereo, which neither Debian encoder writes: frames are written here
// with chosen side information, scale factors (the right channel's are the intensity positions) and
// values, and decoded by us and by mpg123.
//
// Where the two decoders part ways, ISO/IEC 13818-3 decided:
// - Mixed blocks: the positions of the short bands are read from the transmission order of the MPEG-2
//   scale factors (six long bands, then short bands 3..11 window by window) and the long part ends at line
//   36. mpg123 takes the MPEG-1 layout (eight long bands), so its positions land on other bands; only
//   streams whose positions agree in both layouts are compared with it.
// - A right channel that is zero throughout gives every band to intensity stereo, band 0 included.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Mp3DecTestSupport.h"
#include "mp3dec/layer3_scale_factors.h"
#include "mp3dec/layer3_stereo.h"
#include "mp3dec/tables_layer3.h"
#include "tests/support/LsfFrameWriter.h"

using namespace tressel::testing;

namespace {

enum Blocks { kLong = 0, kShort = 1, kMixed = 2 };

struct IntensityCase {
    std::string name;
    Blocks blocks;
    int widths[3];  // scale-factor field widths of the right channel's partitions 1..3
    int intensity_scale;
    int mode_extension;          // 1: intensity stereo, 3: with middle/side
    int right_lines;             // the right channel's non-zero lines: 0..right_lines - 1
    std::vector<int> positions;  // repeated over the transmitted scale factors
};

void PrintTo(const IntensityCase& c, std::ostream* os) {
    *os << c.name;
}

// The compress value of the right channel that gives the field widths (first range of ISO/IEC 13818-3:
// 36 x width 1 + 6 x width 2 + width 3) with the intensity scale in its lowest bit.
int IntensityCompress(const int widths[3], int intensity_scale) {
    return 2 * (36 * widths[0] + 6 * widths[1] + widths[2]) + intensity_scale;
}

LsfFrame FrameOf(const IntensityCase& c) {
    LsfFrame frame;
    frame.mode_extension = c.mode_extension;
    for (auto& channel : frame.channel) {
        channel.block_type = c.blocks == kLong ? 0 : 2;
        channel.mixed_block = c.blocks == kMixed;
    }
    // The left channel sounds in every line; the right one only below its intensity part.
    for (int k = 0; k < 576; ++k)
        frame.channel[0].values[static_cast<std::size_t>(k)] = ((k * 7) % 5 + 1) * ((k / 3) % 2 ? 1 : -1);
    for (int k = 0; k < c.right_lines; ++k) frame.channel[1].values[static_cast<std::size_t>(k)] = k % 3 + 1;
    frame.channel[1].scale_factor_compress = IntensityCompress(c.widths, c.intensity_scale);
    for (int i = 0; i < 40; ++i)
        frame.channel[1].scale_factors.push_back(c.positions[static_cast<std::size_t>(i) % c.positions.size()]);
    return frame;
}

std::vector<std::int16_t> Pcm16(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

// Each case lets one thing decide: a position at the largest value of its field width (for widths 1 to 5)
// and one below it, bands past the last transmitted scale factor (width 0), long and short blocks, both
// intensity scales, with and without middle/side, and a right channel without a non-zero line. (Mixed
// blocks are where mpg123 reads other positions, see the top of this file.)
std::vector<IntensityCase> Cases() {
    std::vector<IntensityCase> cases;
    for (const int scale : {0, 1}) {
        const std::string s = scale == 0 ? "_scale0" : "_scale1";
        auto add = [&](const std::string& name, Blocks blocks, std::vector<int> widths, int extension, int right,
                       std::vector<int> positions) {
            cases.push_back(
                {name + s, blocks, {widths[0], widths[1], widths[2]}, scale, extension, right, std::move(positions)});
        };
        add("long_widths_333_every_position", kLong, {3, 3, 3}, 1, 24, {0, 1, 2, 3, 4, 5, 6, 7});
        add("long_widths_444_every_position", kLong, {4, 4, 4}, 1, 24,
            {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
        add("long_widths_444_largest", kLong, {4, 4, 4}, 1, 24, {15});
        add("long_widths_222_largest", kLong, {2, 2, 2}, 1, 24, {3});
        add("long_widths_222_below", kLong, {2, 2, 2}, 1, 24, {2});
        add("long_widths_111_largest", kLong, {1, 1, 1}, 1, 24, {1});
        add("long_widths_155_largest", kLong, {1, 5, 5}, 1, 24, {31});
        add("long_widths_155_below", kLong, {1, 5, 5}, 1, 24, {9});
        add("long_past_the_transmitted", kLong, {2, 2, 0}, 1, 24, {1});
        add("long_nothing_transmitted", kLong, {0, 0, 0}, 1, 24, {0});
        add("long_right_silent", kLong, {3, 3, 3}, 1, 0, {0, 1, 2, 3, 4, 5, 6, 7});
        add("long_middle_side", kLong, {4, 4, 4}, 3, 24, {15, 3});
        add("short_widths_333_every_position", kShort, {3, 3, 3}, 1, 24, {1, 2, 3, 4, 5, 6, 7, 0});
        add("short_widths_444_largest", kShort, {4, 4, 4}, 1, 24, {15});
        add("short_widths_444_seven", kShort, {4, 4, 4}, 1, 24, {7});
        add("short_past_the_transmitted", kShort, {2, 2, 0}, 1, 24, {1});
        add("short_right_silent", kShort, {3, 3, 3}, 1, 0, {2, 3, 4, 5, 6, 7, 0, 1});
        add("short_middle_side", kShort, {3, 3, 3}, 3, 24, {5, 6});
    }
    return cases;
}

class Mp3DecIntensityStereo : public ::testing::TestWithParam<IntensityCase> {};

}  // namespace

TEST_P(Mp3DecIntensityStereo, DecodesAsMpg123Does) {
    if (!mp3dec_test::ToolAvailable("mpg123")) GTEST_SKIP() << "mpg123 missing";
    const IntensityCase& c = GetParam();
    std::vector<std::uint8_t> stream;
    const std::vector<std::uint8_t> frame = WriteLsfFrame(FrameOf(c));
    for (int i = 0; i < 12; ++i) stream.insert(stream.end(), frame.begin(), frame.end());
    ScratchDir dir;
    WriteFileBytes(dir.File("in.mp3"), stream);
    const std::string decode =
        "mpg123 -q --no-gapless -s '" + dir.File("in.mp3") + "' > '" + dir.File("out.raw") + "' 2>/dev/null";
    ASSERT_EQ(std::system(decode.c_str()), 0);
    const std::vector<std::int16_t> theirs = Pcm16(ReadFileBytes(dir.File("out.raw")));
    const mp3dec::DecodedAudio ours = mp3dec::decode_image_to_pcm(stream, c.name, {}, {}, {});
    ASSERT_EQ(ours.summary.result, 0);
    ASSERT_EQ(ours.samples.size(), theirs.size());
    // Both channels separately: a rule that moves sound from one channel to the other shows in both.
    for (int ch = 0; ch < 2; ++ch) {
        std::vector<std::int16_t> a, b;
        for (std::size_t i = static_cast<std::size_t>(ch); i < theirs.size(); i += 2) {
            a.push_back(ours.samples[i]);
            b.push_back(theirs[i]);
        }
        const mp3dec_test::Comparison cmp = mp3dec_test::Compare(a, b);
        EXPECT_GE(cmp.psnr_db, 100.0) << c.name << " channel " << ch;
        EXPECT_LE(cmp.max_difference, 2) << c.name << " channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(Mpeg2, Mp3DecIntensityStereo, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<IntensityCase>& info) { return info.param.name; });

// Position 7 is illegal: where every band has it, intensity stereo changes nothing and the frame decodes as
// the same frame in plain stereo does, in every block kind.
TEST(Mp3DecIntensityStereoIllegal, EveryPositionIllegalDecodesAsPlainStereo) {
    for (const Blocks blocks : {kLong, kShort, kMixed}) {
        for (const int widths_value : {3, 4}) {
            const int widths[3] = {widths_value, widths_value, widths_value};
            IntensityCase c{"illegal", blocks, {widths[0], widths[1], widths[2]}, 0, 1, 60, {7}};
            LsfFrame intensity = FrameOf(c);
            LsfFrame plain = intensity;
            plain.mode_extension = 0;
            // The right channel's scale factors in the plain frame are its own, read in the plain layout: the
            // values must scale nothing (all zero) for the two decodes to meet.
            intensity.channel[1].values.fill(0);
            plain.channel[1].values.fill(0);
            plain.channel[1].scale_factor_compress = 0;
            plain.channel[1].scale_factors.clear();
            const mp3dec::DecodedAudio a =
                mp3dec::decode_image_to_pcm(WriteLsfFrame(intensity), "intensity", {}, {}, {});
            const mp3dec::DecodedAudio b = mp3dec::decode_image_to_pcm(WriteLsfFrame(plain), "plain", {}, {}, {});
            ASSERT_EQ(a.summary.result, 0);
            EXPECT_EQ(a.samples, b.samples) << "block kind " << blocks << ", width " << widths_value;
        }
    }
}

// In a mixed block the right channel's scale factors come as six long bands, then short bands 3..11 window by
// window; each position governs its own band and window, band 12 follows band 11, and the long part ends at
// line 36, where short band 3 begins.
TEST(Mp3DecIntensityStereoMixed, PositionsFollowTheMpeg2TransmissionOrder) {
    const int widths[3] = {4, 4, 4};
    const int compress = IntensityCompress(widths, 0);
    const LsfScaleFactorPartitions partitions = LsfPartitions(compress, true, kMixed);
    // Positions that differ from their neighbours in transmission order (none of them 7, the illegal
    // position, so that every band takes intensity).
    std::vector<int> transmitted;
    for (int i = 0; i < 33; ++i) transmitted.push_back(i % 15 == 7 ? 15 : i % 15);
    mp3dec_test::BitWriter bits;
    std::size_t next = 0;
    for (int p = 0; p < 4; ++p)
        for (int band = 0; band < partitions.bands[p]; ++band, ++next)
            if (partitions.widths[p] > 0) bits.Put(static_cast<std::uint32_t>(transmitted[next]), partitions.widths[p]);
    ASSERT_EQ(next, transmitted.size());
    bits.Put(0, 32);

    auto reservoir = std::make_unique<mp3dec::MainDataReservoir>();
    for (const std::uint8_t byte : bits.bytes) mp3dec::reservoir_put_byte(*reservoir, byte, 8);
    mp3dec::FrameHeader header;
    header.version = 0;
    header.layer = 3;
    header.mode = mp3dec::kJointStereo;
    header.mode_extension = 1;
    mp3dec::StreamParams params;
    params.header = &header;
    params.channels = 2;
    mp3dec::SideInfo side_info;
    mp3dec::GranuleChannelInfo& right = side_info.channel[1].granule[0];
    right.scale_factor_compress = compress;
    right.window_switching = 1;
    right.block_type = 2;
    right.mixed_block = 1;
    mp3dec::ScaleFactors scale_factors;
    mp3dec::read_lsf_scale_factors(*reservoir, scale_factors, side_info, 0, 1, params);

    const double silent[576] = {};
    std::int16_t positions[576];
    mp3dec::intensity_positions(silent, scale_factors, right, params, positions);
    const mp3dec::ScaleFactorBands& bands = mp3dec::kScaleFactorBands[0];  // 22.05 kHz
    for (int band = 0; band < 6; ++band)
        for (int k = bands.long_start[band]; k < bands.long_start[band + 1]; ++k)
            ASSERT_EQ(positions[k], transmitted[static_cast<std::size_t>(band)]) << "line " << k;
    for (int band = 3; band < 13; ++band) {
        const int width = bands.short_start[band + 1] - bands.short_start[band];
        for (int window = 0; window < 3; ++window) {
            const int source = band < 12 ? band : 11;
            const int expected = transmitted[static_cast<std::size_t>(6 + 3 * (source - 3) + window)];
            const int first = 3 * bands.short_start[band] + window * width;
            for (int k = first; k < first + width; ++k)
                ASSERT_EQ(positions[k], expected) << "band " << band << " window " << window;
        }
    }
}
