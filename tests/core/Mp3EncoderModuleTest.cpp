// The real encoder module, reached the way the program reaches it: its frames are parsed here, and
// mpg123 (an independent decoder) must play back what went in.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "mp3enc/Mp3Export.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"
#include "workbench/Mp3Import.h"
#include "workbench/Workbench.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The fields of one MPEG-1 Layer III frame header that the export decides.
struct FrameHeader {
    int bitrate = 0;  // kbit/s
    int sampleRate = 0;
    int mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool crc = false;
    bool privateBit = false;
    bool copyright = false;
    bool original = false;
    int length = 0;  // bytes, padding included
};

// Reads the header at the start of bytes; false when it is not an MPEG-1 Layer III header.
bool ParseFrameHeader(const std::uint8_t* bytes, std::size_t available, FrameHeader& header) {
    static const int kBitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
    static const int kRates[4] = {44100, 48000, 32000, -1};
    if (available < 4 || bytes[0] != 0xFF || (bytes[1] & 0xFE) != 0xFA) {
        return false;  // sync, MPEG-1, Layer III
    }
    const int bitrateIndex = bytes[2] >> 4;
    const int rateIndex = (bytes[2] >> 2) & 3;
    if (kBitrates[bitrateIndex] <= 0 || kRates[rateIndex] < 0) {
        return false;
    }
    header.bitrate = kBitrates[bitrateIndex];
    header.sampleRate = kRates[rateIndex];
    header.crc = (bytes[1] & 1) == 0;
    header.privateBit = (bytes[2] & 1) != 0;
    header.mode = bytes[3] >> 6;
    header.copyright = (bytes[3] & 0x08) != 0;
    header.original = (bytes[3] & 0x04) != 0;
    const int padding = (bytes[2] >> 1) & 1;
    header.length = 144000 * header.bitrate / header.sampleRate + padding;
    return true;
}

// Walks the file frame by frame; fails the test when anything but whole frames is found.
std::vector<FrameHeader> ParseFrames(const std::vector<std::uint8_t>& file) {
    std::vector<FrameHeader> frames;
    std::size_t offset = 0;
    while (offset < file.size()) {
        FrameHeader header;
        if (!ParseFrameHeader(file.data() + offset, file.size() - offset, header)) {
            ADD_FAILURE() << "no frame header at byte " << offset << " of " << file.size();
            break;
        }
        frames.push_back(header);
        offset += static_cast<std::size_t>(header.length);
    }
    EXPECT_EQ(offset, file.size()) << "the last frame is cut";
    return frames;
}

