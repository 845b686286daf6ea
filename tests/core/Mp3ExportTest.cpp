// The export's calling sequence, chunking, progress and every failure path, driven against a recording
// stub encoder that stands in for the run-time module.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "mp3enc/Mp3Export.h"
#include "tests/support/RecordingFeedback.h"
#include "tests/support/WaveBuilder.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

// What the stub encoder was asked, and how it is told to answer. The entry points are plain functions,
// so they reach the one active instance through a static pointer.
struct StubEncoder {
    static inline StubEncoder* active = nullptr;

    std::uint32_t samplesPerChunk = 6;
    std::uint32_t outputBufferSize = 16;
    bladeenc::Status initStatus = bladeenc::kOk;
    bladeenc::Status deinitStatus = bladeenc::kOk;
    int failingEncodeCall = -1;  // the zero-based encode call that answers a failure
    std::uint32_t deinitBytes = 3;
    RecordingFeedback* feedback = nullptr;

    std::vector<std::string> calls;
    std::vector<std::uint8_t> config;
    std::vector<std::uint32_t> chunkSampleCounts;
    std::vector<std::int16_t> samples;
    bool progressGoneAtDeinit = false;

    // Encode call k answers k + 1 bytes of value 'a' + k; the end of the stream answers "ZZZ...".
    static std::vector<std::uint8_t> ExpectedFile(std::size_t encodeCalls, std::uint32_t deinitBytes) {
        std::vector<std::uint8_t> bytes;
        for (std::size_t k = 0; k < encodeCalls; ++k) {
            bytes.insert(bytes.end(), k + 1, static_cast<std::uint8_t>('a' + k));
        }
        bytes.insert(bytes.end(), deinitBytes, 'Z');
        return bytes;
    }

    static bladeenc::Status Init(const std::uint8_t* config, std::uint32_t* samplesPerChunk,
                                 std::uint32_t* outputBufferSize, bladeenc::StreamHandle* stream) {
        active->calls.push_back("init");
        active->config.assign(config, config + bladeenc::kConfigSize);
        *samplesPerChunk = active->samplesPerChunk;
        *outputBufferSize = active->outputBufferSize;
        *stream = 77;
        return active->initStatus;
    }
    static bladeenc::Status Encode(bladeenc::StreamHandle stream, std::uint32_t sampleCount, std::int16_t* samples,
                                   std::uint8_t* output, std::uint32_t* outputBytes) {
        const auto call = static_cast<int>(active->chunkSampleCounts.size());
        active->calls.push_back(stream == 77 ? "encode" : "encode-bad-handle");
        active->chunkSampleCounts.push_back(sampleCount);
        active->samples.insert(active->samples.end(), samples, samples + sampleCount);
        if (call == active->failingEncodeCall) {
            return 5;
        }
        *outputBytes = static_cast<std::uint32_t>(call + 1);
        std::fill(output, output + *outputBytes, static_cast<std::uint8_t>('a' + call));
        return bladeenc::kOk;
    }
    static bladeenc::Status Deinit(bladeenc::StreamHandle, std::uint8_t* output, std::uint32_t* outputBytes) {
        active->calls.push_back("deinit");
        active->progressGoneAtDeinit =
            !active->feedback->progress.empty() && active->feedback->progress.back()->destroyed;
        *outputBytes = active->deinitBytes;
        std::fill(output, output + std::min(active->deinitBytes, active->outputBufferSize), 'Z');
        return active->deinitStatus;
    }
    static bladeenc::Status Close(bladeenc::StreamHandle) {
        active->calls.push_back("close");
        return bladeenc::kOk;
    }
    static bladeenc::Status Version(bladeenc::VersionRecord*) {
        active->calls.push_back("version");
        return bladeenc::kOk;
    }
};

class StubEncoderLibrary final : public EncoderLibrary {
public:
    bool loads = true;
    bool complete = true;
    std::string loadedName;

