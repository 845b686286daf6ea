// Layer III decoding of the ISO conformance streams against their reference output, and the per-decode
// freshness of the decoder state.

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "Mp3DecTestSupport.h"

using mp3dec_test::Compare;
using mp3dec_test::Comparison;
using mp3dec_test::DecodeFile;
using mp3dec_test::DecodeResult;
using mp3dec_test::FrameOffsets;
using mp3dec_test::ReadPcm16;
using mp3dec_test::VectorPath;
using tressel::testing::ReadFileBytes;
using tressel::testing::ScratchDir;
using tressel::testing::WriteFileBytes;

namespace {

struct Vector {
    const char* name;
    int channels;  // of the last frame, which the WAV header describes; 0 when the mode changes midway
    int rate;
};

// Names the case in test listings (rather than dumping its bytes).
void PrintTo(const Vector& v, std::ostream* os) {
    *os << v.name;
}

class Mp3DecLayer3Vectors : public ::testing::TestWithParam<Vector> {};

}  // namespace

TEST_P(Mp3DecLayer3Vectors, MatchTheReferenceOutput) {
    const Vector& v = GetParam();
    const DecodeResult result = DecodeFile(VectorPath(std::string(v.name) + ".bit"));
    ASSERT_EQ(result.code, 0);
    EXPECT_EQ(result.Le32(24), static_cast<std::uint32_t>(v.rate));
    if (v.channels != 0) {
        EXPECT_EQ(result.Le16(22), v.channels);
        EXPECT_EQ(result.Le32(40), result.file.size() - 44);
    }
    const std::vector<std::int16_t> ours = result.Samples();
    const std::vector<std::int16_t> reference = ReadPcm16(VectorPath(std::string(v.name) + ".pcm"));
    // The reference may omit the last frame; the comparison covers the common length, which must hold
    // all but at most one frame of ours.
    const std::size_t frame_samples = 2u * (v.rate >= 32000 ? 1152 : 576);
    ASSERT_GE(reference.size() + frame_samples, ours.size());
    const Comparison c = Compare(ours, reference);
    std::printf("%-14s samples %zu  PSNR %.2f dB  largest difference %d\n", v.name, c.compared, c.psnr_db,
                c.max_difference);
    EXPECT_GE(c.psnr_db, 96.0);
    EXPECT_LE(c.max_difference, 1);
}

INSTANTIATE_TEST_SUITE_P(Iso, Mp3DecLayer3Vectors,
                         ::testing::Values(Vector{"l3-compl", 1, 48000}, Vector{"l3-he_mode", 0, 44100},
                                           Vector{"l3-hecommon", 2, 44100}, Vector{"l3-si_block", 1, 44100},
                                           Vector{"M2L3_compl24", 1, 24000}),
                         [](const ::testing::TestParamInfo<Vector>& info) {
                             return mp3dec_test::TestCaseName(info.param.name);
                         });

TEST(Mp3DecLayer3State, EveryDecodeStartsFresh) {
    const DecodeResult alone = DecodeFile(VectorPath("l3-si_block.bit"));
    // Another file first (a Layer II stream, then a Layer III one) must leave nothing behind.
    DecodeFile(VectorPath("l2-fl10.bit"));
    DecodeFile(VectorPath("l3-hecommon.bit"));
    const DecodeResult again = DecodeFile(VectorPath("l3-si_block.bit"));
    ASSERT_EQ(alone.code, 0);
    EXPECT_EQ(alone.file, again.file);
}

TEST(Mp3DecLayer3State, StreamEnteredInTheMiddleDropsFramesWhoseMainDataIsMissing) {
    const std::vector<std::uint8_t> whole = ReadFileBytes(VectorPath("l3-si_block.bit"));
    const std::vector<std::size_t> frames = FrameOffsets(whole);
    ASSERT_GT(frames.size(), 20u);
    // Cut at the first frame from 10 on whose main data begins in an earlier frame.
    std::size_t cut = 10;
    auto main_data_begin = [&](std::size_t frame) {
        const std::size_t side = frames[frame] + 4 + ((whole[frames[frame] + 1] & 1) == 0 ? 2 : 0);
        return (whole[side] << 1) | (whole[side + 1] >> 7);
    };
    while (cut < frames.size() && main_data_begin(cut) == 0) ++cut;
    ASSERT_LT(cut, frames.size());
    ScratchDir dir;
    WriteFileBytes(dir.File("cut.bit"), std::vector<std::uint8_t>(whole.begin() + static_cast<long>(frames[cut]), whole.end()));

    const DecodeResult full = DecodeFile(VectorPath("l3-si_block.bit"));
    const DecodeResult part = DecodeFile(dir.File("cut.bit"));
    ASSERT_EQ(part.code, 0);
    const std::size_t frame_samples = 1152;  // a mono stream
    const std::vector<std::int16_t> full_samples = full.Samples();
    const std::vector<std::int16_t> part_samples = part.Samples();
    ASSERT_EQ(part_samples.size() % frame_samples, 0u);
    const std::size_t remaining = (full_samples.size() / frame_samples) - cut;
    const std::size_t produced = part_samples.size() / frame_samples;
    EXPECT_LT(produced, remaining);
    // Main data reaches back at most 511 bytes: no more than three frames of 187 main-data bytes.
    EXPECT_GE(produced + 3, remaining);
    // Once the filterbanks have forgotten the start, the output equals that of the whole stream.
    const std::size_t settled = 2 * frame_samples;
    ASSERT_GT(part_samples.size(), settled);
    const std::size_t compared = part_samples.size() - settled;
    EXPECT_TRUE(std::equal(part_samples.end() - static_cast<long>(compared), part_samples.end(),
                           full_samples.end() - static_cast<long>(compared)));
}