// mpg123's 16-bit output for the file, one value per sample (channels interleaved); its messages go to
// errorText.
std::vector<std::int16_t> DecodeWithMpg123(const std::string& path, const std::string& scratchFile,
                                           std::string& errorText) {
    const std::string pcm = scratchFile + ".pcm";
    const std::string errors = scratchFile + ".err";
    const std::string command = "mpg123 -q -e s16 -s '" + path + "' > '" + pcm + "' 2> '" + errors + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<std::uint8_t> errorBytes = ReadFileBytes(errors);
    errorText.assign(errorBytes.begin(), errorBytes.end());
    const std::vector<std::uint8_t> bytes = ReadFileBytes(pcm);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

struct Match {
    std::size_t delay = 0;  // decoded frames before the input's first frame
    double correlation = 0;
    double snrDb = 0;
};

// Finds the encoder delay that best lines the decoded signal up with the input, then measures how close
// they are over the whole input apart from a short edge.
Match CompareAligned(const std::vector<double>& input, const std::vector<std::int16_t>& decoded, int channels) {
    const std::size_t frames = input.size() / static_cast<std::size_t>(channels);
    const std::size_t edge = 256;
    auto correlate = [&](std::size_t delay, double& signal, double& noise) {
        double xy = 0, xx = 0, yy = 0;
        signal = noise = 0;
        for (std::size_t f = edge; f + edge < frames; ++f) {
            for (int c = 0; c < channels; ++c) {
                const double x = input[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
                const std::size_t at = (f + delay) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c);
                const double y = at < decoded.size() ? decoded[at] : 0.0;
                xy += x * y;
                xx += x * x;
                yy += y * y;
                signal += x * x;
                noise += (x - y) * (x - y);
            }
        }
        return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
    };
    Match best;
    for (std::size_t delay = 0; delay <= 2 * 1152; ++delay) {
        double signal = 0, noise = 0;
        const double correlation = correlate(delay, signal, noise);
        if (correlation > best.correlation) {
            best.delay = delay;
            best.correlation = correlation;
            best.snrDb = 10.0 * std::log10(signal / (noise > 0 ? noise : 1e-9));
        }
    }
    return best;
}

// Two tones per channel, different in each channel, so a swapped or mixed channel shows.
std::vector<double> TestSignal(int channels, int rate, int frames, double amplitude) {
    std::vector<double> samples;
    for (int f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / rate;
        for (int c = 0; c < channels; ++c) {
            const double low = c == 0 ? 440.0 : 660.0;
            const double high = c == 0 ? 2500.0 : 3100.0;
            samples.push_back(std::trunc(amplitude * (0.6 * std::sin(2 * kPi * low * t) +
                                                      0.3 * std::sin(2 * kPi * high * t))));
        }
    }
    return samples;
}

struct Case {
    int channels;
    int rate;
    int bitrate;
    int bits;
};

std::string Describe(const Case& c) {
    return std::to_string(c.channels) + "ch " + std::to_string(c.rate) + " Hz " + std::to_string(c.bitrate) +
           " kbit/s " + std::to_string(c.bits) + "-bit";
}

class EncoderModuleTest : public ::testing::Test {
protected:
    void SetUp() override { wave.SetFeedback(&feedback); }

    // Loads a wave holding the signal (16-bit values, or 8-bit bytes around 127) and answers the values the
    // encoder gets from it.
    std::vector<double> LoadSignal(const Case& c, int frames) {
        WaveLayout layout;
        layout.channels = static_cast<std::uint16_t>(c.channels);
        layout.samplesPerSecond = static_cast<std::uint32_t>(c.rate);
        layout.bitsPerSample = static_cast<std::uint16_t>(c.bits);
        std::vector<double> values;
        std::vector<std::uint8_t> image;
        if (c.bits == 8) {
            std::vector<std::uint8_t> bytes;
            for (const double v : TestSignal(c.channels, c.rate, frames, 120.0)) {
                bytes.push_back(static_cast<std::uint8_t>(127 + v));
                values.push_back(v * 256);
            }
            image = BuildWave(layout, bytes);
        } else {
            std::vector<std::int16_t> samples;
            for (const double v : TestSignal(c.channels, c.rate, frames, 20000.0)) {
                samples.push_back(static_cast<std::int16_t>(v));
                values.push_back(v);
            }
            image = BuildWave16(layout, samples);
        }
        const std::string path = scratch.File("in.wav");
        WriteFileBytes(path, image);
        EXPECT_TRUE(wave.Load(path));
        return values;
    }

    bool Export(const std::string& bitrateText, Mp3Flags flags = {}) {
        FixedMp3Settings settings(bitrateText, flags);
        CMp3Export exporter(settings);
        return feedback.Take(exporter.Export(output, wave));
    }

    ScratchDir scratch;
    RecordingFeedback feedback;
    CWave wave;
    std::string output = scratch.File("out.mp3");
};

// The round trip: the Info frame the module writes tells mpg123 and Tressel's import (the window's and the
// command line's) where the input begins and ends, so both give back exactly its length.
TEST_F(EncoderModuleTest, DecodedByMpg123AndImportedTheAudioMatchesTheInputAtEveryRateModeAndBitrate) {
    const std::vector<Case> cases = {
        {1, 32000, 128, 16}, {2, 32000, 320, 16}, {1, 44100, 320, 16}, {2, 44100, 128, 16},
        {1, 48000, 128, 16}, {2, 48000, 320, 16}, {2, 44100, 320, 16}, {1, 44100, 128, 8},
        {2, 48000, 128, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c));
        const int frames = c.rate + 37;  // a second and a little more
        const std::vector<double> input = LoadSignal(c, frames);
        ASSERT_TRUE(Export(std::to_string(c.bitrate)));
        EXPECT_TRUE(feedback.messages.empty());

        const std::vector<FrameHeader> headers = ParseFrames(ReadFileBytes(output));
        // The Info frame, then the input with the encoder's delay of about one frame and the padding of the last.
        const std::size_t minimum = 1 + (static_cast<std::size_t>(frames) + 1152 - 1) / 1152 + 1;
        EXPECT_GE(headers.size(), minimum);
        EXPECT_LE(headers.size(), minimum + 2);
        for (const FrameHeader& header : headers) {
            EXPECT_EQ(header.bitrate, c.bitrate);
            EXPECT_EQ(header.sampleRate, c.rate);
            EXPECT_EQ(header.mode, c.channels == 1 ? 3 : 0);
        }

        std::string errors;
        const std::vector<std::int16_t> decoded = DecodeWithMpg123(output, scratch.File("dec"), errors);
        EXPECT_EQ(errors, "");
        EXPECT_EQ(decoded.size(), input.size());
        const Match match = CompareAligned(input, decoded, c.channels);
        // At 128 kbit/s the encoder spends fewer bits on the tones (about 26 dB here); at 320 kbit/s it is
        // nearly transparent (about 75 dB). Noise, a swapped channel or a wrong delay fall far below both.
        const double snrBound = c.bitrate >= 320 ? 50.0 : 20.0;
        EXPECT_GT(match.correlation, 0.995);
        EXPECT_GT(match.snrDb, snrBound);
        EXPECT_EQ(match.delay, 0u);

        CWave imported;
        ASSERT_TRUE(DecodeMp3IntoWave(imported, output));
        EXPECT_EQ(imported.GetDataLength(), input.size() * 2);
        std::optional<std::string> temporary;
        CWave window;
        ASSERT_TRUE(ImportMp3(window, output, temporary));
        std::remove(temporary->c_str());
        ASSERT_EQ(window.GetImageLength(), imported.GetImageLength());
        EXPECT_TRUE(std::equal(window.GetImage(), window.GetImage() + window.GetImageLength(), imported.GetImage()));
        std::printf("%s: %zu frames, delay %zu, correlation %.6f, SNR %.1f dB\n", Describe(c).c_str(),
                    headers.size(), match.delay, match.correlation, match.snrDb);
    }
}

