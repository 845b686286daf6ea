#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "audio/Wave.h"
#include "spectrum/Fft.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel::testing;

namespace {

constexpr int kBins = 1024;

class SpectrumTest : public ::testing::Test {
protected:
    void SetUp() override { wave.SetFeedback(&feedback); }

    void Load(const WaveLayout& layout, const std::vector<std::uint8_t>& data) {
        const std::string path = scratch.File("in.wav");
        WriteFileBytes(path, BuildWave(layout, data));
        ASSERT_TRUE(wave.Load(path));
    }
    void Load16(const WaveLayout& layout, const std::vector<std::int16_t>& samples) {
        const std::string path = scratch.File("in.wav");
        WriteFileBytes(path, BuildWave16(layout, samples));
        ASSERT_TRUE(wave.Load(path));
    }
    void Compute() {
        first.assign(kBins, -5.0);
        second.assign(kBins, -5.0);
        feedback.Take(wave.ComputeSpectrum(first.data(), second.data(), kBins));
    }

    ScratchDir scratch;
    RecordingFeedback feedback;
    CWave wave;
    std::vector<double> first;
    std::vector<double> second;
};

// The averaged spectrum of one channel's samples, block by block as described: rectangular blocks of
// `length` frames starting at b * step * length, zero padded to 2048, magnitudes summed then divided.
std::vector<double> ExpectedCurve(const std::vector<double>& samples, int length, int step, int analysed) {
    std::vector<double> bins(kBins, 0.0);
    CFft fft;
    for (int b = 0; b < analysed; ++b) {
        std::vector<double> re(2048, 0.0);
        std::vector<double> im(2048, 0.0);
        for (int i = 0; i < length; ++i) {
            re[i] = samples[static_cast<std::size_t>(b * step * length + i)];
        }
        fft.Transform(re.data(), im.data(), 2048, 11, 0);
        for (int k = 0; k < kBins; ++k) {
            bins[k] += std::sqrt(re[k] * re[k] + im[k] * im[k]);
        }
    }
    for (double& bin : bins) {
        bin /= analysed;
    }
    bins[0] = 1.0;
    return bins;
}

bool BitEqual(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Block b holds a cosine of 10 * (b + 1) whole periods per 2048 frames, so the averaged spectrum has a
// peak exactly at the bins of the blocks that were read.
std::vector<std::int16_t> TaggedBlocks(int blocks) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(blocks) * 2048);
    const double twoPi = 8 * std::atan(1.0);
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < 2048; ++i) {
            samples[static_cast<std::size_t>(b) * 2048 + i] =
                static_cast<std::int16_t>(std::lround(10000 * std::cos(twoPi * 10 * (b + 1) * i / 2048)));
        }
    }
    return samples;
}

std::vector<int> PeakBlocks(const std::vector<double>& curve, int blocks) {
    std::vector<int> read;
    for (int b = 0; b < blocks; ++b) {
        if (curve[static_cast<std::size_t>(10 * (b + 1))] > 1000) {
            read.push_back(b);
        }
    }
    return read;
}

std::vector<int> ExpectedPositions(int from, int count) {
    std::vector<int> positions;
    for (int p = from; p < from + count; ++p) {
        positions.push_back(p);
    }
    return positions;
}

}  // namespace

