#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "Mp3DecTestSupport.h"
#include "mp3dec/crc.h"
#include "mp3dec/decode_stream.h"
#include "mp3dec/decoder.h"

using namespace mp3dec;
using mp3dec_test::BitWriter;
using mp3dec_test::DecodeFile;
using mp3dec_test::DecodeResult;
using tressel::testing::ScratchDir;
using tressel::testing::WriteFileBytes;

namespace {

// MPEG-1 Layer II, mono, 48 kHz, 32 kbit/s: 96-byte frames coded with allocation table 2 (subbands 0..1
// with 4-bit, 2..7 with 3-bit allocation fields). A frame with a signal codes subband 0 with 5 steps.
struct FrameLayout {
    bool signal = false;
    int first_code = 0;  // grouped code of block 0; block b uses first_code + b
    bool protect = false;
    bool corrupt_crc = false;
    int bitrate_index = 1;
};

constexpr int kFrameBytes = 96;

std::vector<std::uint8_t> BuildFrame(const FrameLayout& layout) {
    FrameHeader header;
    header.bitrate_index = layout.bitrate_index;
    header.sampling_frequency_index = 1;
    header.mode = kSingleChannel;
    BitWriter w;
    w.Put(0xFFF, 12);
    w.Put(1, 1);
    w.Put(2, 2);
    w.Put(layout.protect ? 0 : 1, 1);
    w.Put(static_cast<std::uint32_t>(layout.bitrate_index), 4);
    w.Put(1, 2);
    w.Put(0, 2);  // padding, extension
    w.Put(3, 2);  // single channel
    w.Put(0, 6);  // mode extension, copyright, original, emphasis

    unsigned crc = header_crc(header);
    const int allocation = layout.signal ? 1 : 0;
    crc16_update(static_cast<unsigned>(allocation), 4, crc);
    crc16_update(0, 4, crc);
    for (int sb = 2; sb < 8; ++sb) crc16_update(0, 3, crc);
    if (layout.signal) crc16_update(2, 2, crc);
    if (layout.protect) w.Put(layout.corrupt_crc ? crc ^ 0x10u : crc, 16);

    w.Put(static_cast<std::uint32_t>(allocation), 4);
    w.Put(0, 4);
    for (int sb = 2; sb < 8; ++sb) w.Put(0, 3);
    if (layout.signal) {
        w.Put(2, 2);  // one scale factor for the whole frame
        w.Put(3, 6);  // scale factor 1.0
        for (int block = 0; block < 12; ++block) w.Put(static_cast<std::uint32_t>((layout.first_code + 7 * block) % 125), 7);
    }
    std::vector<std::uint8_t> bytes = w.bytes;
    bytes.resize(kFrameBytes, 0);
    return bytes;
}

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

DecodeResult DecodeBytes(const std::vector<std::uint8_t>& bytes) {
    ScratchDir dir;
    WriteFileBytes(dir.Path() / "in.mp2", bytes);
    return DecodeFile(dir.File("in.mp2"));
}

std::string Tag(const DecodeResult& r, std::size_t offset) {
    return std::string(reinterpret_cast<const char*>(r.file.data()) + offset, 4);
}

}  // namespace

TEST(Mp3DecDriver, InputWithoutSyncWordGivesEmptyWaveAndMinusOne) {
    const DecodeResult r = DecodeBytes(std::vector<std::uint8_t>(500, 0x5A));
    EXPECT_EQ(r.code, -1);
    EXPECT_EQ(r.progress, std::vector<int>({-1}));
    ASSERT_EQ(r.file.size(), 44u);
    EXPECT_EQ(Tag(r, 0), "RIFF");
    EXPECT_EQ(r.Le32(4), 36u);
    EXPECT_EQ(r.Le32(40), 0u);
}

