// Files made by lame in the modes a user meets (CBR, VBR and free format; mono, stereo, joint stereo; all
// six sampling rates), with transients that force short blocks, decode as mpg123 decodes them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "Mp3DecTestSupport.h"

using mp3dec_test::Compare;
using mp3dec_test::Comparison;
using mp3dec_test::DecodeFile;
using mp3dec_test::DecodeResult;
using tressel::testing::BuildWave16;
using tressel::testing::ReadFileBytes;
using tressel::testing::ScratchDir;
using tressel::testing::WaveSpec;
using tressel::testing::WriteFileBytes;

namespace {

struct LameCase {
    const char* name;
    int rate;
    int channels;  // of the input; lame's mode decides the stream's
    const char* options;
};

// Names the case in test listings (rather than dumping its bytes).
void PrintTo(const LameCase& c, std::ostream* os) {
    *os << c.name << " (lame " << c.options << ")";
}

bool ToolsPresent() {
    return mp3dec_test::ToolAvailable("lame") && mp3dec_test::ToolAvailable("mpg123");
}

std::vector<std::int16_t> WaveSamples(const std::vector<std::uint8_t>& file, int& channels) {
    // The data chunk of a canonical header, or wherever "data" is.
    std::size_t pos = 12;
    channels = file.size() > 23 ? file[22] : 0;
    while (pos + 8 <= file.size()) {
        const std::uint32_t size = file[pos + 4] | (file[pos + 5] << 8) | (file[pos + 6] << 16) |
                                   (static_cast<std::uint32_t>(file[pos + 7]) << 24);
        if (std::string(file.begin() + static_cast<long>(pos), file.begin() + static_cast<long>(pos) + 4) == "data") {
            std::vector<std::int16_t> samples;
            for (std::size_t i = pos + 8; i + 1 < file.size() && i + 1 < pos + 8 + size; i += 2)
                samples.push_back(static_cast<std::int16_t>(file[i] | (file[i + 1] << 8)));
            return samples;
        }
        pos += 8 + size + (size & 1);
    }
    return {};
}

// Compares from the sample-frame shift (within two frames either way) with the fewest mismatches.
Comparison CompareAligned(const std::vector<std::int16_t>& ours, const std::vector<std::int16_t>& theirs, int channels,
                          int& shift_found) {
    const int limit = 2 * 1152;
    std::size_t best_mismatches = static_cast<std::size_t>(-1);
    shift_found = 0;
    for (int shift = -limit; shift <= limit; ++shift) {
        const long offset = static_cast<long>(shift) * channels;
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < 20000 && i < ours.size(); i += 7) {
            const long j = static_cast<long>(i) + offset;
            if (j < 0 || j >= static_cast<long>(theirs.size())) continue;
            mismatches += std::abs(ours[i] - theirs[static_cast<std::size_t>(j)]) > 2;
        }
        if (mismatches < best_mismatches) {
            best_mismatches = mismatches;
            shift_found = shift;
        }
    }
    const long offset = static_cast<long>(shift_found) * channels;
    std::vector<std::int16_t> a(ours.begin() + (offset < 0 ? -offset : 0), ours.end());
    std::vector<std::int16_t> b(theirs.begin() + (offset > 0 ? offset : 0), theirs.end());
    return Compare(a, b);
}

// Counts the frames whose first granule of channel 0 uses short blocks, walking the stream by its headers
// (a free-format stream, which carries no frame length, counts as -1).
int ShortBlockFrames(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() > 2 && (bytes[2] >> 4) == 0) return -1;
    int count = 0;
    for (const std::size_t pos : mp3dec_test::FrameOffsets(bytes)) {
        if (pos + 40 > bytes.size()) break;
        const int version = (bytes[pos + 1] >> 3) & 1;
        const bool mono = (bytes[pos + 3] >> 6) == 3;
        const std::size_t side = pos + 4 + ((bytes[pos + 1] & 1) == 0 ? 2 : 0);
        // Bits before the window-switching flag of granule 0, channel 0.
        const int before = version == 1 ? (mono ? 18 : 20) + 33 : (mono ? 9 : 10) + 38;
        auto bit = [&](int n) { return (bytes[side + static_cast<std::size_t>(n / 8)] >> (7 - n % 8)) & 1; };
        if (bit(before) == 1 && bit(before + 1) == 1 && bit(before + 2) == 0) ++count;
    }
    return count;
}

