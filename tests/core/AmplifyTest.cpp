#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "audio/SampleConversion.h"
#include "audio/Wave.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel::testing;

namespace {

constexpr std::size_t kHeader = 44;

class AmplifyTest : public ::testing::Test {
protected:
    void SetUp() override { wave.SetFeedback(&feedback); }

    void Load(int channels, int bits, const std::vector<std::uint8_t>& data) {
        WaveLayout layout;
        layout.channels = static_cast<std::uint16_t>(channels);
        layout.bitsPerSample = static_cast<std::uint16_t>(bits);
        const std::string path = scratch.File("in.wav");
        WriteFileBytes(path, BuildWave(layout, data));
        ASSERT_TRUE(wave.Load(path));
    }

    void Load16(int channels, const std::vector<std::int16_t>& samples) {
        std::vector<std::uint8_t> data;
        for (const std::int16_t s : samples) {
            data.push_back(static_cast<std::uint8_t>(s & 0xFF));
            data.push_back(static_cast<std::uint8_t>((static_cast<std::uint16_t>(s) >> 8) & 0xFF));
        }
        Load(channels, 16, data);
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

    std::pair<double, double> Measure() {
        double gain1 = -1.0;
        double gain2 = -1.0;
        feedback.Take(wave.MeasureGains(gain1, gain2));
        return {gain1, gain2};
    }

    ScratchDir scratch;
    RecordingFeedback feedback;
    CWave wave;
};

std::vector<std::uint8_t> RandomBytes(std::size_t count) {
    std::mt19937 random(17);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> data(count);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(byte(random));
    }
    return data;
}

}  // namespace

TEST(SampleConversion, ClipsAndTruncatesTowardZero) {
    EXPECT_EQ(ToSample8(-0.5f), 126);
    EXPECT_EQ(ToSample8(0.5f), 127);
    EXPECT_EQ(ToSample8(200.0f), 255);
    EXPECT_EQ(ToSample8(-200.0f), 0);
    EXPECT_EQ(ToSample8(std::nanf("")), 0);
    EXPECT_EQ(ToSample16(-0.7f), 0);
    EXPECT_EQ(ToSample16(2.9f), 2);
    EXPECT_EQ(ToSample16(40000.0f), 32767);
    EXPECT_EQ(ToSample16(-40000.0f), -32768);
    EXPECT_EQ(ToSample16(std::nanf("")), -32768);
}