    bool Load(const std::string& moduleName) override {
        loadedName = moduleName;
        return loads;
    }
    bool Resolve(bladeenc::Functions& functions) override {
        if (!complete) {
            return false;
        }
        functions.initStream = &StubEncoder::Init;
        functions.encodeChunk = &StubEncoder::Encode;
        functions.deinitStream = &StubEncoder::Deinit;
        functions.closeStream = &StubEncoder::Close;
        functions.version = &StubEncoder::Version;
        return true;
    }
};

// Settings as a dialog would hand them over, or a dialog the user closed with "Close".
class ScriptedSettings final : public Mp3SettingsSource {
public:
    bool accepted = true;
    int bitrate = 128;
    int crc = 0, copyright = 0, privateFlag = 0, original = 0;
    int dialogRuns = 0;

    bool RunSettingsDialog() override {
        ++dialogRuns;
        return accepted;
    }
    int GetBitrate(Result&) override { return bitrate; }
    int GetCrc() const override { return crc; }
    int GetCopyright() const override { return copyright; }
    int GetPrivate() const override { return privateFlag; }
    int GetOriginal() const override { return original; }
};

std::uint32_t RecordField(const std::vector<std::uint8_t>& record, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(record.at(offset + i)) << (8 * i);
    }
    return value;
}

class Mp3ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        StubEncoder::active = &encoder;
        encoder.feedback = &feedback;
        wave.SetFeedback(&feedback);
    }
    void TearDown() override { StubEncoder::active = nullptr; }

    void LoadWave16(std::uint16_t channels, std::uint32_t rate, const std::vector<std::int16_t>& samples) {
        WaveLayout layout;
        layout.channels = channels;
        layout.samplesPerSecond = rate;
        const std::string path = scratch.File("in.wav");
        WriteFileBytes(path, BuildWave16(layout, samples));
        ASSERT_TRUE(wave.Load(path));
    }
    static std::vector<std::int16_t> Ramp(int count) {
        std::vector<std::int16_t> samples;
        for (int i = 0; i < count; ++i) {
            samples.push_back(static_cast<std::int16_t>(i * 100 - 1000));
        }
        return samples;
    }
    bool Export() {
        CMp3Export exporter(settings, library, "stub");
        return feedback.Take(exporter.Export(output, wave));
    }
    bool OutputExists() const { return std::filesystem::exists(output); }

    ScratchDir scratch;
    RecordingFeedback feedback;
    CWave wave;
    StubEncoder encoder;
    StubEncoderLibrary library;
    ScriptedSettings settings;
    std::string output = scratch.File("out.mp3");
};

TEST_F(Mp3ExportTest, ChunksFollowTheEncodersSizeWithAShorterLastChunkAndTheFileHoldsWhatItReturned) {
    const std::vector<std::int16_t> samples = Ramp(16);  // 32 bytes: chunks of 6 samples give 6, 6, 4
    LoadWave16(2, 44100, samples);
    ASSERT_TRUE(Export());
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(encoder.calls, (std::vector<std::string>{"version", "init", "encode", "encode", "encode", "deinit",
                                                       "close"}));
    EXPECT_EQ(encoder.chunkSampleCounts, (std::vector<std::uint32_t>{6, 6, 4}));
    EXPECT_EQ(encoder.samples, samples);
    EXPECT_EQ(ReadFileBytes(output), StubEncoder::ExpectedFile(3, 3));
    EXPECT_EQ(settings.dialogRuns, 1);
    EXPECT_EQ(library.loadedName, "stub");

    ASSERT_EQ(feedback.progress.size(), 1u);
    const ProgressRecord& progress = *feedback.progress[0];
    EXPECT_TRUE(progress.shown);
    EXPECT_EQ(progress.low, 0);
    EXPECT_EQ(progress.high, 32);
    EXPECT_EQ(progress.positions, (std::vector<int>{12, 24, 32}));
    EXPECT_TRUE(encoder.progressGoneAtDeinit);
}

