#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "audio/Wave.h"
#include "workbench/AudioFiles.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

class WaveTest : public ::testing::Test {
protected:
    void SetUp() override { wave.SetFeedback(&feedback); }

    // Writes the image to a scratch file and loads it.
    bool LoadImage(const std::vector<std::uint8_t>& image, const std::string& name = "in.wav") {
        const std::string path = scratch.File(name);
        WriteFileBytes(path, image);
        return wave.Load(path).Ok();
    }

    ScratchDir scratch;
    RecordingFeedback feedback;
    CWave wave;
};

class FakeSoundOutput final : public SoundOutput {
public:
    bool Play(const std::uint8_t* image, std::size_t length, bool loop) override {
        log.push_back(loop ? "play-loop" : "play");
        lastImage = image;
        lastLength = length;
        return true;
    }
    bool Stop() override {
        log.push_back("stop");
        return true;
    }
    std::vector<std::string> log;
    const std::uint8_t* lastImage = nullptr;
    std::size_t lastLength = 0;
};

}  // namespace

TEST_F(WaveTest, EmptyWaveAnswersZeroAndRefusesToSaveOrPlay) {
    EXPECT_FALSE(wave.IsLoaded());
    EXPECT_FALSE(wave.IsRiffWave());
    EXPECT_FALSE(wave.IsPcm());
    EXPECT_EQ(wave.GetChannels(), 0);
    EXPECT_EQ(wave.GetSamplesPerSecond(), 0u);
    EXPECT_EQ(wave.GetBitsPerSample(), 0);
    EXPECT_EQ(wave.GetDataOffset(), 0);
    EXPECT_EQ(wave.GetDataLength(), 0u);
    EXPECT_EQ(wave.GetImage(), nullptr);
    EXPECT_FALSE(wave.Play(false));
    EXPECT_FALSE(wave.Save(scratch.File("out.wav")));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("out.wav")));
}

TEST_F(WaveTest, CanonicalHeaderFieldsAreReadAtTheirOffsets) {
    WaveLayout layout;
    layout.channels = 2;
    layout.samplesPerSecond = 48000;
    layout.bitsPerSample = 8;
    ASSERT_TRUE(LoadImage(BuildWave(layout, std::vector<std::uint8_t>(10, 127))));
    EXPECT_TRUE(wave.IsRiffWave());
    EXPECT_TRUE(wave.IsPcm());
    EXPECT_EQ(wave.GetChannels(), 2);
    EXPECT_EQ(wave.GetSamplesPerSecond(), 48000u);
    EXPECT_EQ(wave.GetBitsPerSample(), 8);
    EXPECT_EQ(wave.GetDataOffset(), 44);
    EXPECT_EQ(wave.GetDataLength(), 10u);
    EXPECT_EQ(wave.GetImageLength(), 54u);
    EXPECT_EQ(wave.GetFileName(), scratch.File("in.wav"));
}

TEST_F(WaveTest, FormatChecksLookOnlyAtTheirBytes) {
    auto image = BuildWave({}, {0, 0});
    image[3] = 'X';  // "RIFX", the big-endian variant
    ASSERT_TRUE(LoadImage(image));
    EXPECT_FALSE(wave.IsRiffWave());
    EXPECT_TRUE(wave.IsPcm());

    image = BuildWave({}, {0, 0});
    image[15] = '_';  // "WAVEfmt_"
    ASSERT_TRUE(LoadImage(image));
    EXPECT_FALSE(wave.IsRiffWave());

    for (std::uint16_t tag : {std::uint16_t{3}, std::uint16_t{0xFFFE}, std::uint16_t{0x0101}}) {
        WaveLayout layout;
        layout.formatTag = tag;
        ASSERT_TRUE(LoadImage(BuildWave(layout, {0, 0})));
        EXPECT_TRUE(wave.IsRiffWave());
        EXPECT_FALSE(wave.IsPcm()) << tag;
    }
    WaveLayout odd;
    odd.channels = 5;
    odd.bitsPerSample = 24;
    ASSERT_TRUE(LoadImage(BuildWave(odd, {0, 0, 0})));
    EXPECT_TRUE(wave.IsPcm());
}

