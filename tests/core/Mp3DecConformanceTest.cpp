// Decoded samples against reference decodings: the ISO conformance bitstreams with their reference output,
// and Layer II streams made by twolame against mpg123's decoding of the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "Mp3DecTestSupport.h"

using mp3dec_test::Compare;
using mp3dec_test::Comparison;
using mp3dec_test::DecodeFile;
using mp3dec_test::DecodeResult;
using mp3dec_test::ReadPcm16;
using mp3dec_test::ToolAvailable;
using tressel::testing::ReadFileBytes;
using tressel::testing::ScratchDir;
using tressel::testing::WriteFileBytes;

namespace {

constexpr double kRequiredPsnrDb = 96.0;
constexpr int kAllowedDifference = 1;

void ExpectConforms(const std::string& name, const std::vector<std::int16_t>& ours,
                    const std::vector<std::int16_t>& reference) {
    ASSERT_FALSE(ours.empty()) << name;
    const Comparison c = Compare(ours, reference);
    std::cout << "[ figures  ] " << name << ": " << c.compared << " samples, PSNR " << c.psnr_db
              << " dB, largest difference " << c.max_difference << "\n";
    EXPECT_GE(c.psnr_db, kRequiredPsnrDb) << name;
    EXPECT_LE(c.max_difference, kAllowedDifference) << name;
}

std::vector<std::string> LayerOneAndTwoVectors() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mp3dec_test::VectorPath(""))) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".bit" && (name.rfind("l1-", 0) == 0 || name.rfind("l2-", 0) == 0)) {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The bytes as upper-case hexadecimal text with line breaks, the text form of a bitstream.
std::vector<std::uint8_t> AsHexText(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::vector<std::uint8_t> text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text.push_back(static_cast<std::uint8_t>(digits[bytes[i] >> 4]));
        text.push_back(static_cast<std::uint8_t>(digits[bytes[i] & 15]));
        if (i % 32 == 31) {
            text.push_back('\r');
            text.push_back('\n');
        }
    }
    text.push_back('\n');
    return text;
}

}  // namespace

TEST(Mp3DecConformance, EveryLayerOneAndTwoVectorMatchesItsReference) {
    const std::vector<std::string> names = LayerOneAndTwoVectors();
    ASSERT_GE(names.size(), 6u);
    for (const std::string& name : names) {
        const DecodeResult r = DecodeFile(mp3dec_test::VectorPath(name + ".bit"));
        EXPECT_EQ(r.code, 0) << name;
        ExpectConforms(name, r.Samples(), ReadPcm16(mp3dec_test::VectorPath(name + ".pcm")));
    }
}

TEST(Mp3DecConformance, HexadecimalTextDecodesToTheSameSamplesAsBinary) {
    ScratchDir dir;
    for (const std::string name : {"l1-fl2", "l2-fl12"}) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(mp3dec_test::VectorPath(name + ".bit"));
        WriteFileBytes(dir.Path() / (name + ".hex"), AsHexText(bytes));
        const DecodeResult text = DecodeFile(dir.File(name + ".hex"));
        const DecodeResult binary = DecodeFile(mp3dec_test::VectorPath(name + ".bit"));
        EXPECT_EQ(text.code, 0);
        EXPECT_EQ(text.file, binary.file) << name;
    }
}

TEST(Mp3DecConformance, EveryDecodeStartsFromFreshState) {
    const std::string first = mp3dec_test::VectorPath("l2-fl10.bit");
    const DecodeResult alone = DecodeFile(first);
    DecodeFile(mp3dec_test::VectorPath("l1-fl1.bit"));
    const DecodeResult after_another = DecodeFile(first);
    EXPECT_EQ(alone.file, after_another.file);
}

struct TwolameCase {
    const char* name;
    std::uint32_t rate;
    const char* options;
};

