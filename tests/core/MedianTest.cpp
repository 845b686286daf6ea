#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "audio/Wave.h"
#include "dsp/Median.h"
#include "dsp/MedianWindow.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel::testing;

namespace {

constexpr std::size_t kHeader = 44;

class MedianTest : public ::testing::Test {
protected:
    void SetUp() override { wave.SetFeedback(&feedback); }

    void Load(const std::vector<std::uint8_t>& image) {
        const std::string path = scratch.File("in.wav");
        WriteFileBytes(path, image);
        ASSERT_TRUE(wave.Load(path));
    }

    std::vector<std::uint8_t> Image() const {
        return std::vector<std::uint8_t>(wave.GetImage(), wave.GetImage() + wave.GetImageLength());
    }

    std::vector<std::uint8_t> Data() const {
        return std::vector<std::uint8_t>(wave.GetImage() + kHeader, wave.GetImage() + kHeader + wave.GetDataLength());
    }

    std::vector<std::int16_t> Data16() const {
        std::vector<std::int16_t> samples;
        for (std::size_t i = kHeader; i + 1 < kHeader + wave.GetDataLength(); i += 2) {
            samples.push_back(static_cast<std::int16_t>(wave.GetImage()[i] | (wave.GetImage()[i + 1] << 8)));
        }
        return samples;
    }

    ScratchDir scratch;
    RecordingFeedback feedback;
    CWave wave;
};

WaveLayout Format(int channels, int bits) {
    WaveLayout layout;
    layout.channels = static_cast<std::uint16_t>(channels);
    layout.bitsPerSample = static_cast<std::uint16_t>(bits);
    return layout;
}

// The median filter written out step by step as described: each step copies and sorts the window starting
// at j, pushes the median through a delay line of K + 1 single-precision slots filled with silence, and
// writes the oldest slot to sample j. Works on one channel's values in a plain vector.
std::vector<int> ReferenceMedian(std::vector<int> x, int length, int silence) {
    const int half = length / 2;
    std::vector<float> delay(half + 1, static_cast<float>(silence));
    std::size_t position = 0;
    const long steps = static_cast<long>(x.size()) - length;
    const std::vector<int> input = x;
    for (long j = 0; j < steps; ++j) {
        std::vector<int> window(input.begin() + j, input.begin() + j + length);
        std::sort(window.begin(), window.end());
        delay[position] = static_cast<float>(window[length / 2]);
        position = (position + 1) % delay.size();
        x[j] = static_cast<int>(delay[position]);
    }
    return x;
}

// Splits interleaved stored samples into channels of plain values and back.
std::vector<int> ChannelValues(const std::vector<std::uint8_t>& data, int channels, int bits, int channel) {
    const int bytes = bits / 8;
    std::vector<int> values;
    for (std::size_t at = static_cast<std::size_t>(channel * bytes); at + bytes <= data.size();
         at += static_cast<std::size_t>(channels * bytes)) {
        values.push_back(bits == 8 ? data[at] : static_cast<std::int16_t>(data[at] | (data[at + 1] << 8)));
    }
    return values;
}

void PutChannelValues(std::vector<std::uint8_t>& data, int channels, int bits, int channel,
                      const std::vector<int>& values) {
    const int bytes = bits / 8;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t at =
            i * static_cast<std::size_t>(channels * bytes) + static_cast<std::size_t>(channel * bytes);
        data[at] = static_cast<std::uint8_t>(values[i] & 0xFF);
        if (bits == 16) {
            data[at + 1] = static_cast<std::uint8_t>((values[i] >> 8) & 0xFF);
        }
    }
}

std::vector<std::uint8_t> RandomData(std::size_t bytes, int spread, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> narrow(0, spread - 1);
    std::vector<std::uint8_t> data(bytes);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(spread >= 256 ? byte(random) : 126 + narrow(random));
    }
    return data;
}

}  // namespace

