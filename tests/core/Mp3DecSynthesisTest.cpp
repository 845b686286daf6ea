#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "mp3dec/output_queue.h"
#include "mp3dec/pcm_output.h"
#include "mp3dec/synthesis.h"

using namespace mp3dec;

namespace {

// The filterbank written out plainly: matrixing into a 1024-value ring, then the 16-tap window sum.
class ReferenceSynthesis {
public:
    ReferenceSynthesis() {
        const double pi = 3.14159265358979;
        for (int i = 0; i < 64; ++i) {
            for (int k = 0; k < 32; ++k) {
                const double scaled = std::cos((i * pi / 64 + pi / 4) * (2 * k + 1)) * 1e9;
                const double rounded = scaled >= 0 ? std::floor(scaled + 0.5) : -std::floor(-scaled + 0.5);
                m_n[i][k] = rounded * 1e-9;
            }
        }
    }

    int Run(const double input[32], int channel, std::int16_t output[32]) {
        int& offset = m_offset[channel];
        offset = (offset - 64) & 1023;
        for (int i = 0; i < 64; ++i) {
            double sum = 0.0;
            for (int k = 0; k < 32; ++k) sum += m_n[i][k] * input[k];
            m_v[channel][offset + i] = sum;
        }
        int clipped = 0;
        const double* d = synthesis_window();
        for (int j = 0; j < 32; ++j) {
            double sum = 0.0;
            for (int i = 0; i < 16; ++i) {
                sum += d[j + 32 * i] * m_v[channel][(j + 32 * i + 64 * ((i + 1) / 2) + offset) & 1023];
            }
            double scaled = sum * 32768.0;
            scaled = scaled > 0 ? scaled + 0.5 : scaled - 0.5;
            long value = static_cast<long>(scaled);
            if (value >= 32768) {
                value = 32767;
                ++clipped;
            } else if (value < -32768) {
                value = -32768;
                ++clipped;
            }
            output[j] = static_cast<std::int16_t>(value);
        }
        return clipped;
    }

private:
    double m_n[64][32];
    double m_v[2][1024] = {};
    int m_offset[2] = {64, 64};
};

}  // namespace

TEST(Mp3DecSynthesis, ZeroInputOnFreshHistoryGivesSilence) {
    SynthesisState state;
    const double input[32] = {};
    std::int16_t output[32];
    EXPECT_EQ(polyphase_synthesize(state, input, 0, output), 0);
    for (const std::int16_t s : output) EXPECT_EQ(s, 0);
}

TEST(Mp3DecSynthesis, RoundingTakesHalvesAwayFromZeroAndClipsCounting) {
    int clipped = 0;
    EXPECT_EQ(round_to_pcm(0.5 / 32768.0, clipped), 1);
    EXPECT_EQ(round_to_pcm(-0.5 / 32768.0, clipped), -1);
    EXPECT_EQ(round_to_pcm(0.0, clipped), 0);
    EXPECT_EQ(round_to_pcm(0.49 / 32768.0, clipped), 0);
    EXPECT_EQ(round_to_pcm(-1.49 / 32768.0, clipped), -1);
    EXPECT_EQ(round_to_pcm(32767.4 / 32768.0, clipped), 32767);
    EXPECT_EQ(round_to_pcm(-1.0, clipped), -32768);  // exactly the smallest sample: not clipped
    EXPECT_EQ(clipped, 0);
    EXPECT_EQ(round_to_pcm(32767.5 / 32768.0, clipped), 32767);
    EXPECT_EQ(round_to_pcm(-32768.6 / 32768.0, clipped), -32768);
    EXPECT_EQ(round_to_pcm(1e30, clipped), 32767);
    EXPECT_EQ(clipped, 3);
}