TEST_F(WaveTest, DataSearchTakesTheFirstOccurrenceAnywhere) {
    WaveLayout layout;
    layout.extraChunks = BuildChunk("LIST", std::vector<std::uint8_t>(20, 'x'));
    ASSERT_TRUE(LoadImage(BuildWave(layout, std::vector<std::uint8_t>(6, 1))));
    EXPECT_EQ(wave.GetDataOffset(), 44 + 28);
    EXPECT_EQ(wave.GetDataLength(), 6u);

    // The word inside a text chunk wins over the real chunk behind it; its "size" is whatever follows.
    const std::vector<std::uint8_t> text = {'s', 'o', 'm', 'e', 'd', 'a', 't', 'a', 2, 0, 0, 0};
    layout.extraChunks = BuildChunk("LIST", text);
    ASSERT_TRUE(LoadImage(BuildWave(layout, std::vector<std::uint8_t>(6, 1))));
    EXPECT_EQ(wave.GetDataOffset(), 36 + 8 + 4 + 8);
    EXPECT_EQ(wave.GetDataLength(), 2u);
}

TEST_F(WaveTest, ShortAndTruncatedImagesNeverReadOutside) {
    const auto full = BuildWave({}, std::vector<std::uint8_t>(8, 5));
    for (std::size_t length : {0u, 1u, 3u, 4u, 15u, 21u, 23u, 27u, 35u, 40u, 43u}) {
        SCOPED_TRACE(length);
        ASSERT_TRUE(LoadImage({full.begin(), full.begin() + static_cast<long>(length)}));
        EXPECT_EQ(wave.GetImageLength(), length);
        EXPECT_EQ(wave.IsRiffWave(), length >= 16);
        EXPECT_EQ(wave.IsPcm(), length >= 22);
        EXPECT_EQ(wave.GetChannels(), length >= 24 ? 1 : 0);
        EXPECT_EQ(wave.GetSamplesPerSecond(), length >= 28 ? 44100u : 0u);
        EXPECT_EQ(wave.GetBitsPerSample(), length >= 36 ? 16 : 0);
        EXPECT_EQ(wave.GetDataLength(), 0u);
        if (length < 40) {
            EXPECT_EQ(wave.GetDataOffset(), static_cast<std::int32_t>(length) + 8);
        }
    }
    // Declared size past the end: only the bytes present count, the header stays as it was.
    ASSERT_TRUE(LoadImage({full.begin(), full.end() - 3}));
    EXPECT_EQ(wave.GetDataOffset(), 44);
    EXPECT_EQ(wave.GetDataLength(), 5u);
    EXPECT_EQ(wave.GetImage()[40], 8);
}

TEST_F(WaveTest, SaveWritesTheImageBackByteForByte) {
    WaveLayout layout;
    layout.channels = 2;
    layout.extraChunks = BuildChunk("LIST", {'I', 'N', 'F', 'O', 'a', 'b', 'c'});
    layout.trailing = {'t', 'a', 'i', 'l', 0, 1, 2};
    const auto image = BuildWave(layout, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(LoadImage(image));
    const std::string out = scratch.File("out.wav");
    ASSERT_TRUE(wave.Save(out));
    EXPECT_EQ(ReadFileBytes(out), image);
    // Replacing an existing file works too, and leaves no temporary file behind.
    wave.GetImage()[wave.GetDataOffset()] = 99;
    ASSERT_TRUE(wave.Save(out));
    EXPECT_EQ(ReadFileBytes(out)[44 + 16], 99);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}), 2);
}

TEST_F(WaveTest, TheImageHoldsExactlyTheFileBytesWhateverTheSize) {
    // The image is not cleared before the read, so every byte must come from the file: small files, one
    // that fills the stdio buffer, and one far larger, each after a longer image was loaded.
    std::uint32_t noise = 1;
    for (std::size_t size : {std::size_t{5} << 20, std::size_t{0}, std::size_t{3}, std::size_t{4096},
                             std::size_t{(1 << 20) + 1}}) {
        SCOPED_TRACE(size);
        std::vector<std::uint8_t> image(size);
        for (auto& byte : image) {
            noise = noise * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(noise >> 24);
        }
        ASSERT_TRUE(LoadImage(image));
        EXPECT_EQ(wave.GetImageLength(), size);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), wave.GetImage()));
    }
}