TEST_F(Mp3ExportTest, DataThatIsAWholeNumberOfChunksEndsWithAFullChunk) {
    LoadWave16(2, 48000, Ramp(12));
    ASSERT_TRUE(Export());
    EXPECT_EQ(encoder.chunkSampleCounts, (std::vector<std::uint32_t>{6, 6}));
    EXPECT_EQ(feedback.progress.at(0)->positions, (std::vector<int>{12, 24}));
}

TEST_F(Mp3ExportTest, AnEmptyDataChunkOpensAndClosesTheStreamAndWritesOnlyTheEnd) {
    LoadWave16(1, 32000, {});
    ASSERT_TRUE(Export());
    EXPECT_EQ(encoder.calls, (std::vector<std::string>{"version", "init", "deinit", "close"}));
    EXPECT_EQ(ReadFileBytes(output), StubEncoder::ExpectedFile(0, 3));
    EXPECT_EQ(feedback.progress.at(0)->high, 0);
}

TEST_F(Mp3ExportTest, TheConfigurationRecordCarriesRateModeBitrateAndFlagsAtTheirOffsets) {
    settings.bitrate = 320;
    settings.privateFlag = 1;
    settings.crc = 0;
    settings.copyright = 1;
    settings.original = 1;
    LoadWave16(1, 48000, Ramp(4));
    ASSERT_TRUE(Export());
    ASSERT_EQ(encoder.config.size(), 27u);
    EXPECT_EQ(RecordField(encoder.config, 0, 4), 0u);
    EXPECT_EQ(RecordField(encoder.config, 4, 4), 48000u);
    EXPECT_EQ(RecordField(encoder.config, 8, 1), 3u);
    EXPECT_EQ(RecordField(encoder.config, 9, 2), 320u);
    EXPECT_EQ(RecordField(encoder.config, 11, 4), 1u);
    EXPECT_EQ(RecordField(encoder.config, 15, 4), 0u);
    EXPECT_EQ(RecordField(encoder.config, 19, 4), 1u);
    EXPECT_EQ(RecordField(encoder.config, 23, 4), 1u);

    encoder = StubEncoder{};
    encoder.feedback = &feedback;
    settings = ScriptedSettings{};
    settings.crc = 1;
    LoadWave16(2, 44100, Ramp(4));
    ASSERT_TRUE(Export());
    EXPECT_EQ(RecordField(encoder.config, 4, 4), 44100u);
    EXPECT_EQ(RecordField(encoder.config, 8, 1), 0u);
    EXPECT_EQ(RecordField(encoder.config, 9, 2), 128u);
    EXPECT_EQ(RecordField(encoder.config, 11, 4), 0u);
    EXPECT_EQ(RecordField(encoder.config, 15, 4), 1u);
}

TEST_F(Mp3ExportTest, EightBitSamplesAreWidenedAroundTheirCentreAndClipped) {
    WaveLayout layout;
    layout.bitsPerSample = 8;
    const std::string path = scratch.File("in8.wav");
    WriteFileBytes(path, BuildWave(layout, {127, 0, 255, 128, 126, 200, 1}));
    ASSERT_TRUE(wave.Load(path));
    encoder.samplesPerChunk = 4;
    ASSERT_TRUE(Export());
    // Seven bytes are seven samples: chunks of four samples are four bytes here.
    EXPECT_EQ(encoder.chunkSampleCounts, (std::vector<std::uint32_t>{4, 3}));
    EXPECT_EQ(encoder.samples, (std::vector<std::int16_t>{0, -32512, 32767, 256, -256, 73 * 256, -126 * 256}));
    EXPECT_EQ(feedback.progress.at(0)->positions, (std::vector<int>{4, 7}));
}

