// Decoding in chunks on several threads gives what the sequential decode gives, byte for byte: samples,
// summary, progress calls and messages, whatever the stream and however it is cut.

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "Mp3DecTestSupport.h"
#include "mp3dec/synthesis.h"

using mp3dec::DecodeSettings;
using mp3dec_test::DecodeRecord;
using mp3dec_test::DecodeRecorded;
using mp3dec_test::EncodeWithPeer;
using mp3dec_test::FrameOffsets;
using mp3dec_test::ToolAvailable;
using tressel::testing::ReadFileBytes;

namespace {

struct Stream {
    std::string name;
    std::vector<std::uint8_t> bytes;
    bool steady = true;  // one mode and rate throughout (l3-he_mode switches between them)
};

void PrintTo(const Stream& stream, std::ostream* os) {
    *os << stream.name;
}

// Every conformance vector, and streams made by lame and twolame in the modes they offer (the burst signal
// makes lame switch to short blocks, so the seams meet them).
std::vector<Stream> StreamsUnderTest() {
    std::vector<Stream> streams;
    for (const char* name : {"l1-fl1", "l1-fl2", "l1-fl3", "l2-fl10", "l2-fl11", "l2-fl12", "l3-compl", "l3-he_mode",
                             "l3-hecommon", "l3-si_block", "M2L3_compl24"}) {
        streams.push_back({name, ReadFileBytes(mp3dec_test::VectorPath(std::string(name) + ".bit")),
                           std::string(name) != "l3-he_mode"});
    }
    struct Peer {
        const char* name;
        const char* command;
        int rate;
        int channels;
    };
    const Peer peers[] = {
        {"lame_cbr128_stereo_44k", "lame --quiet -b 128 -m s", 44100, 2},
        {"lame_vbr2_joint_44k", "lame --quiet -V 2 -m j", 44100, 2},
        {"lame_cbr64_mono_48k", "lame --quiet -b 64 -m m", 48000, 1},
        {"lame_vbr4_joint_22k", "lame --quiet -V 4 -m j", 22050, 2},
        {"lame_free160_joint_32k", "lame --quiet --freeformat -b 160 -m j", 32000, 2},
        {"twolame_192_stereo_44k", "twolame --quiet -b 192 -m s", 44100, 2},
        {"twolame_128_joint_crc_48k", "twolame --quiet -b 128 -m j -p -d", 48000, 2},
        {"twolame_64_mono_24k", "twolame --quiet -b 64 -m m -a", 24000, 2},
    };
    for (const Peer& peer : peers) {
        const std::string tool = std::string(peer.command).substr(0, std::string(peer.command).find(' '));
        if (!ToolAvailable(tool)) continue;
        tressel::testing::WaveLayout layout;
        layout.channels = static_cast<std::uint16_t>(peer.channels);
        layout.samplesPerSecond = static_cast<std::uint32_t>(peer.rate);
        const auto wave =
            tressel::testing::BuildWave16(layout, mp3dec_test::BurstSignal(peer.rate, peer.channels, 1.5));
        streams.push_back({peer.name, EncodeWithPeer(peer.command, wave)});
    }
    return streams;
}

void ExpectSameDecode(const DecodeRecord& parallel, const DecodeRecord& sequential, const std::string& what) {
    EXPECT_EQ(parallel.summary.result, sequential.summary.result) << what;
    EXPECT_EQ(parallel.summary.stopped, sequential.summary.stopped) << what;
    EXPECT_EQ(parallel.summary.frames, sequential.summary.frames) << what;
    EXPECT_EQ(parallel.summary.sample_frames, sequential.summary.sample_frames) << what;
    EXPECT_EQ(parallel.summary.format.channels, sequential.summary.format.channels) << what;
    EXPECT_EQ(parallel.summary.format.samples_per_second, sequential.summary.format.samples_per_second) << what;
    EXPECT_EQ(parallel.progress, sequential.progress) << what;
    EXPECT_EQ(parallel.messages, sequential.messages) << what;
    ASSERT_EQ(parallel.samples.size(), sequential.samples.size()) << what;
    EXPECT_EQ(std::memcmp(parallel.samples.data(), sequential.samples.data(), 2 * parallel.samples.size()), 0) << what;
}

DecodeSettings Threads(int threads, int forced_chunks = 0) {
    DecodeSettings settings;
    settings.threads = threads;
    settings.forced_chunks = forced_chunks;
    return settings;
}

class Mp3DecParallel : public ::testing::TestWithParam<Stream> {};

}  // namespace