TEST(MedianOfSamples, PicksTheMiddleOfTheSortedRunWithUnsignedBytesAndSignedWords) {
    const std::uint8_t bytes[] = {200, 100, 5, 255, 0};
    EXPECT_EQ(Median8(bytes, 5), 100);
    EXPECT_EQ(Median8(bytes, 3), 100);
    EXPECT_EQ(Median8(bytes, 1), 200);
    // Even counts take the upper of the two middle values.
    EXPECT_EQ(Median8(bytes, 2), 200);
    EXPECT_EQ(Median8(bytes, 4), 200);
    const std::int16_t words[] = {3, -5, 1, 32767, -32768, 0};
    EXPECT_EQ(Median16(words, 3), 1);
    EXPECT_EQ(Median16(words, 5), 1);
    EXPECT_EQ(Median16(words, 6), 1);
    EXPECT_EQ(Median16(words, 2), 3);
}

// Slides a window over random values (full range and tie-heavy) and compares each median with a fresh sort.
template <class Window>
void ExpectSlidingMediansEqualSorting(int length, int spread) {
    std::mt19937 random(static_cast<std::uint32_t>(length * 31 + spread));
    std::uniform_int_distribution<int> value(spread > 0 ? -spread : -32768, spread > 0 ? spread : 32767);
    std::uniform_int_distribution<int> extreme(0, 2);
    std::vector<std::int16_t> x(length + 3000);
    for (auto& v : x) {
        // A negative spread draws only the extremes, which meet the padding past the window.
        const int extremes[] = {-32768, 0, 32767};
        v = static_cast<std::int16_t>(spread < 0 ? extremes[extreme(random)] : value(random));
    }
    Window window(x.data(), length);
    for (std::size_t j = 0;; ++j) {
        std::vector<std::int16_t> sorted(x.begin() + static_cast<long>(j), x.begin() + static_cast<long>(j) + length);
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(window.Median(), sorted[static_cast<std::size_t>(length / 2)]) << "step " << j;
        if (j + length == x.size()) {
            break;
        }
        window.Replace(x[j], x[j + static_cast<std::size_t>(length)]);
    }
}

TEST(SortedWindow, EveryFormGivesTheMedianOfAFreshSort) {
    for (int length = 1; length <= kMaxMedianLength; ++length) {
        for (const int spread : {0, 2, -1}) {
            SCOPED_TRACE("length " + std::to_string(length) + " spread " + std::to_string(spread));
            ExpectSlidingMediansEqualSorting<tressel::dsp::ScalarSortedWindow>(length, spread);
#if defined(__SSE2__)
            ExpectSlidingMediansEqualSorting<tressel::dsp::VectorSortedWindow<5>>(length, spread);
            if (length <= 8) {
                ExpectSlidingMediansEqualSorting<tressel::dsp::VectorSortedWindow<1>>(length, spread);
            }
#endif
        }
    }
}