TEST_F(WaveTest, FailedLoadAfterAGoodOneLeavesTheWaveEmpty) {
    ASSERT_TRUE(LoadImage(BuildWave({}, {1, 2})));
    const Result missing = wave.Load(scratch.File("missing.wav"));
    EXPECT_FALSE(missing);
    EXPECT_FALSE(wave.IsLoaded());
    EXPECT_EQ(wave.GetImageLength(), 0u);
    EXPECT_EQ(wave.GetFileName(), "");
    EXPECT_TRUE(missing.Messages().empty());  // the caller names the failure
}

TEST_F(WaveTest, ReloadRereadsTheFileOrReportsNothingLoaded) {
    ASSERT_EQ(wave.Reload().Texts(), std::vector<std::string>{"Nothing loaded yet"});

    ASSERT_TRUE(LoadImage(BuildWave({}, {1, 2})));
    wave.GetImage()[44] = 77;
    EXPECT_TRUE(wave.Reload());
    EXPECT_TRUE(wave.IsLoaded());
    EXPECT_EQ(wave.GetImage()[44], 1);

    std::filesystem::remove(scratch.File("in.wav"));
    EXPECT_TRUE(wave.Reload().Messages().empty());
    EXPECT_FALSE(wave.IsLoaded());
}

TEST_F(WaveTest, GuardedReadsWarnOutsideTheDataChunk) {
    ASSERT_TRUE(LoadImage(BuildWave({}, std::vector<std::uint8_t>(10, 0))));
    wave.ResetReadPosition();
    EXPECT_EQ(wave.GetReadPointer(), wave.GetImage() + 44);
    EXPECT_TRUE(wave.AdvanceReadPosition(10).Messages().empty());
    const Result behind = wave.AdvanceReadPosition(1);
    EXPECT_TRUE(behind);  // a warning only
    EXPECT_EQ(behind.Texts(), std::vector<std::string>{"Read behind allocated memory block"});
    EXPECT_EQ(wave.AdvanceReadPosition(-12).Texts(), std::vector<std::string>{"Read before allocated memory block"});
    EXPECT_EQ(wave.GetReadPosition(), -1);
}

TEST_F(WaveTest, PlaybackStopsBeforeTheImageGoes) {
    FakeSoundOutput output;
    wave.SetSoundOutput(&output);
    EXPECT_FALSE(wave.Play(false));
    EXPECT_TRUE(output.log.empty());
    ASSERT_TRUE(LoadImage(BuildWave({}, {1, 2})));
    output.log.clear();
    EXPECT_TRUE(wave.Play(true));
    EXPECT_EQ(output.log, (std::vector<std::string>{"stop", "play-loop"}));
    EXPECT_EQ(output.lastImage, wave.GetImage());
    EXPECT_EQ(output.lastLength, wave.GetImageLength());
    wave.Release();
    EXPECT_EQ(output.log.back(), "stop");
    wave.SetSoundOutput(nullptr);
}

TEST_F(WaveTest, SaveThatRunsOutOfSpaceKeepsTheOldFile) {
    const auto image = BuildWave({}, std::vector<std::uint8_t>(64 * 1024, 3));
    ASSERT_TRUE(LoadImage(image));
    const std::string out = scratch.File("old.wav");
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    WriteFileBytes(out, old);

    // A file-size limit makes the write fail the way a full disk does, even for root.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = limit;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result saved = wave.Save(out);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFileBytes(out), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}), 2);
    ASSERT_EQ(saved.Messages().size(), 1u);
    EXPECT_EQ(saved.Messages()[0].text, "Disk full while accessing " + out + ".");
    EXPECT_EQ(saved.Messages()[0].icon, MessageIcon::Stop);
}

TEST_F(WaveTest, LoadAndSaveMessagesOfTheAudioCommands) {
    Result results;
    results.Append(LoadWaveFile(wave, scratch.File("none.wav")));
    auto image = BuildWave({}, {1, 2});
    image[0] = 'X';
    WriteFileBytes(scratch.File("bad.wav"), image);
    results.Append(LoadWaveFile(wave, scratch.File("bad.wav")));
    WaveLayout floating;
    floating.formatTag = 3;
    WriteFileBytes(scratch.File("float.wav"), BuildWave(floating, {1, 2}));
    results.Append(LoadWaveFile(wave, scratch.File("float.wav")));
    EXPECT_FALSE(wave.IsLoaded());
    WriteFileBytes(scratch.File("good.wav"), BuildWave({}, {1, 2}));
    EXPECT_TRUE(LoadWaveFile(wave, scratch.File("good.wav")));
    results.Append(wave.Save(scratch.File("no/such/folder.wav")));
    EXPECT_EQ(results.Texts(), (std::vector<std::string>{"Could not open file", "Not a valid Wave format",
                                                         "Only PCM Wave format supported", "Could not open File"}));
}