TEST_F(EncoderModuleTest, TheFourFlagsSetTheirHeaderBitsInEveryFrame) {
    LoadSignal({2, 44100, 192, 16}, 10000);
    const std::vector<Mp3Flags> choices = {
        {true, true, true, true}, {false, false, false, false}, {true, false, false, false},
        {false, true, false, false}, {false, false, true, false}, {false, false, false, true}};
    for (const Mp3Flags& flags : choices) {
        SCOPED_TRACE(std::to_string(flags.crc) + std::to_string(flags.copyright) + std::to_string(flags.privateFlag) +
                     std::to_string(flags.original));
        ASSERT_TRUE(Export("192", flags));
        const std::vector<FrameHeader> headers = ParseFrames(ReadFileBytes(output));
        ASSERT_FALSE(headers.empty());
        for (const FrameHeader& header : headers) {
            EXPECT_EQ(header.crc, flags.crc);
            EXPECT_EQ(header.copyright, flags.copyright);
            EXPECT_EQ(header.privateBit, flags.privateFlag);
            EXPECT_EQ(header.original, flags.original);
            EXPECT_EQ(header.bitrate, 192);
        }
        std::string errors;
        DecodeWithMpg123(output, scratch.File("dec"), errors);
        EXPECT_EQ(errors, "");
    }
}

TEST_F(EncoderModuleTest, SavingAsMp3ChecksTheRateFirstAndConfirmsTheSavedFile) {
    FixedMp3Settings settings("128", {});
    Workbench workbench(&feedback);
    LoadSignal({1, 22050, 128, 16}, 1000);
    ASSERT_TRUE(workbench.LoadAudio(scratch.File("in.wav")));
    EXPECT_FALSE(feedback.Take(workbench.SaveAudio(output, settings)));
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{
                                     "SamplesPerSecond is not a supported frequency.\nOnly 32000, 44100 and 48000 "
                                     "supported."}));
    EXPECT_FALSE(std::filesystem::exists(output));

    feedback.messages.clear();
    LoadSignal({2, 48000, 128, 16}, 5000);
    ASSERT_TRUE(workbench.LoadAudio(scratch.File("in.wav")));
    EXPECT_TRUE(feedback.Take(workbench.SaveAudio(output, settings)));
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"Loaded File saved as MP3"}));
    EXPECT_FALSE(ParseFrames(ReadFileBytes(output)).empty());
}

// The module's entry points called directly, as a careless caller might.
class EncoderModuleInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(loader.Load(kEncoderModuleName));
        ASSERT_TRUE(loader.Resolve(encoder));
    }
    static bladeenc::Config Valid() {
        bladeenc::Config config;
        config.sampleRate = 44100;
        config.bitrate = 128;
        return config;
    }
    bladeenc::Status Init(const bladeenc::Config& config, bladeenc::StreamHandle& stream) {
        const bladeenc::ConfigRecord record = bladeenc::EncodeConfig(config);
        return encoder.initStream(record.data(), &samplesPerChunk, &bufferSize, &stream);
    }

    SystemEncoderLibrary loader;
    bladeenc::Functions encoder;
    std::uint32_t samplesPerChunk = 0;
    std::uint32_t bufferSize = 0;
};