// Every format, every window length, full-range and tie-heavy random data: the sliding filter must give
// exactly the bytes of the copy-and-sort filter.
TEST_F(MedianTest, EqualsCopyAndSortForEveryFormatAndLength) {
    struct Case { int channels; int bits; };
    for (const Case format : {Case{1, 8}, Case{1, 16}, Case{2, 8}, Case{2, 16}}) {
        for (const int spread : {256, 3}) {
            for (int length = 1; length <= 33; ++length) {
                SCOPED_TRACE("channels " + std::to_string(format.channels) + " bits " +
                             std::to_string(format.bits) + " spread " + std::to_string(spread) + " length " +
                             std::to_string(length));
                const std::size_t frames = 257 + static_cast<std::size_t>(length);
                const auto input = RandomData(frames * format.channels * format.bits / 8, spread,
                                              static_cast<std::uint32_t>(length * 7 + spread));
                Load(BuildWave(Format(format.channels, format.bits), input));
                feedback.Take(wave.ApplyMedian(length, 1, 1));

                std::vector<std::uint8_t> expected = input;
                for (int channel = 0; channel < format.channels; ++channel) {
                    const int silence = format.bits == 8 ? 127 : 0;
                    PutChannelValues(expected, format.channels, format.bits, channel,
                                     ReferenceMedian(ChannelValues(input, format.channels, format.bits, channel),
                                                     length, silence));
                }
                ASSERT_EQ(Data(), expected);
            }
        }
    }
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(MedianTest, RemovesASpikeFillsSilenceAndKeepsTheTail) {
    Load(BuildWave(Format(1, 8), {100, 100, 250, 100, 100, 100, 100, 100}));
    feedback.Take(wave.ApplyMedian(3, 0, 0)); // mono ignores the boxes
    EXPECT_EQ(Data(), (std::vector<std::uint8_t>{127, 100, 100, 100, 100, 100, 100, 100}));

    std::vector<std::int16_t> constant(40, 500);
    Load(BuildWave16(Format(1, 16), constant));
    feedback.Take(wave.ApplyMedian(5, 1, 1));
    std::vector<std::int16_t> expected = constant;
    expected[0] = expected[1] = 0;
    EXPECT_EQ(Data16(), expected);
}

TEST_F(MedianTest, LongestWindowSilencesSixteenSamplesAndKeepsTheLastThirtyThree) {
    std::vector<std::uint8_t> data(200);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i);  // rising: every centred median is the sample itself
    }
    Load(BuildWave(Format(1, 8), data));
    feedback.Take(wave.ApplyMedian(33, 1, 1));
    const auto result = Data();
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(result[i], 127) << i;
    }
    for (std::size_t i = 16; i < data.size(); ++i) {
        EXPECT_EQ(result[i], data[i]) << i;
    }
}

TEST_F(MedianTest, StereoChannelsAreFilteredApart) {
    // Channel 1 holds large values, channel 2 small ones: a median mixing them would show at once.
    std::vector<std::int16_t> frames;
    std::mt19937 random(5);
    std::uniform_int_distribution<int> small(-10, 10);
    for (int i = 0; i < 300; ++i) {
        frames.push_back(static_cast<std::int16_t>(20000 + small(random)));
        frames.push_back(static_cast<std::int16_t>(small(random)));
    }
    const auto image = BuildWave16(Format(2, 16), frames);
    Load(image);
    const auto input = Data();
    feedback.Take(wave.ApplyMedian(7, 0, 1));
    auto result = Data();
    EXPECT_EQ(ChannelValues(result, 2, 16, 0), ChannelValues(input, 2, 16, 0));
    EXPECT_EQ(ChannelValues(result, 2, 16, 1), ReferenceMedian(ChannelValues(input, 2, 16, 1), 7, 0));

    Load(image);
    feedback.Take(wave.ApplyMedian(7, 1, 1));
    result = Data();
    const auto second = ChannelValues(result, 2, 16, 1);
    EXPECT_EQ(std::vector<int>(second.begin(), second.begin() + 3), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(second, ReferenceMedian(ChannelValues(input, 2, 16, 1), 7, 0));
    EXPECT_EQ(ChannelValues(result, 2, 16, 0), ReferenceMedian(ChannelValues(input, 2, 16, 0), 7, 0));
}

TEST_F(MedianTest, StereoEightBitStartsEachChannelFromSilence) {
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 50; ++i) {
        data.push_back(10);
        data.push_back(240);
    }
    Load(BuildWave(Format(2, 8), data));
    feedback.Take(wave.ApplyMedian(5, 1, 1));
    const auto result = Data();
    EXPECT_EQ(ChannelValues(result, 2, 8, 0)[1], 127);
    EXPECT_EQ(ChannelValues(result, 2, 8, 1)[1], 127);
    EXPECT_EQ(ChannelValues(result, 2, 8, 0)[2], 10);
    EXPECT_EQ(ChannelValues(result, 2, 8, 1)[2], 240);
}