class Mp3DecLameRoundTrip : public ::testing::TestWithParam<LameCase> {};

}  // namespace

TEST_P(Mp3DecLameRoundTrip, DecodesAsMpg123Does) {
    if (!ToolsPresent()) GTEST_SKIP() << "lame and mpg123 are needed";
    const LameCase& c = GetParam();
    ScratchDir dir;
    const std::string wav = dir.File("in.wav");
    const std::string mp3 = dir.File("in.mp3");
    const std::string peer = dir.File("peer.wav");
    WaveSpec layout;
    layout.channels = static_cast<std::uint16_t>(c.channels);
    layout.samplesPerSecond = static_cast<std::uint32_t>(c.rate);
    WriteFileBytes(wav, BuildWave16(layout, mp3dec_test::BurstSignal(c.rate, c.channels, 1.5)));
    ASSERT_EQ(std::system(("lame --quiet " + std::string(c.options) + " '" + wav + "' '" + mp3 + "'").c_str()), 0);
    ASSERT_EQ(std::system(("mpg123 -q --no-gapless -w '" + peer + "' '" + mp3 + "' 2>/dev/null").c_str()), 0);

    const int short_frames = ShortBlockFrames(ReadFileBytes(mp3));
    if (short_frames >= 0) {
        EXPECT_GT(short_frames, 0) << "the bursts should have made lame switch to short blocks";
    }

    const DecodeResult ours = DecodeFile(mp3);
    ASSERT_EQ(ours.code, 0);
    int peer_channels = 0;
    const std::vector<std::int16_t> theirs = WaveSamples(ReadFileBytes(peer), peer_channels);
    ASSERT_EQ(ours.Le16(22), peer_channels);
    EXPECT_EQ(ours.Le32(24), static_cast<std::uint32_t>(c.rate));
    int shift = 0;
    const Comparison cmp = CompareAligned(ours.Samples(), theirs, peer_channels, shift);
    std::printf("%-22s short-block frames %d  shift %d  samples %zu  PSNR %.2f dB  largest difference %d\n", c.name,
                short_frames, shift, cmp.compared, cmp.psnr_db, cmp.max_difference);
    EXPECT_GT(cmp.compared, static_cast<std::size_t>(c.rate * peer_channels));
    // Both decoders round the same synthesis to 16 bits; their arithmetic differs only in the last bits.
    EXPECT_GE(cmp.psnr_db, 100.0);
    EXPECT_LE(cmp.max_difference, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Mp3DecLameRoundTrip,
    ::testing::Values(LameCase{"cbr128_stereo_44k", 44100, 2, "-b 128 -m s"},
                      LameCase{"cbr192_joint_44k", 44100, 2, "-b 192 -m j"},
                      LameCase{"vbr0_joint_44k", 44100, 2, "-V 0 -m j"},
                      LameCase{"cbr64_mono_48k", 48000, 1, "-b 64 -m m"},
                      LameCase{"vbr4_joint_32k", 32000, 2, "-V 4 -m j"},
                      LameCase{"cbr96_dual_32k", 32000, 2, "-b 96 -m d"},
                      LameCase{"cbr64_stereo_22k", 22050, 2, "-b 64 -m s"},
                      LameCase{"vbr2_joint_24k", 24000, 2, "-V 2 -m j"},
                      LameCase{"cbr32_mono_16k", 16000, 1, "-b 32 -m m"},
                      LameCase{"vbr5_mono_22k", 22050, 1, "-V 5 -m m"},
                      LameCase{"free200_joint_44k", 44100, 2, "--freeformat -b 200 -m j"},
                      LameCase{"free80_joint_24k", 24000, 2, "--freeformat -b 80 -m j"}),
    [](const ::testing::TestParamInfo<LameCase>& info) { return std::string(info.param.name); });