TEST_F(EncoderModuleInterfaceTest, InvalidArgumentsAnswerAFailureStatus) {
    bladeenc::StreamHandle stream = 0;
    std::vector<bladeenc::Config> invalid(6, Valid());
    invalid[0].format = 1;
    invalid[1].sampleRate = 22050;
    invalid[2].mode = 1;
    invalid[3].bitrate = 129;
    invalid[4].bitrate = 0;
    invalid[5].sampleRate = 0;
    for (const bladeenc::Config& config : invalid) {
        EXPECT_NE(Init(config, stream), bladeenc::kOk);
    }
    const bladeenc::ConfigRecord record = bladeenc::EncodeConfig(Valid());
    EXPECT_NE(encoder.initStream(nullptr, &samplesPerChunk, &bufferSize, &stream), bladeenc::kOk);
    EXPECT_NE(encoder.initStream(record.data(), nullptr, &bufferSize, &stream), bladeenc::kOk);

    std::vector<std::uint8_t> output(100000);
    std::vector<std::int16_t> samples(100000);
    std::uint32_t bytes = 0;
    EXPECT_NE(encoder.encodeChunk(12345, 2, samples.data(), output.data(), &bytes), bladeenc::kOk);
    EXPECT_NE(encoder.deinitStream(12345, output.data(), &bytes), bladeenc::kOk);
    EXPECT_NE(encoder.closeStream(12345), bladeenc::kOk);

    ASSERT_EQ(Init(Valid(), stream), bladeenc::kOk);
    EXPECT_NE(encoder.encodeChunk(stream, samplesPerChunk + 2, samples.data(), output.data(), &bytes), bladeenc::kOk);
    EXPECT_NE(encoder.encodeChunk(stream, 3, samples.data(), output.data(), &bytes), bladeenc::kOk);  // half a pair
    EXPECT_NE(encoder.encodeChunk(stream, 2, nullptr, output.data(), &bytes), bladeenc::kOk);
    EXPECT_NE(encoder.encodeChunk(stream, 2, samples.data(), output.data(), nullptr), bladeenc::kOk);
    EXPECT_EQ(encoder.deinitStream(stream, output.data(), &bytes), bladeenc::kOk);
    EXPECT_NE(encoder.encodeChunk(stream, 2, samples.data(), output.data(), &bytes), bladeenc::kOk);  // finished
    EXPECT_EQ(encoder.closeStream(stream), bladeenc::kOk);
    EXPECT_NE(encoder.closeStream(stream), bladeenc::kOk);  // closed twice
}

TEST_F(EncoderModuleInterfaceTest, TheOutputBufferItAsksForHoldsWhatTheLoudestChunksProduce) {
    for (const std::uint8_t mode : {bladeenc::kModeMono, bladeenc::kModeStereo}) {
        bladeenc::Config config = Valid();
        config.mode = mode;
        config.bitrate = 320;
        config.sampleRate = 32000;  // the most bytes per sample
        bladeenc::StreamHandle stream = 0;
        ASSERT_EQ(Init(config, stream), bladeenc::kOk);
        ASSERT_GT(samplesPerChunk, 0u);
        EXPECT_EQ(samplesPerChunk % (mode == bladeenc::kModeMono ? 1u : 2u), 0u);
        std::vector<std::uint8_t> output(bufferSize);
        std::vector<std::int16_t> samples(samplesPerChunk);
        std::uint32_t state = 1;
        std::uint64_t total = 0;
        for (int chunk = 0; chunk < 8; ++chunk) {
            for (std::int16_t& s : samples) {  // full-scale noise
                state = state * 1664525u + 1013904223u;
                s = static_cast<std::int16_t>(state >> 16);
            }
            std::uint32_t bytes = 0;
            ASSERT_EQ(encoder.encodeChunk(stream, samplesPerChunk, samples.data(), output.data(), &bytes), bladeenc::kOk);
            EXPECT_LE(bytes, bufferSize);
            total += bytes;
        }
        std::uint32_t bytes = 0;
        ASSERT_EQ(encoder.deinitStream(stream, output.data(), &bytes), bladeenc::kOk);
        EXPECT_LE(bytes, bufferSize);
        total += bytes;
        EXPECT_EQ(encoder.closeStream(stream), bladeenc::kOk);
        // Constant bitrate: 320 kbit/s for the duration fed in, give or take the delay frames.
        const double seconds = 8.0 * samplesPerChunk / (mode == bladeenc::kModeMono ? 1 : 2) / 32000.0;
        EXPECT_NEAR(static_cast<double>(total), seconds * 40000.0, 4 * 1440.0);
    }
}

}  // namespace