TEST_F(SpectrumTest, ChoosesEveryBlockUpToTenThenEveryFifthOfTheBlocks) {
    struct Case {
        int blocks;
        std::vector<int> read;
    };
    const std::vector<Case> cases = {
        {1, {0}},
        {10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {11, {0, 2, 4, 6, 8}},
        {100, {0, 20, 40, 60, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.blocks << " blocks");
        feedback = RecordingFeedback();
        std::vector<std::int16_t> samples = TaggedBlocks(c.blocks);
        samples.push_back(1234);  // a partial block at the end is never read
        Load16(WaveLayout{}, samples);
        Compute();
        EXPECT_EQ(PeakBlocks(first, c.blocks), c.read);
        EXPECT_TRUE(feedback.messages.empty());

        ASSERT_EQ(feedback.progress.size(), 1u);
        const ProgressRecord& progress = *feedback.progress[0];
        const int analysed = static_cast<int>(c.read.size());
        EXPECT_EQ(progress.low, 0);
        EXPECT_EQ(progress.high, analysed);
        EXPECT_TRUE(progress.shown);
        EXPECT_TRUE(progress.destroyed);
        EXPECT_EQ(progress.positions, ExpectedPositions(0, analysed));

        std::vector<double> asDoubles(samples.begin(), samples.end());
        const int step = c.blocks <= 10 ? 1 : c.blocks / 5;
        EXPECT_TRUE(BitEqual(first, ExpectedCurve(asDoubles, 2048, step, analysed)));
        EXPECT_EQ(second, std::vector<double>(kBins, -5.0));  // mono leaves the second curve alone
    }
}

TEST_F(SpectrumTest, StereoSixteenBitAnalysesEachChannelAndCountsProgressAcrossBoth) {
    // 13 blocks: S = 2, A = 6, progress range (2 * 13) div 2 = 13 although only 12 positions are set.
    const int frames = 13 * 2048 + 100;
    std::mt19937 generator(5);
    std::uniform_int_distribution<int> distribution(-32768, 32767);
    std::vector<std::int16_t> interleaved(static_cast<std::size_t>(frames) * 2);
    std::vector<double> left(static_cast<std::size_t>(frames));
    std::vector<double> right(static_cast<std::size_t>(frames));
    for (int f = 0; f < frames; ++f) {
        interleaved[2 * f] = static_cast<std::int16_t>(distribution(generator));
        interleaved[2 * f + 1] = static_cast<std::int16_t>(distribution(generator));
        left[f] = interleaved[2 * f];
        right[f] = interleaved[2 * f + 1];
    }
    WaveLayout layout;
    layout.channels = 2;
    Load16(layout, interleaved);
    Compute();
    EXPECT_TRUE(BitEqual(first, ExpectedCurve(left, 2048, 2, 6)));
    EXPECT_TRUE(BitEqual(second, ExpectedCurve(right, 2048, 2, 6)));
    ASSERT_EQ(feedback.progress.size(), 1u);
    EXPECT_EQ(feedback.progress[0]->high, 13);
    EXPECT_EQ(feedback.progress[0]->positions, ExpectedPositions(0, 12));
}

TEST_F(SpectrumTest, EightBitSamplesAreCentredOn127) {
    std::vector<std::uint8_t> data(4096, 127);
    WaveLayout layout;
    layout.bitsPerSample = 8;
    Load(layout, data);
    Compute();
    EXPECT_EQ(first[0], 1.0);
    for (int k = 1; k < kBins; ++k) {
        ASSERT_EQ(first[k], 0.0) << k;
    }

    // Stereo 8-bit: the left byte of each frame is the first channel.
    std::vector<std::uint8_t> stereo(2 * 2048);
    std::vector<double> left(2048);
    std::vector<double> right(2048);
    for (int f = 0; f < 2048; ++f) {
        stereo[2 * f] = static_cast<std::uint8_t>((f * 37) % 256);
        stereo[2 * f + 1] = static_cast<std::uint8_t>((f * f) % 256);
        left[f] = stereo[2 * f] - 127.0;
        right[f] = stereo[2 * f + 1] - 127.0;
    }
    layout.channels = 2;
    Load(layout, stereo);
    Compute();
    EXPECT_TRUE(BitEqual(first, ExpectedCurve(left, 2048, 1, 1)));
    EXPECT_TRUE(BitEqual(second, ExpectedCurve(right, 2048, 1, 1)));
}

TEST_F(SpectrumTest, AShortStereoWaveIsOneZeroPaddedBlockPerChannel) {
    // The right channel's block must be padded with zeros, not with what the left channel's transform
    // left in the work arrays.
    const int frames = 300;
    std::vector<std::int16_t> interleaved(2 * frames);
    std::vector<double> left(frames);
    std::vector<double> right(frames);
    for (int f = 0; f < frames; ++f) {
        interleaved[2 * f] = static_cast<std::int16_t>(3000 * std::sin(f * 0.3));
        interleaved[2 * f + 1] = static_cast<std::int16_t>(f % 7 - 3);
        left[f] = interleaved[2 * f];
        right[f] = interleaved[2 * f + 1];
    }
    WaveLayout layout;
    layout.channels = 2;
    Load16(layout, interleaved);
    Compute();
    EXPECT_TRUE(BitEqual(first, ExpectedCurve(left, frames, 1, 1)));
    EXPECT_TRUE(BitEqual(second, ExpectedCurve(right, frames, 1, 1)));
    ASSERT_EQ(feedback.progress.size(), 1u);
    EXPECT_EQ(feedback.progress[0]->high, 2);
    EXPECT_EQ(feedback.progress[0]->positions, (std::vector<int>{0, 1}));
}

TEST_F(SpectrumTest, BinZeroIsOneWhateverTheSignal) {
    Load16(WaveLayout{}, std::vector<std::int16_t>(5000, 20000));
    Compute();
    EXPECT_EQ(first[0], 1.0);
    EXPECT_EQ(first[1], 0.0);  // a constant has nothing but its mean
}

TEST_F(SpectrumTest, NoCompleteFrameLeavesZeroCurvesAndShowsNoProgress) {
    WaveLayout layout;
    layout.channels = 2;
    Load(layout, {1, 2, 3});  // three bytes: not one 4-byte frame
    Compute();
    EXPECT_EQ(first, std::vector<double>(kBins, 0.0));
    EXPECT_EQ(second, std::vector<double>(kBins, 0.0));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_TRUE(feedback.progress.empty());
}

TEST_F(SpectrumTest, UnsupportedLayoutsAreRefusedWithTheirMessagesAndTouchNothing) {
    WaveLayout threeChannels;
    threeChannels.channels = 3;
    Load16(threeChannels, std::vector<std::int16_t>(300, 1));
    Compute();
    WaveLayout wide;
    wide.bitsPerSample = 24;
    Load(wide, std::vector<std::uint8_t>(300, 1));
    Compute();
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"1 or 2 channels expected", "8 or 16 bits expected"}));
    EXPECT_EQ(first, std::vector<double>(kBins, -5.0));
    EXPECT_EQ(second, std::vector<double>(kBins, -5.0));
    EXPECT_TRUE(feedback.progress.empty());
}