TEST(Mp3DecDriver, ProgressCallsAndWaveHeaderOfAMonoStream) {
    const auto frame = BuildFrame({});
    const DecodeResult r = DecodeBytes(Concat({frame, frame, frame}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.progress, std::vector<int>({0, 0, 1, 2, -1}));
    const std::uint32_t data = 3 * 1152 * 2;
    ASSERT_EQ(r.file.size(), 44u + data);
    EXPECT_EQ(Tag(r, 0), "RIFF");
    EXPECT_EQ(r.Le32(4), data + 36);
    EXPECT_EQ(Tag(r, 8), "WAVE");
    EXPECT_EQ(Tag(r, 12), "fmt ");
    EXPECT_EQ(r.Le32(16), 16u);
    EXPECT_EQ(r.Le16(20), 1u);
    EXPECT_EQ(r.Le16(22), 1u);
    EXPECT_EQ(r.Le32(24), 48000u);
    EXPECT_EQ(r.Le32(28), 96000u);
    EXPECT_EQ(r.Le16(32), 2u);
    EXPECT_EQ(r.Le16(34), 16u);
    EXPECT_EQ(Tag(r, 36), "data");
    EXPECT_EQ(r.Le32(40), data);
    for (const std::int16_t s : r.Samples()) ASSERT_EQ(s, 0);
}

TEST(Mp3DecDriver, JunkAndReservedHeadersBeforeTheFirstFrameAreSkipped) {
    std::vector<std::uint8_t> reserved = BuildFrame({});
    reserved[2] = static_cast<std::uint8_t>(0xF0 | (reserved[2] & 0x0F));  // bitrate index 15
    const std::vector<std::uint8_t> junk = {0x00, 0x7F, 0xF8, 0x13};   // a sync word off the byte grid
    const auto frame = BuildFrame({true, 40});
    const DecodeResult r = DecodeBytes(Concat({junk, std::vector<std::uint8_t>(reserved.begin(), reserved.begin() + 20), frame, frame}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.progress, std::vector<int>({0, 0, 1, -1}));
    EXPECT_EQ(r.Le32(40), 2u * 1152 * 2);
    const DecodeResult clean = DecodeBytes(Concat({frame, frame}));
    EXPECT_EQ(r.Samples(), clean.Samples());
}

TEST(Mp3DecDriver, AFrameFailingItsCrcRepeatsThePreviousFramesOutput) {
    const auto good = BuildFrame({true, 10, true});
    const auto bad = BuildFrame({true, 60, true, true});
    const DecodeResult r = DecodeBytes(Concat({good, bad}));
    ASSERT_EQ(r.code, 0);
    const auto samples = r.Samples();
    ASSERT_EQ(samples.size(), 2u * 1152);
    EXPECT_NE(std::vector<std::int16_t>(samples.begin(), samples.begin() + 1152), std::vector<std::int16_t>(1152, 0));
    EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + 1152, samples.begin() + 1152));

    // The same frame with a correct CRC is decoded, not concealed.
    const auto decoded = DecodeBytes(Concat({good, BuildFrame({true, 60, true})})).Samples();
    ASSERT_EQ(decoded.size(), 2u * 1152);
    EXPECT_FALSE(std::equal(decoded.begin(), decoded.begin() + 1152, decoded.begin() + 1152));
}

TEST(Mp3DecDriver, AFailingFirstFrameIsConcealedBySilence) {
    const DecodeResult r = DecodeBytes(Concat({BuildFrame({true, 60, true, true}), BuildFrame({true, 10, true})}));
    ASSERT_EQ(r.code, 0);
    const auto samples = r.Samples();
    ASSERT_EQ(samples.size(), 2u * 1152);
    for (std::size_t i = 0; i < 1152; ++i) ASSERT_EQ(samples[i], 0) << i;
}

TEST(Mp3DecDriver, ACutLastFrameStillWritesEverySampleItCounts) {
    const auto frame = BuildFrame({true, 3});
    auto bytes = Concat({frame, frame, frame});
    bytes.resize(2 * kFrameBytes + 30);
    const DecodeResult r = DecodeBytes(bytes);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.progress, std::vector<int>({0, 0, 1, 2, -1}));
    EXPECT_EQ(r.Le32(40), r.file.size() - 44);
    EXPECT_EQ(r.Le32(40), 3u * 1152 * 2);
}

TEST(Mp3DecDriver, MissingInputIsAFailureWithoutProgress) {
    testing::internal::CaptureStdout();
    const DecodeResult r = DecodeFile("/nonexistent/folder/in.mp2");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(r.code, -1);
    EXPECT_TRUE(r.progress.empty());
    EXPECT_NE(out.find("Could not find \"/nonexistent/folder/in.mp2\".\n"), std::string::npos);
}