// The fast filterbank must equal the plain arithmetic bit for bit, history and clipping included, on both
// channels independently.
TEST(Mp3DecSynthesis, EqualsThePlainArithmeticExactly) {
    SynthesisState fast;
    ReferenceSynthesis reference;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    int total_clipped = 0;
    for (int block = 0; block < 400; ++block) {
        const int channel = block % 3 == 0 ? 1 : 0;
        const double level = block % 50 == 49 ? 4.0 : 0.3;  // now and then loud enough to clip
        double input[32];
        for (double& x : input) x = level * uniform(random);
        std::int16_t expected[32];
        std::int16_t actual[32];
        const int expected_clipped = reference.Run(input, channel, expected);
        ASSERT_EQ(polyphase_synthesize(fast, input, channel, actual), expected_clipped) << "block " << block;
        total_clipped += expected_clipped;
        for (int j = 0; j < 32; ++j) ASSERT_EQ(actual[j], expected[j]) << "block " << block << " sample " << j;
    }
    EXPECT_GT(total_clipped, 0);
}

namespace {

long FileSize(std::FILE* file) {
    std::fflush(file);
    std::fseek(file, 0, SEEK_END);
    return std::ftell(file);
}

PcmBlock NumberedBlock(int base) {
    PcmBlock block;
    for (int ch = 0; ch < 2; ++ch) {
        for (int slot = 0; slot < kTimeSlots; ++slot) {
            for (int j = 0; j < 32; ++j) block.sample[ch][slot][j] = static_cast<std::int16_t>(base + ch * 1000 + slot * 32 + j);
        }
    }
    return block;
}

}  // namespace

// The file driver's queue: with two channels the 801st sample frame triggers the first 3200-byte write,
// because its left sample arrives at a queue that already holds 1600 samples.
TEST(Mp3DecOutputQueue, StereoWritesTheFirst3200BytesWhenThe801stFrameArrives) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    PcmOutputQueue queue;
    DecodeOutput output;
    const PcmBlock block = NumberedBlock(-300);
    for (int i = 0; i < 25; ++i) emit_pcm(&output, block, 1, 2);
    EXPECT_EQ(output.sample_frames, 800u);
    queue_pcm_samples(queue, output.samples, file);
    EXPECT_EQ(FileSize(file), 0);
    output.samples.clear();
    emit_pcm(&output, block, 1, 2);
    EXPECT_EQ(output.sample_frames, 832u);
    queue_pcm_samples(queue, std::span<const std::int16_t>(output.samples).first(1), file);
    EXPECT_EQ(FileSize(file), 3200);
    queue_pcm_samples(queue, std::span<const std::int16_t>(output.samples).subspan(1), file);
    EXPECT_EQ(queue.fill, 64);
    flush_pcm_queue(queue, file);
    EXPECT_EQ(FileSize(file), 832 * 4);
    EXPECT_EQ(queue.fill, 0);
    // Little-endian, left then right for each instant.
    std::rewind(file);
    unsigned char head[8];
    ASSERT_EQ(std::fread(head, 1, 8, file), 8u);
    EXPECT_EQ(static_cast<std::int16_t>(head[0] | head[1] << 8), -300);
    EXPECT_EQ(static_cast<std::int16_t>(head[2] | head[3] << 8), 700);
    EXPECT_EQ(static_cast<std::int16_t>(head[4] | head[5] << 8), -299);
    std::fclose(file);
}

TEST(Mp3DecOutputQueue, MonoTakesOnlyTheFirstChannelAndSeveralSlotsInOrder) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    PcmOutputQueue queue;
    DecodeOutput output;
    emit_pcm(&output, NumberedBlock(5), 18, 1);
    EXPECT_EQ(output.sample_frames, 576u);
    queue_pcm_samples(queue, output.samples, file);
    EXPECT_EQ(FileSize(file), 0);
    flush_pcm_queue(queue, file);
    flush_pcm_queue(queue, file);  // nothing pending: writes nothing
    EXPECT_EQ(FileSize(file), 576 * 2);
    std::rewind(file);
    for (int i = 0; i < 576; ++i) {
        const int lo = std::fgetc(file);
        const int hi = std::fgetc(file);
        ASSERT_EQ(static_cast<std::int16_t>(lo | hi << 8), 5 + i) << i;
    }
    std::fclose(file);
}

TEST(Mp3DecOutputQueue, HostByteOrderIsKnown) {
    const int order = detect_host_byte_order();
    const std::uint16_t probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    EXPECT_EQ(order, first == 1 ? 2 : 1);
}
