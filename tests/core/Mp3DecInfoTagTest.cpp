// The encoder's tag frame, as lame writes it and as damage leaves it: an intact tag is stepped over and
// gives the gapless length; a corrupt one, or one that promises more than the stream holds, is ignored and
// its frame decoded as any other.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Mp3DecTestSupport.h"

using tressel::testing::BuildWave16;
using tressel::testing::WaveLayout;

namespace {

struct TagCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>& stream, std::size_t tag)> damage;  // tag: offset of "Info"
    bool tag_used;
};

void PrintTo(const TagCase& c, std::ostream* os) {
    *os << c.name;
}

void SetBigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// LAME's extension starts 120 bytes after "Info" (ID, flags, frame count, byte count, 100-byte table,
// quality); its checksum covers the frame up to its last two bytes. Damage that this checksum would catch
// is re-summed, so that the check under test is the one that must refuse the tag.
constexpr std::size_t kExtension = 120;
void Resum(std::vector<std::uint8_t>& bytes, std::size_t tag) {
    const std::size_t at = tag + kExtension + 34;
    unsigned crc = 0;
    for (std::size_t i = 0; i < at; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0xA001u : crc >> 1;
    }
    bytes[at] = static_cast<std::uint8_t>(crc >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(crc);
}

constexpr int kRate = 44100;
constexpr int kSampleFrames = 30000;

class Mp3DecInfoTag : public ::testing::TestWithParam<TagCase> {};

}  // namespace

TEST_P(Mp3DecInfoTag, IsUsedOnlyWhenIntactAndTrue) {
    if (!mp3dec_test::ToolAvailable("lame")) GTEST_SKIP() << "lame is needed";
    WaveLayout layout;
    layout.channels = 1;
    layout.samplesPerSecond = kRate;
    const double seconds = 1.0 * kSampleFrames / kRate;
    std::vector<std::uint8_t> stream = mp3dec_test::EncodeWithPeer(
        "lame --quiet -b 64 -m m", BuildWave16(layout, mp3dec_test::BurstSignal(kRate, 1, seconds)));
    ASSERT_FALSE(stream.empty());
    const std::size_t tag = 4 + 17;  // after the header and the side information of an MPEG-1 mono frame
    ASSERT_EQ(std::string(stream.begin() + tag, stream.begin() + tag + 4), "Info");
    GetParam().damage(stream, tag);
    const std::size_t frames_in_stream = mp3dec_test::FrameOffsets(stream).size();

    mp3dec::DecodeSettings settings;
    settings.gapless = true;
    const mp3dec_test::DecodeRecord gapless = mp3dec_test::DecodeRecorded(stream, settings);
    settings.gapless = false;
    const mp3dec_test::DecodeRecord frames = mp3dec_test::DecodeRecorded(stream, settings);
    ASSERT_EQ(gapless.summary.result, 0);
    if (GetParam().tag_used) {
        EXPECT_EQ(gapless.samples.size(), static_cast<std::size_t>(kSampleFrames));
        EXPECT_EQ(gapless.summary.sample_frames, static_cast<std::uint32_t>(kSampleFrames));
        EXPECT_EQ(frames.summary.frames, frames_in_stream - 1);  // the tag frame is not counted
    } else {
        EXPECT_EQ(frames.summary.frames, frames_in_stream);
        EXPECT_EQ(gapless.samples, frames.samples);
    }
    EXPECT_EQ(frames.samples.size(), frames.summary.frames * 1152u);
    EXPECT_EQ(frames.progress.back(), -1);
    EXPECT_EQ(frames.progress[frames.progress.size() - 2], static_cast<int>(frames.summary.frames) - 1);

    // Cut into chunks decoded side by side, the stream gives the same samples, frames and progress.
    settings.threads = 3;
    settings.forced_chunks = 3;
    for (const bool trim : {true, false}) {
        settings.gapless = trim;
        const mp3dec_test::DecodeRecord parallel = mp3dec_test::DecodeRecorded(stream, settings);
        const mp3dec_test::DecodeRecord& sequential = trim ? gapless : frames;
        EXPECT_EQ(parallel.samples, sequential.samples);
        EXPECT_EQ(parallel.progress, sequential.progress);
        EXPECT_EQ(parallel.summary.sample_frames, sequential.summary.sample_frames);
        EXPECT_GE(parallel.summary.chunks.chunks, 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, Mp3DecInfoTag,
    ::testing::Values(
        TagCase{"intact", [](std::vector<std::uint8_t>&, std::size_t) {}, true},
        TagCase{"resummed", [](std::vector<std::uint8_t>& s, std::size_t t) { Resum(s, t); }, true},
        TagCase{"delay_changed", [](std::vector<std::uint8_t>& s, std::size_t t) { s[t + kExtension + 21] ^= 0x10; },
                false},
        TagCase{"unknown_flags",
                [](std::vector<std::uint8_t>& s, std::size_t t) {
                    s[t + 4] = 0x80;
                    Resum(s, t);
                },
                false},
        TagCase{"frames_beyond_the_stream",
                [](std::vector<std::uint8_t>& s, std::size_t t) {
                    SetBigEndian(s, t + 8, 100000);
                    Resum(s, t);
                },
                false},
        TagCase{"bytes_beyond_the_stream",
                [](std::vector<std::uint8_t>& s, std::size_t t) {
                    SetBigEndian(s, t + 12, 50000000);
                    Resum(s, t);
                },
                false},
        TagCase{"stream_cut_short",
                [](std::vector<std::uint8_t>& s, std::size_t) { s.resize(mp3dec_test::FrameOffsets(s)[6]); }, false}),
    [](const ::testing::TestParamInfo<TagCase>& info) { return std::string(info.param.name); });