TEST(Mp3DecDriver, AnOutputThatCannotBePositionedGivesOneAndNoProgress) {
    ScratchDir dir;
    const auto frame = BuildFrame({});
    WriteFileBytes(dir.Path() / "in.mp2", Concat({frame, frame}));
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::FILE* pipe_out = fdopen(fds[1], "wb");
    std::vector<int> progress;
    EXPECT_EQ(decode_mpeg_audio_to_wave(pipe_out, dir.File("in.mp2"), [&](int n) { progress.push_back(n); }), 1);
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(write_wave_header(pipe_out, {}, {}, {}), -1);
    std::fclose(pipe_out);
    close(fds[0]);
}

TEST(Mp3DecDriver, DecodeMp3ToWaveRewindsOnSuccessAndFailsWithoutFrames) {
    ScratchDir dir;
    const auto frame = BuildFrame({true, 1});
    WriteFileBytes(dir.Path() / "in.mp2", Concat({frame, frame}));
    WriteFileBytes(dir.Path() / "junk.mp2", std::vector<std::uint8_t>(100, 1));
    std::FILE* out = std::tmpfile();
    std::vector<int> progress;
    EXPECT_TRUE(DecodeMp3ToWave(dir.File("in.mp2"), out, [&](int n) { progress.push_back(n); }));
    EXPECT_EQ(std::ftell(out), 0);
    EXPECT_EQ(progress, std::vector<int>({0, 0, 1, -1}));
    char riff[4];
    ASSERT_EQ(std::fread(riff, 1, 4, out), 4u);
    EXPECT_EQ(std::string(riff, 4), "RIFF");
    std::fclose(out);
    out = std::tmpfile();
    EXPECT_FALSE(DecodeMp3ToWave(dir.File("junk.mp2"), out));
    std::fclose(out);
}