TEST_P(Mp3DecParallel, EveryThreadCountAndChunkingGivesTheSequentialDecode) {
    const Stream& stream = GetParam();
    ASSERT_FALSE(stream.bytes.empty());
    const DecodeRecord sequential = DecodeRecorded(stream.bytes, Threads(1));
    ASSERT_EQ(sequential.summary.result, 0);
    struct Cut {
        int threads;
        int chunks;  // 0: the decoder's own chunking
    };
    for (const Cut cut : {Cut{2, 0}, Cut{3, 0}, Cut{4, 0}, Cut{2, 2}, Cut{3, 3}, Cut{4, 4}, Cut{2, 7}, Cut{4, 16}}) {
        const std::string what =
            stream.name + ", " + std::to_string(cut.threads) + " threads, " + std::to_string(cut.chunks) + " chunks";
        const DecodeRecord parallel = DecodeRecorded(stream.bytes, Threads(cut.threads, cut.chunks));
        ExpectSameDecode(parallel, sequential, what);
        if (stream.steady && cut.chunks > 0 && cut.chunks <= 4) {
            // A few long chunks of a clean, steady stream each start where the one before ended: none is
            // decoded again, so the work really was shared. (Where a stream switches from mono to stereo
            // the right channel's state comes from before the switch, out of reach of a warm-up.)
            EXPECT_EQ(parallel.summary.chunks.chunks, static_cast<std::uint32_t>(cut.chunks)) << what;
            EXPECT_EQ(parallel.summary.chunks.redecoded_chunks, 0u) << what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, Mp3DecParallel, ::testing::ValuesIn(StreamsUnderTest()),
                         [](const ::testing::TestParamInfo<Stream>& info) {
                             return mp3dec_test::TestCaseName(info.param.name);
                         });

// A corrupted frame next to the seam of two chunks: the frame that fails its CRC check at the start of the
// second chunk repeats the output of the frame before it, and one that fails in the second chunk's warm-up
// leaves the chunk a state that is not the sequential one. Either way the result is the sequential decode;
// in the second case the check at the seam finds the difference and the chunk is decoded again.
TEST(Mp3DecParallelSeam, ACorruptedFrameBesideTheSeamGivesTheSequentialDecode) {
    if (!ToolAvailable("twolame")) GTEST_SKIP() << "twolame missing";
    const std::vector<std::uint8_t> clean =
        EncodeWithPeer("twolame --quiet -b 192 -m s -p", mp3dec_test::TwoToneWave(44100));
    const std::vector<std::size_t> frames = FrameOffsets(clean);
    ASSERT_GT(frames.size(), 40u);
    const std::size_t seam = frames.size() / 2;  // where two forced chunks meet
    struct Damage {
        std::size_t frame;
        bool redecoded;
    };
    for (const Damage damage : {Damage{seam, false}, Damage{seam - 1, true}, Damage{seam - 2, true}}) {
        std::vector<std::uint8_t> bytes = clean;
        bytes[frames[damage.frame] + 7] ^= 0x5A;  // an allocation byte: the CRC check fails
        const DecodeRecord sequential = DecodeRecorded(bytes, Threads(1));
        const DecodeRecord parallel = DecodeRecorded(bytes, Threads(2, 2));
        const std::string what = "damaged frame " + std::to_string(damage.frame) + ", seam " + std::to_string(seam);
        ExpectSameDecode(parallel, sequential, what);
        EXPECT_EQ(parallel.summary.chunks.redecoded_chunks, damage.redecoded ? 1u : 0u) << what;
        // The damaged frame repeated the output of the frame before it.
        const std::size_t frame_samples = 2 * 1152;
        EXPECT_TRUE(std::equal(sequential.samples.begin() + static_cast<long>(damage.frame * frame_samples),
                               sequential.samples.begin() + static_cast<long>((damage.frame + 1) * frame_samples),
                               sequential.samples.begin() + static_cast<long>((damage.frame - 1) * frame_samples)))
            << what;
    }
}

// The vectorised rounding against the scalar rule, every lane at the edges of the 16-bit range: halves
// round away from zero, 32767.5 clips to 32767, -32768.5 clips to -32768, and -1.0 is -32768 unclipped.
TEST(Mp3DecSynthesisRounding, EveryLaneRoundsAndClipsAsTheScalarRule) {
    const double edges[] = {32767.5 / 32768,
                            32767.4999 / 32768,
                            32766.5 / 32768,
                            -1.0,
                            -32768.5 / 32768,
                            -32768.4999 / 32768,
                            -32767.5 / 32768,
                            0.5 / 32768,
                            -0.5 / 32768,
                            0.0,
                            -0.0,
                            1.0,
                            2.0,
                            -2.0,
                            0.49999 / 32768,
                            -0.49999 / 32768};
    for (const double edge : edges) {
        for (int lane = 0; lane < 32; ++lane) {
            double sums[32];
            for (int j = 0; j < 32; ++j) sums[j] = (j * 37 % 64 - 32) / 40.0;  // in range and beyond it
            sums[lane] = edge;
            std::int16_t block[32];
            const int clipped = mp3dec::round_block_to_pcm(sums, block);
            int expected_clipped = 0;
            for (int j = 0; j < 32; ++j) {
                ASSERT_EQ(block[j], mp3dec::round_to_pcm(sums[j], expected_clipped))
                    << "edge " << edge * 32768 << "/32768 in lane " << lane << ", sample " << j;
            }
            ASSERT_EQ(clipped, expected_clipped) << "edge " << edge * 32768 << "/32768 in lane " << lane;
        }
    }
    int clipped = 0;
    EXPECT_EQ(mp3dec::round_to_pcm(32767.5 / 32768, clipped), 32767);
    EXPECT_EQ(mp3dec::round_to_pcm(-1.0, clipped), -32768);
    EXPECT_EQ(clipped, 1);
    EXPECT_EQ(mp3dec::round_to_pcm(-32768.5 / 32768, clipped), -32768);
    EXPECT_EQ(clipped, 2);
}