TEST_F(Mp3ExportTest, AHalfFrameAtTheEndOfOddSizedDataIsNotHandedOver) {
    WaveLayout layout;
    layout.channels = 2;
    const std::string path = scratch.File("odd.wav");
    // Two stereo frames and two stray bytes of a third.
    WriteFileBytes(path, BuildWave(layout, {1, 0, 2, 0, 3, 0, 4, 0, 5, 0}));
    ASSERT_TRUE(wave.Load(path));
    encoder.samplesPerChunk = 100;
    ASSERT_TRUE(Export());
    EXPECT_EQ(encoder.chunkSampleCounts, (std::vector<std::uint32_t>{4}));
    EXPECT_EQ(encoder.samples, (std::vector<std::int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(feedback.progress.at(0)->positions, (std::vector<int>{10}));
}

TEST_F(Mp3ExportTest, AModuleThatCannotBeLoadedOrLacksAnEntryPointStopsBeforeAnythingIsCreated) {
    LoadWave16(1, 44100, Ramp(4));
    library.loads = false;
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"Error loading BLADEENC.DLL"}));

    feedback.messages.clear();
    library.loads = true;
    library.complete = false;
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"Unable to get BladeEnc interface"}));

    EXPECT_TRUE(encoder.calls.empty());
    EXPECT_EQ(settings.dialogRuns, 0);
    EXPECT_FALSE(OutputExists());
}

TEST_F(Mp3ExportTest, TheSystemLoaderReportsAMissingModuleAndAModuleWithoutTheWholeInterface) {
    LoadWave16(1, 44100, Ramp(4));
    SystemEncoderLibrary system;
    {
        CMp3Export exporter(settings, system, "libbladeenc_not_there.so");
        EXPECT_FALSE(feedback.Take(exporter.Export(output, wave)));
    }
    {
        // Built for the tests beside them: every entry point but "beVersion".
        CMp3Export exporter(settings, system, "libbladeenc_stub_incomplete.so");
        EXPECT_FALSE(feedback.Take(exporter.Export(output, wave)));
    }
    EXPECT_EQ(feedback.messages,
              (std::vector<std::string>{"Error loading BLADEENC.DLL", "Unable to get BladeEnc interface"}));
    EXPECT_EQ(settings.dialogRuns, 0);
    EXPECT_FALSE(OutputExists());
}

TEST_F(Mp3ExportTest, ClosingTheSettingsDialogStopsWithoutAMessageAfterTheVersionCall) {
    LoadWave16(1, 44100, Ramp(4));
    settings.accepted = false;
    EXPECT_FALSE(Export());
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(encoder.calls, (std::vector<std::string>{"version"}));
    EXPECT_FALSE(OutputExists());
}

TEST_F(Mp3ExportTest, AnOutputFileThatCannotBeOpenedIsReported) {
    LoadWave16(1, 44100, Ramp(4));
    output = scratch.File("no-such-folder/out.mp3");
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"Could not open File"}));
    EXPECT_EQ(encoder.calls, (std::vector<std::string>{"version"}));
}

TEST_F(Mp3ExportTest, AnUnsupportedRateLeavesAnEmptyFileWithoutOpeningAStream) {
    LoadWave16(1, 22050, Ramp(4));
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{
                                     "SamplesPerSecond is not a supported frequency.\nOnly 32000, 44100 and 48000 "
                                     "supported."}));
    EXPECT_EQ(encoder.calls, (std::vector<std::string>{"version"}));
    ASSERT_TRUE(OutputExists());
    EXPECT_TRUE(ReadFileBytes(output).empty());
}

TEST_F(Mp3ExportTest, AStreamThatCannotBeOpenedLeavesAnEmptyFile) {
    LoadWave16(2, 44100, Ramp(8));
    encoder.initStatus = 1;
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"Error opening encoding stream"}));
    EXPECT_EQ(encoder.calls, (std::vector<std::string>{"version", "init"}));
    EXPECT_TRUE(ReadFileBytes(output).empty());
}

TEST_F(Mp3ExportTest, AFailingChunkClosesTheStreamAndKeepsWhatWasWritten) {
    LoadWave16(2, 44100, Ramp(16));
    encoder.failingEncodeCall = 1;
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"beEncodeChunk failed"}));
    EXPECT_EQ(encoder.calls, (std::vector<std::string>{"version", "init", "encode", "encode", "close"}));
    EXPECT_EQ(ReadFileBytes(output), (std::vector<std::uint8_t>{'a'}));
    EXPECT_TRUE(feedback.progress.at(0)->destroyed);
}