TEST(WaveFileNames, ExtensionIsLowerCasedAfterTheLastDot) {
    EXPECT_EQ(LowerCaseExtension("/a/b/Song.WAV"), "wav");
    EXPECT_EQ(LowerCaseExtension("/a/b.c/song"), "");
    EXPECT_EQ(LowerCaseExtension("x.tar.Mp3"), "mp3");
    EXPECT_EQ(LowerCaseExtension("name."), "");
    EXPECT_EQ(LowerCaseExtension("C:\\dir.x\\file"), "");
}

TEST_F(WaveTest, TheFormatFromAFilesFirstBytesIsTheLoadedWavesOrNothing) {
    struct StartCase {
        std::string name;
        std::vector<std::uint8_t> image;
        std::size_t headBytes;
        bool settled;
    };
    WaveLayout stereo8;
    stereo8.channels = 2;
    stereo8.bitsPerSample = 8;
    WaveLayout listFirst;
    listFirst.extraChunks = BuildChunk("LIST", std::vector<std::uint8_t>(100, 'x'));
    WaveLayout floating;
    floating.formatTag = 3;
    auto notRiff = BuildWave({}, {1, 2});
    notRiff[0] = 'X';
    auto declaredPastEnd = BuildWave({}, std::vector<std::uint8_t>(10, 3));
    declaredPastEnd.resize(declaredPastEnd.size() - 3);
    const std::vector<std::uint8_t> text = {'s', 'o', 'm', 'e', 'd', 'a', 't', 'a', 2, 0, 0, 0};
    WaveLayout textFirst;
    textFirst.extraChunks = BuildChunk("LIST", text);
    auto earlyData = BuildWave({}, std::vector<std::uint8_t>(20, 4));
    std::copy_n("data", 4, earlyData.begin() + 16);  // the word in place of the format chunk's size
    const StartCase cases[] = {
        {"early.wav", earlyData, 1 << 16, true},
        {"fields.wav", earlyData, 30, false},  // "data" is in, the bits per sample are not
        {"plain.wav", BuildWave({}, std::vector<std::uint8_t>(1000, 7)), 1 << 16, true},
        {"Upper.WAV", BuildWave(stereo8, std::vector<std::uint8_t>(999, 7)), 44, true},
        {"cut.wav", declaredPastEnd, 1 << 16, true},                 // only the bytes present count
        {"text.wav", BuildWave(textFirst, {1, 2, 3, 4}), 1 << 16, true},  // the first "data" anywhere
        {"late.wav", BuildWave(listFirst, {1, 2}), 100, false},      // "data" beyond the first bytes
        {"size.wav", BuildWave({}, {1, 2}), 43, false},             // its size beyond them
        {"float.wav", BuildWave(floating, {1, 2}), 1 << 16, false},  // refused by the load
        {"bad.wav", notRiff, 1 << 16, false},
        {"short.wav", {'R', 'I', 'F', 'F'}, 1 << 16, false},
        {"wave.mp3", BuildWave({}, {1, 2}), 1 << 16, false},         // such a name is decoded as MPEG audio
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = scratch.File(c.name);
        WriteFileBytes(path, c.image);
        const std::optional<WaveFileStart> start = ReadWaveFileStart(path, c.headBytes);
        ASSERT_EQ(start.has_value(), c.settled);
        if (c.settled) {
            ASSERT_TRUE(LoadWaveFile(wave, path));
            const WaveFormat loaded = wave.Format();
            EXPECT_EQ(start->fileSize, wave.GetImageLength());
            EXPECT_EQ(start->format.channels, loaded.channels);
            EXPECT_EQ(start->format.samplesPerSecond, loaded.samplesPerSecond);
            EXPECT_EQ(start->format.bitsPerSample, loaded.bitsPerSample);
            EXPECT_EQ(start->format.dataOffset, loaded.dataOffset);
            EXPECT_EQ(start->format.dataLength, loaded.dataLength);
        }
    }
    EXPECT_FALSE(ReadWaveFileStart(scratch.File("missing.wav")));
}