TEST_F(AmplifyTest, ProposalsBringEachPeakToFullScale) {
    Load16(1, {100, -16384, 3});
    EXPECT_EQ(Measure(), std::make_pair(32767.0 / 16384.0, 0.0));

    Load16(2, {-32768, 10, 32767, -20});
    EXPECT_EQ(Measure(), std::make_pair(32767.0 / 32768.0, 32767.0 / 20.0));

    Load(1, 8, {127, 255, 130});
    EXPECT_EQ(Measure(), std::make_pair(127.0 / 128.0, 0.0));

    Load(2, 8, {63, 127, 191, 227, 100, 0});
    EXPECT_EQ(Measure(), std::make_pair(127.0 / 64.0, 127.0 / 127.0));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(AmplifyTest, SilentChannelIsProposedUnityAndStaysSilent) {
    Load(2, 8, {127, 20, 127, 240});
    EXPECT_EQ(Measure(), std::make_pair(1.0, 127.0 / 113.0));
    Load16(1, {0, 0, 0});
    const auto [gain1, gain2] = Measure();
    EXPECT_EQ(gain1, 1.0);
    feedback.Take(wave.ApplyGains(gain1, gain2));
    EXPECT_EQ(Data16(), (std::vector<std::int16_t>{0, 0, 0}));
    Load(1, 8, {});
    EXPECT_EQ(Measure(), std::make_pair(1.0, 0.0));
}

TEST_F(AmplifyTest, ApplyingTheProposalsReachesFullScale) {
    Load16(1, {16384, -100, 8192});
    const auto [gain1, gain2] = Measure();
    feedback.Take(wave.ApplyGains(gain1, gain2));
    EXPECT_EQ(Data16(), (std::vector<std::int16_t>{32767, -199, 16383}));

    Load(1, 8, {63, 191, 127});
    const auto [byteGain1, byteGain2] = Measure();
    feedback.Take(wave.ApplyGains(byteGain1, byteGain2));
    EXPECT_EQ(Data(), (std::vector<std::uint8_t>{0, 254, 127}));
}

TEST_F(AmplifyTest, UnityLeavesSamplesAndZeroSilences) {
    const auto bytes = RandomBytes(600);
    for (const int bits : {8, 16}) {
        for (const int channels : {1, 2}) {
            Load(channels, bits, bytes);
            feedback.Take(wave.ApplyGains(1.0, 1.0));
            EXPECT_EQ(Data(), bytes) << bits << " bits, " << channels << " channels";
        }
    }
    Load(2, 8, bytes);
    feedback.Take(wave.ApplyGains(0.0, 1.0));
    const auto result = Data();
    for (std::size_t i = 0; i < result.size(); ++i) {
        EXPECT_EQ(result[i], i % 2 == 0 ? 127 : bytes[i]) << i;
    }
    Load(1, 16, bytes);
    feedback.Take(wave.ApplyGains(0.0, 5.0));
    EXPECT_EQ(Data16(), std::vector<std::int16_t>(300, 0));
}

TEST_F(AmplifyTest, ProductsOutsideTheRangeAreClipped) {
    Load16(2, {20000, 20000, -20000, -32768});
    feedback.Take(wave.ApplyGains(2.0, -1.0));
    EXPECT_EQ(Data16(), (std::vector<std::int16_t>{32767, -20000, -32768, 32767}));

    Load(1, 8, {227, 27, 0, 255});
    feedback.Take(wave.ApplyGains(2.0, 0.0));
    EXPECT_EQ(Data(), (std::vector<std::uint8_t>{255, 0, 0, 255}));
    Load(1, 8, {0, 255});
    feedback.Take(wave.ApplyGains(-1.0, 0.0));
    EXPECT_EQ(Data(), (std::vector<std::uint8_t>{254, 0}));
}

TEST_F(AmplifyTest, HalvesRoundDownInEightBitAndTowardZeroInSixteen) {
    Load(1, 8, {126, 128});
    feedback.Take(wave.ApplyGains(0.5, 0.0));
    EXPECT_EQ(Data(), (std::vector<std::uint8_t>{126, 127}));
    Load16(1, {-1, 1, -7, 7});
    feedback.Take(wave.ApplyGains(0.5, 0.0));
    EXPECT_EQ(Data16(), (std::vector<std::int16_t>{0, 0, -3, 3}));
}

TEST_F(AmplifyTest, ProductIsRoundedToSinglePrecisionBeforeTruncation) {
    // In double precision these products stay just below a whole number; in single precision they reach it.
    const double nearlyThree = 3.0 - 1e-12;
    Load16(1, {1, -1});
    feedback.Take(wave.ApplyGains(nearlyThree, 0.0));
    EXPECT_EQ(Data16(), (std::vector<std::int16_t>{3, -3}));
    Load(1, 8, {128});
    feedback.Take(wave.ApplyGains(1.0 - 1e-12, 0.0));
    EXPECT_EQ(Data(), (std::vector<std::uint8_t>{128}));
}

TEST_F(AmplifyTest, RefusedFormatsReportChangeNothingAndMeasureZero) {
    struct Case { int channels; int bits; const char* message; };
    for (const Case c : {Case{3, 16, "1 or 2 channels expected"}, Case{0, 8, "1 or 2 channels expected"},
                         Case{3, 24, "1 or 2 channels expected"}, Case{1, 24, "8 or 16 bits expected"},
                         Case{2, 4, "8 or 16 bits expected"}}) {
        SCOPED_TRACE(c.message);
        const auto bytes = RandomBytes(36);
        Load(c.channels, c.bits, bytes);
        feedback.messages.clear();
        EXPECT_EQ(Measure(), std::make_pair(0.0, 0.0));
        feedback.Take(wave.ApplyGains(3.0, 3.0));
        EXPECT_EQ(feedback.messages, (std::vector<std::string>{c.message, c.message}));
        EXPECT_EQ(Data(), bytes);
        EXPECT_TRUE(feedback.progress.empty());
    }
    CWave empty;
    empty.SetFeedback(&feedback);
    double gain1 = 5.0;
    double gain2 = 5.0;
    feedback.Take(empty.MeasureGains(gain1, gain2));
    EXPECT_EQ(gain1, 0.0);
    EXPECT_EQ(gain2, 0.0);
}

// The first "data" id may stand inside the format chunk, so the samples overlap header fields: amplifying
// the first channel then rewrites the sample width. The second channel must still be processed with the
// layout the operation started with.
TEST_F(AmplifyTest, SamplesOverlappingTheHeaderKeepTheLayoutTheOperationStartedWith) {
    std::vector<std::uint8_t> image = {'R', 'I', 'F', 'F', 34, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                       16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 'd', 'a', 't', 'a', 8, 0, 0, 0,
                                       16, 0, 100, 0, 7, 0, 0xCE, 0xFF};
    const std::string path = scratch.File("overlap.wav");
    WriteFileBytes(path, image);
    ASSERT_TRUE(wave.Load(path));
    ASSERT_EQ(wave.GetDataOffset(), 34u);
    ASSERT_EQ(wave.GetBitsPerSample(), 16);

    feedback.Take(wave.ApplyGains(0.0, 2.0));

    const std::uint8_t* bytes = wave.GetImage();
    EXPECT_EQ(bytes[34] | (bytes[35] << 8), 0);  // channel 1 silenced, the width field with it
    EXPECT_EQ(static_cast<std::int16_t>(bytes[36] | (bytes[37] << 8)), 200);
    EXPECT_EQ(static_cast<std::int16_t>(bytes[40] | (bytes[41] << 8)), -100);
    EXPECT_TRUE(feedback.messages.empty());
}