TEST(Mp3DecConformance, TwolameStreamsMatchMpg123) {
    if (!ToolAvailable("twolame") || !ToolAvailable("mpg123")) GTEST_SKIP() << "twolame or mpg123 missing";
    // Between them these cover the five allocation tables, every mode, error protection, padding,
    // bitrate changes (VBR) and the three MPEG-2 rates.
    const TwolameCase cases[] = {
        {"44k_stereo_192", 44100, "-b 192 -m s"},
        {"44k_joint_128_crc_padded", 44100, "-b 128 -m j -p -d"},
        {"48k_mono_128", 48000, "-b 128 -m m -a"},
        {"48k_dual_64", 48000, "-b 64 -m d"},
        {"32k_stereo_64_crc", 32000, "-b 64 -m s -p"},
        {"32k_joint_96", 32000, "-b 96 -m j"},
        {"44k_vbr", 44100, "-v -V 5 -m j"},
        {"24k_joint_96", 24000, "-b 96 -m j"},
        {"22k_stereo_64_crc", 22050, "-b 64 -m s -p"},
        {"16k_mono_32", 16000, "-b 32 -m m -a"},
    };
    ScratchDir dir;
    for (const TwolameCase& c : cases) {
        const std::string wav = dir.File(std::string(c.name) + ".wav");
        const std::string mp2 = dir.File(std::string(c.name) + ".mp2");
        const std::string pcm = dir.File(std::string(c.name) + ".pcm");
        WriteFileBytes(wav, mp3dec_test::TwoToneWave(c.rate));
        std::ostringstream encode;
        encode << "twolame --quiet " << c.options << " '" << wav << "' '" << mp2 << "'";
        ASSERT_EQ(std::system(encode.str().c_str()), 0) << encode.str();
        const std::string decode = "mpg123 -q --no-gapless -s '" + mp2 + "' > '" + pcm + "' 2>/dev/null";
        ASSERT_EQ(std::system(decode.c_str()), 0) << decode;
        const DecodeResult r = DecodeFile(mp2);
        EXPECT_EQ(r.code, 0) << c.name;
        const std::vector<std::int16_t> reference = ReadPcm16(pcm);
        EXPECT_EQ(r.Samples().size(), reference.size()) << c.name;
        ExpectConforms(c.name, r.Samples(), reference);
    }
}

// A fixed-rate stream whose headers are rewritten to free format (bitrate index 0) carries the same coded
// data: it must decode to exactly the same samples, padded frames included.
TEST(Mp3DecConformance, FreeFormatDecodesLikeTheSameFramesWithTheirBitrate) {
    if (!ToolAvailable("twolame")) GTEST_SKIP() << "twolame missing";
    ScratchDir dir;
    for (const TwolameCase& c : {TwolameCase{"48k_192", 48000, "-b 192 -m s"},
                                  TwolameCase{"44k_256_padded", 44100, "-b 256 -m j -d"}}) {
        const std::string wav = dir.File(std::string(c.name) + ".wav");
        const std::string mp2 = dir.File(std::string(c.name) + ".mp2");
        WriteFileBytes(wav, mp3dec_test::TwoToneWave(c.rate));
        const std::string encode = std::string("twolame --quiet ") + c.options + " '" + wav + "' '" + mp2 + "'";
        ASSERT_EQ(std::system(encode.c_str()), 0);
        std::vector<std::uint8_t> bytes = ReadFileBytes(mp2);
        // Rewrite every frame header found by walking the fixed frame lengths.
        const int kbps = c.rate == 48000 ? 192 : 256;
        std::size_t pos = 0;
        int frames = 0;
        while (pos + 4 <= bytes.size()) {
            ASSERT_EQ(bytes[pos], 0xFF) << "frame " << frames;
            const int padding = (bytes[pos + 2] >> 1) & 1;
            bytes[pos + 2] &= 0x0F;
            pos += static_cast<std::size_t>(144 * kbps * 1000 / c.rate + padding);
            ++frames;
        }
        const std::string free_path = dir.File(std::string(c.name) + "_free.mp2");
        WriteFileBytes(free_path, bytes);
        const DecodeResult fixed = DecodeFile(mp2);
        const DecodeResult free_format = DecodeFile(free_path);
        EXPECT_EQ(free_format.code, 0);
        EXPECT_EQ(free_format.progress.size(), static_cast<std::size_t>(frames) + 2) << c.name;
        EXPECT_EQ(free_format.file, fixed.file) << c.name;
    }
}