TEST_F(Mp3ExportTest, AFailingEndOfStreamClosesTheStreamAndKeepsTheChunks) {
    LoadWave16(2, 44100, Ramp(8));
    encoder.deinitStatus = 1;
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"beExitStream failed"}));
    EXPECT_EQ(encoder.calls, (std::vector<std::string>{"version", "init", "encode", "encode", "deinit", "close"}));
    EXPECT_EQ(ReadFileBytes(output), (std::vector<std::uint8_t>{'a', 'b', 'b'}));
}

TEST_F(Mp3ExportTest, AnEncoderAnsweringMoreBytesThanItsBufferIsAFailureNotAnOverrun) {
    LoadWave16(2, 44100, Ramp(8));
    encoder.deinitBytes = 3;
    encoder.outputBufferSize = 2;  // the second chunk answers two bytes, the end three
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"beExitStream failed"}));
}

TEST_F(Mp3ExportTest, AnEncoderWithNoOutputBufferMayNotAnswerAnyByte) {
    LoadWave16(2, 44100, Ramp(8));
    encoder.outputBufferSize = 0;  // the first chunk answers one byte
    EXPECT_FALSE(Export());
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"beEncodeChunk failed"}));
}

TEST_F(Mp3ExportTest, AWriteFailureIsReportedAndTheStreamIsReleased) {
    LoadWave16(2, 44100, Ramp(16));
    encoder.outputBufferSize = 4096;
    encoder.deinitBytes = 4000;  // beyond the file-size limit below
    // A file-size limit makes the write fail with EFBIG instead of a signal.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool exported = Export();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(exported);
    EXPECT_EQ(feedback.messages, (std::vector<std::string>{"Write error"}));
    EXPECT_EQ(encoder.calls.back(), "close");
}

TEST_F(Mp3ExportTest, AFailedExportKeepsAFileThatWasThereBefore) {
    WriteFileBytes(output, {'o', 'l', 'd'});
    LoadWave16(2, 44100, Ramp(16));
    encoder.failingEncodeCall = 2;
    EXPECT_FALSE(Export());
    EXPECT_EQ(ReadFileBytes(output), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    // A successful one replaces it whole.
    encoder = StubEncoder{};
    encoder.feedback = &feedback;
    ASSERT_TRUE(Export());
    EXPECT_EQ(ReadFileBytes(output), StubEncoder::ExpectedFile(3, 3));
}

TEST(Mp3BitrateText, OnlyAnExactListEntryCountsEverythingElseFallsBackTo128WithOneMessage) {
    Result notes;
    EXPECT_EQ(BitrateFromText("320", notes), 320);
    EXPECT_EQ(BitrateFromText("32", notes), 32);
    EXPECT_EQ(BitrateFromText("112", notes), 112);
    EXPECT_TRUE(notes.Messages().empty());
    for (const char* text : {" 128", "128k", "", "12", "64 ", "1280", "0", "144"}) {
        Result fallback;
        EXPECT_EQ(BitrateFromText(text, fallback), 128) << text;
        EXPECT_TRUE(fallback) << text;  // a note: the export goes on
        EXPECT_EQ(fallback.Texts(), (std::vector<std::string>{"No valid selection - Encoding with 128 kbit"}))
            << text;
    }
}

TEST(Mp3BitrateText, TheListHoldsTheMpeg1LayerThreeBitratesInRisingOrder) {
    Result feedback;
    int previous = 0;
    for (const std::string_view text : kMp3BitrateTexts) {
        const int bitrate = BitrateFromText(text, feedback);
        EXPECT_GT(bitrate, previous);
        EXPECT_EQ(bitrate % 8, 0);
        EXPECT_GE(bitrate, 32);
        EXPECT_LE(bitrate, 320);
        previous = bitrate;
    }
    EXPECT_TRUE(feedback.Messages().empty());
}

}  // namespace