TEST(Mp3DecDriver, WaveHeaderIsWrittenLittleEndianAtTheStart) {
    std::FILE* out = std::tmpfile();
    std::fputs("0123456789012345678901234567890123456789012345678", out);
    FormatPart format;
    format.channels = 2;
    format.samples_per_second = 22050;
    format.bytes_per_second = 88200;
    format.block_align = 4;
    EXPECT_EQ(write_wave_header(out, {0x01020304u + 36}, format, {0x01020304u}), 0);
    std::rewind(out);
    unsigned char b[49];
    ASSERT_EQ(std::fread(b, 1, 49, out), 49u);
    std::fclose(out);
    const unsigned char expected[44] = {'R', 'I', 'F', 'F', 0x28, 0x03, 0x02, 0x01, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                        16, 0, 0, 0, 1, 0, 2, 0, 0x22, 0x56, 0, 0, 0x88, 0x58, 0x01, 0,
                                        4, 0, 16, 0, 'd', 'a', 't', 'a', 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(std::memcmp(b, expected, 44), 0);
    EXPECT_EQ(b[44], '4');  // bytes after the header are left alone
}

TEST(Mp3DecDriver, ALeadingId3TagIsSteppedOverEvenWhenItHoldsASyncWord) {
    const auto frame = BuildFrame({true, 20});
    std::vector<std::uint8_t> payload = BuildFrame({true, 90});  // looks like a frame, but belongs to the tag
    payload.resize(300, 0xFF);
    std::vector<std::uint8_t> tag = {'I', 'D', '3', 4, 0, 0, 0, 0, 0x02, 0x2C};  // synchsafe size 2 * 128 + 44
    tag.insert(tag.end(), payload.begin(), payload.end());
    const DecodeResult tagged = DecodeBytes(Concat({tag, frame, frame}));
    const DecodeResult plain = DecodeBytes(Concat({frame, frame}));
    EXPECT_EQ(tagged.code, 0);
    EXPECT_EQ(tagged.progress, std::vector<int>({0, 0, 1, -1}));
    EXPECT_EQ(tagged.file, plain.file);
}

// Decoding into memory gives the bytes the file driver writes, for one thread or several, and reports what
// the file driver prints, in the same order and on the same streams.
TEST(Mp3DecMemoryInterface, TheWaveImageIsTheFileDriversOutput) {
    ScratchDir dir;
    const auto frame = BuildFrame({true, 20});
    const auto protected_frame = BuildFrame({true, 30, true});
    const auto failing_crc = BuildFrame({true, 40, true, true});
    struct Input {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Input inputs[] = {
        {"frames", Concat({frame, frame, frame, frame, frame})},
        {"crc", Concat({protected_frame, failing_crc, protected_frame, failing_crc})},
        {"junk", std::vector<std::uint8_t>(700, 0x5A)},
        {"cut", std::vector<std::uint8_t>(frame.begin(), frame.begin() + 50)},
        {"unaligned", Concat({frame, std::vector<std::uint8_t>(frame.begin(), frame.begin() + 33), frame})},
    };
    for (const Input& input : inputs) {
        const std::string path = dir.File(input.name);
        WriteFileBytes(path, input.bytes);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const DecodeResult file = DecodeFile(path);
        const std::string printed[2] = {testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
        for (const int threads : {1, 3}) {
            DecodeSettings settings;
            settings.threads = threads;
            settings.forced_chunks = threads > 1 ? 3 : 0;
            std::vector<int> progress;
            std::string reported[2];
            const DecodedWave wave = decode_file_to_wave(
                path, settings, [&](int n) { progress.push_back(n); },
                [&](const Diagnostic& d) { reported[d.stream == DiagnosticStream::standard_error] += d.text; });
            EXPECT_EQ(wave.summary.result, file.code) << input.name;
            EXPECT_EQ(wave.image, file.file) << input.name;
            EXPECT_EQ(progress, file.progress) << input.name;
            EXPECT_EQ(reported[0], printed[0]) << input.name;
            EXPECT_EQ(reported[1], printed[1]) << input.name;
        }
    }
}

TEST(Mp3DecMemoryInterface, SamplesComeWithTheirFormatAndTheExpectedCountFirst) {
    const auto frame = BuildFrame({true, 20});
    const std::vector<std::uint8_t> image = Concat({frame, frame, frame});
    std::vector<std::uint64_t> expected;
    std::vector<std::uint32_t> expectedFrames;
    std::size_t received = 0;
    DecodeCallbacks callbacks;
    callbacks.expected_samples = [&](std::uint64_t count) {
        EXPECT_EQ(received, 0u);  // announced before any sample
        expected.push_back(count);
    };
    callbacks.expected_frames = [&](std::uint32_t count) {
        EXPECT_EQ(received, 0u);
        expectedFrames.push_back(count);
    };
    callbacks.pcm = [&](std::span<const std::int16_t> samples) { received += samples.size(); };
    const StreamBytes stream(image);
    const DecodeSummary summary = decode_stream(stream, DecodeSettings{}, callbacks);
    EXPECT_EQ(expected, std::vector<std::uint64_t>({3 * 1152}));
    EXPECT_EQ(expectedFrames, std::vector<std::uint32_t>({3}));
    EXPECT_EQ(received, 3u * 1152);
    EXPECT_EQ(summary.result, 0);
    EXPECT_EQ(summary.frames, 3u);
    EXPECT_EQ(summary.sample_frames, 3u * 1152);
    EXPECT_EQ(summary.format.channels, 1);
    EXPECT_EQ(summary.format.samples_per_second, 48000);

    const DecodedAudio audio = decode_image_to_pcm(image, "three frames", DecodeSettings{}, {}, {});
    EXPECT_EQ(audio.samples.size(), 3u * 1152);
    EXPECT_EQ(audio.summary.format.samples_per_second, 48000);
}

TEST(Mp3DecMemoryInterface, AMissingFileIsReportedWithoutProgress) {
    std::vector<int> progress;
    std::vector<Diagnostic> messages;
    const DecodedAudio audio = decode_file_to_pcm(
        "/nonexistent/folder/in.mp2", DecodeSettings{}, [&](int n) { progress.push_back(n); },
        [&](const Diagnostic& d) { messages.push_back(d); });
    EXPECT_EQ(audio.summary.result, -1);
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(messages, std::vector<Diagnostic>({missing_input_message("/nonexistent/folder/in.mp2")}));
}
