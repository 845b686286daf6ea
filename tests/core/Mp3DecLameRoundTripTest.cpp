// Files made by lame when the test runs, at every rate it offers (MPEG-1, MPEG-2 and MPEG 2.5) in the modes a
// user meets (CBR, VBR and free format; mono, stereo, joint stereo, dual channel), with transients that force
// short blocks, decode as mpg123 decodes them, gapless and frame by frame.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "Mp3DecTestSupport.h"

using mp3dec_test::Compare;
using mp3dec_test::Comparison;
using tressel::testing::BuildWave16;
using tressel::testing::ReadFileBytes;
using tressel::testing::ScratchDir;
using tressel::testing::WaveLayout;
using tressel::testing::WriteFileBytes;

namespace {

struct LameCase {
    const char* name;
    int rate;
    int channels;  // of the input; lame's mode decides the stream's
    const char* options;
    bool expect_short_blocks;  // the bursts make lame switch (counted where frames can be walked by headers)
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

// The decoded WAV image of a stream, gapless or frame by frame.
mp3dec::DecodedWave DecodeImage(const std::vector<std::uint8_t>& mp3, bool gapless) {
    mp3dec::DecodeSettings settings;
    settings.gapless = gapless;
    return mp3dec::decode_image_to_wave(mp3, "stream", settings, {}, {});
}

// Every sampling rate lame offers, mono and stereo, CBR and VBR; then the modes and formats a user meets
// besides (dual channel, joint stereo at high bitrates, free format).
std::vector<LameCase> Cases() {
    static const char* const kNames[] = {"8k", "11k", "12k", "16k", "22k", "24k", "32k", "44k", "48k"};
    static const int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    static std::vector<std::string> names;  // the cases point into it
    std::vector<LameCase> cases;
    names.reserve(4 * std::size(kRates));
    for (std::size_t r = 0; r < std::size(kRates); ++r) {
        const int rate = kRates[r];
        // Bitrates that keep lame at the input's rate and leave room in a frame for its tag.
        const char* cbr_mono = rate < 16000 ? "-b 32 -m m" : "-b 64 -m m";
        const char* cbr_stereo = rate < 16000 ? "-b 48 -m s" : rate < 32000 ? "-b 96 -m s" : "-b 128 -m s";
        const struct {
            const char* kind;
            int channels;
            const char* options;
        } modes[] = {{"cbr_mono", 1, cbr_mono}, {"cbr_stereo", 2, cbr_stereo}, {"vbr_mono", 1, "-V 5 -m m"},
                     {"vbr_joint", 2, "-V 2 -m j"}};
        for (const auto& mode : modes) {
            names.push_back(std::string(mode.kind) + "_" + kNames[r]);
            cases.push_back({names.back().c_str(), rate, mode.channels, mode.options, false});
        }
    }
    const LameCase others[] = {{"cbr192_joint_44k", 44100, 2, "-b 192 -m j", true},
                               {"vbr0_joint_44k", 44100, 2, "-V 0 -m j", true},
                               {"cbr96_dual_32k", 32000, 2, "-b 96 -m d", true},
                               {"free200_joint_44k", 44100, 2, "--freeformat -b 200 -m j", false},
                               {"free80_joint_24k", 24000, 2, "--freeformat -b 80 -m j", false}};
    cases.insert(cases.end(), std::begin(others), std::end(others));
    return cases;
}

class Mp3DecLameRoundTrip : public ::testing::TestWithParam<LameCase> {};

}  // namespace

// Gapless (the default of the window and tressel-cli) against plain mpg123, frame by frame against
// mpg123 --no-gapless: the same length, the same format, the same samples but for the last bits.
TEST_P(Mp3DecLameRoundTrip, DecodesAsMpg123Does) {
    if (!ToolsPresent()) GTEST_SKIP() << "lame and mpg123 are needed";
    const LameCase& c = GetParam();
    ScratchDir dir;
    const std::string wav = dir.File("in.wav");
    const std::string mp3 = dir.File("in.mp3");
    WaveLayout layout;
    layout.channels = static_cast<std::uint16_t>(c.channels);
    layout.samplesPerSecond = static_cast<std::uint32_t>(c.rate);
    const std::vector<std::int16_t> original = mp3dec_test::BurstSignal(c.rate, c.channels, 1.0);
    WriteFileBytes(wav, BuildWave16(layout, original));
    ASSERT_EQ(std::system(("lame --quiet " + std::string(c.options) + " '" + wav + "' '" + mp3 + "'").c_str()), 0);
    if (c.expect_short_blocks) {
        EXPECT_GT(ShortBlockFrames(ReadFileBytes(mp3)), 0) << "the bursts should have made lame switch to short blocks";
    }

    for (const bool gapless : {true, false}) {
        SCOPED_TRACE(gapless ? "gapless" : "--no-gapless");
        const std::string peer = dir.File(gapless ? "gapless.wav" : "frames.wav");
        const std::string peer_command = std::string("mpg123 -q ") + (gapless ? "" : "--no-gapless ") + "-w '" + peer +
                                         "' '" + mp3 + "' 2>/dev/null";
        ASSERT_EQ(std::system(peer_command.c_str()), 0);
        int peer_channels = 0;
        const std::vector<std::int16_t> theirs = WaveSamples(ReadFileBytes(peer), peer_channels);
        const mp3dec::DecodedWave ours = DecodeImage(ReadFileBytes(mp3), gapless);
        ASSERT_EQ(ours.summary.result, 0);
        EXPECT_EQ(ours.summary.format.channels, peer_channels);
        EXPECT_EQ(ours.summary.format.samples_per_second, c.rate);
        std::vector<std::int16_t> samples(ours.image.size() / 2 - 22);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::int16_t>(ours.image[44 + 2 * i] | (ours.image[45 + 2 * i] << 8));
        const Comparison cmp = Compare(samples, theirs);
        std::printf("%-20s %-12s samples %zu (mpg123 %zu)  PSNR %.2f dB  largest difference %d\n", c.name,
                    gapless ? "gapless" : "no-gapless", samples.size(), theirs.size(), cmp.psnr_db, cmp.max_difference);
        EXPECT_EQ(samples.size(), theirs.size());
        if (gapless) {
            EXPECT_EQ(samples.size(), original.size()) << "not the length that went in";
        }
        // Both decoders round the same synthesis to 16 bits; their arithmetic differs only in the last bits.
        EXPECT_GE(cmp.psnr_db, 100.0);
        EXPECT_LE(cmp.max_difference, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(RatesAndModes, Mp3DecLameRoundTrip, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<LameCase>& info) { return std::string(info.param.name); });