TEST_F(MedianTest, ChannelNoLongerThanTheWindowIsLeftAloneButShowsProgress) {
    for (const std::size_t frames : {std::size_t{0}, std::size_t{5}, std::size_t{9}}) {
        Load(BuildWave(Format(2, 8), RandomData(frames * 2, 256, 3)));
        const auto before = Image();
        feedback.progress.clear();
        feedback.Take(wave.ApplyMedian(9, 1, 1));
        EXPECT_EQ(Image(), before);
        ASSERT_EQ(feedback.progress.size(), 1u);
        EXPECT_TRUE(feedback.progress[0]->shown);
        EXPECT_TRUE(feedback.progress[0]->destroyed);
        EXPECT_TRUE(feedback.progress[0]->positions.empty());
    }
}

TEST_F(MedianTest, ProgressCountsHundredsOfStepsAcrossTheChannels) {
    Load(BuildWave(Format(1, 16), std::vector<std::uint8_t>(2 * 1050)));
    feedback.Take(wave.ApplyMedian(3, 0, 0));
    ASSERT_EQ(feedback.progress.size(), 1u);
    EXPECT_EQ(feedback.progress[0]->high, 10);
    EXPECT_EQ(feedback.progress[0]->positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

    Load(BuildWave(Format(2, 8), std::vector<std::uint8_t>(2 * 250, 127)));
    feedback.Take(wave.ApplyMedian(3, 1, 1));
    EXPECT_EQ(feedback.progress[1]->low, 0);
    EXPECT_EQ(feedback.progress[1]->high, 5);
    EXPECT_EQ(feedback.progress[1]->positions, (std::vector<int>{0, 1, 2, 2, 3, 4}));

    feedback.Take(wave.ApplyMedian(3, 0, 1));
    EXPECT_EQ(feedback.progress[2]->high, 2);
    EXPECT_EQ(feedback.progress[2]->positions, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(feedback.progress[2]->shown && feedback.progress[2]->destroyed);
}

TEST_F(MedianTest, RefusesFormatsSelectionsAndLengthsInOrder) {
    struct Case { int channels; int bits; int channel1; int channel2; int length; const char* message; };
    const Case cases[] = {
        {3, 16, 1, 1, 3, "1 or 2 channels expected"},
        {0, 16, 1, 1, 3, "1 or 2 channels expected"},
        {3, 24, 1, 1, 3, "1 or 2 channels expected"},
        {1, 24, 1, 1, 3, "8 or 16 bits expected"},
        {2, 12, 0, 0, 3, "8 or 16 bits expected"},
        {2, 16, 0, 0, 3, "Select at least one channel for the median process"},
        {2, 16, 1, 1, 0, "Median length must be between 1 and 33"},
        {1, 8, 1, 1, 34, "Median length must be between 1 and 33"},
        {1, 8, 1, 1, -3, "Median length must be between 1 and 33"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Load(BuildWave(Format(c.channels, c.bits), RandomData(240, 256, 9)));
        const auto before = Image();
        feedback.messages.clear();
        feedback.progress.clear();
        feedback.Take(wave.ApplyMedian(c.length, c.channel1, c.channel2));
        EXPECT_EQ(feedback.messages, std::vector<std::string>{c.message});
        EXPECT_TRUE(feedback.progress.empty());
        EXPECT_EQ(Image(), before);
    }
}

TEST_F(MedianTest, IncompleteLastFrameIsNeverWritten) {
    // Forty 16-bit stereo frames and three stray bytes: the stray bytes belong to no frame and stay.
    std::vector<std::uint8_t> data = RandomData(4 * 40 + 3, 256, 11);
    Load(BuildWave(Format(2, 16), data));
    feedback.Take(wave.ApplyMedian(3, 1, 1));
    const auto result = Data();
    EXPECT_TRUE(std::equal(data.end() - 3, data.end(), result.begin() + 160));
}
