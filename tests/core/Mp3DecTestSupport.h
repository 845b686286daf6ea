#pragma once
// Helpers shared by the decoder tests: a bit writer for hand-made streams, decoding into memory, and the
// comparison of decoded samples with a reference.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mp3dec/decode_stream.h"
#include "mp3dec/decoder.h"
#include "mp3dec/decoder_stop.h"
#include "tests/support/BitWriter.h"
#include "tests/support/WaveBuilder.h"

namespace mp3dec_test {

using BitWriter = tressel::testing::BitWriter;

struct DecodeResult {
    int code = 0;
    std::vector<std::uint8_t> file;  // the whole WAV output
    std::vector<int> progress;

    std::vector<std::int16_t> Samples() const {
        std::vector<std::int16_t> samples;
        for (std::size_t i = 44; i + 1 < file.size(); i += 2) {
            samples.push_back(static_cast<std::int16_t>(file[i] | (file[i + 1] << 8)));
        }
        return samples;
    }
    std::uint32_t Le32(std::size_t offset) const {
        return file[offset] | (file[offset + 1] << 8) | (file[offset + 2] << 16) |
               (static_cast<std::uint32_t>(file[offset + 3]) << 24);
    }
    std::uint16_t Le16(std::size_t offset) const {
        return static_cast<std::uint16_t>(file[offset] | (file[offset + 1] << 8));
    }
};

inline DecodeResult DecodeFile(const std::string& path) {
    DecodeResult result;
    std::FILE* output = std::tmpfile();
    result.code = mp3dec::decode_mpeg_audio_to_wave(output, path, [&](int n) { result.progress.push_back(n); });
    std::fflush(output);
    std::rewind(output);
    int c;
    while ((c = std::fgetc(output)) != EOF) result.file.push_back(static_cast<std::uint8_t>(c));
    std::fclose(output);
    return result;
}

inline std::vector<std::int16_t> ReadPcm16(const std::string& path) {
    const std::vector<std::uint8_t> bytes = tressel::testing::ReadFileBytes(path);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

struct Comparison {
    std::size_t compared = 0;
    int max_difference = 0;
    double psnr_db = 0.0;  // infinite for identical samples
};

inline Comparison Compare(const std::vector<std::int16_t>& ours, const std::vector<std::int16_t>& reference,
                          std::size_t skip = 0) {
    Comparison c;
    const std::size_t n = ours.size() < reference.size() ? ours.size() : reference.size();
    double squared = 0.0;
    for (std::size_t i = skip; i < n; ++i) {
        const int d = std::abs(ours[i] - reference[i]);
        if (d > c.max_difference) c.max_difference = d;
        squared += static_cast<double>(d) * d;
    }
    c.compared = n > skip ? n - skip : 0;
    const double mse = c.compared > 0 ? squared / static_cast<double>(c.compared) : 0.0;
    c.psnr_db = mse == 0.0 ? INFINITY : 10.0 * std::log10(32767.0 * 32767.0 / mse);
    return c;
}

// The message a stop of the decoder carries; none when the call does not stop it.
template <typename Call>
mp3dec::Diagnostic StopMessage(Call&& call) {
    try {
        call();
    } catch (const mp3dec::DecoderStopped& stop) {
        return stop.reason;
    }
    return {mp3dec::DiagnosticStream::standard_output, "(no stop)"};
}

inline std::string VectorPath(const std::string& name) {
    return std::string(TRESSEL_TEST_DATA) + "/vectors/" + name;
}

// A case name as GoogleTest takes it in a test's name.
inline std::string TestCaseName(std::string name) {
    for (char& c : name)
        if (c == '-') c = '_';
    return name;
}

inline bool ToolAvailable(const std::string& tool) {
    return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// A tone sweeping upward in the left channel, a steady chord in the right, and every 0.2 s a sharp noise
// burst in both: the bursts make lame switch to short blocks.
inline std::vector<std::int16_t> BurstSignal(int rate, int channels, double seconds) {
    const int frames = static_cast<int>(rate * seconds);
    std::vector<std::int16_t> samples;
    samples.reserve(static_cast<std::size_t>(frames * channels));
    std::uint32_t noise = 12345;
    double phase = 0.0;
    for (int n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / rate;
        phase += 2.0 * M_PI * (150.0 + 2500.0 * t / seconds) / rate;
        const double since_burst = std::fmod(t, 0.2);
        noise = noise * 1664525u + 1013904223u;
        const double burst = since_burst < 0.03
                                 ? (static_cast<double>(noise >> 16) / 32768.0 - 1.0) * std::exp(-since_burst * 150.0)
                                 : 0.0;
        const double left = 0.35 * std::sin(phase) + 0.4 * burst;
        const double right =
            0.2 * std::sin(2.0 * M_PI * 330.0 * t) + 0.15 * std::sin(2.0 * M_PI * 495.0 * t) + 0.4 * burst;
        samples.push_back(static_cast<std::int16_t>(std::lround(left * 32767.0)));
        if (channels == 2) samples.push_back(static_cast<std::int16_t>(std::lround(right * 32767.0)));
    }
    return samples;
}

// Two tones with a little noise, different per channel, 2 seconds of stereo.
inline std::vector<std::uint8_t> TwoToneWave(std::uint32_t rate) {
    std::vector<std::int16_t> samples;
    std::uint32_t noise = 12345;
    const int frames = static_cast<int>(rate * 2);
    for (int n = 0; n < frames; ++n) {
        for (int ch = 0; ch < 2; ++ch) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(n) / rate;
            const double value = 9000.0 * std::sin(2 * M_PI * (ch == 0 ? 440.0 : 660.0) * t) +
                                 5000.0 * std::sin(2 * M_PI * 3100.0 * t * (1.0 + 0.2 * t)) +
                                 static_cast<double>(static_cast<int>(noise >> 20) - 2048);
            samples.push_back(static_cast<std::int16_t>(value));
        }
    }
    tressel::testing::WaveLayout layout;
    layout.channels = 2;
    layout.samplesPerSecond = rate;
    return tressel::testing::BuildWave16(layout, samples);
}

// Runs an encoder ("lame --quiet -b 128", "twolame --quiet -b 192") on a WAV image; the stream it makes, or
// nothing when it fails.
inline std::vector<std::uint8_t> EncodeWithPeer(const std::string& command, const std::vector<std::uint8_t>& wave) {
    tressel::testing::ScratchDir dir;
    tressel::testing::WriteFileBytes(dir.File("in.wav"), wave);
    const std::string line = command + " '" + dir.File("in.wav") + "' '" + dir.File("out.mp") + "' 2>/dev/null";
    if (std::system(line.c_str()) != 0) return {};
    return tressel::testing::ReadFileBytes(dir.File("out.mp"));
}

// Byte offsets of the frames of a stream with stated bitrates, walked by their headers (Layers I to III,
// MPEG-1 and MPEG-2); the walk stops at the first byte that does not start a frame.
inline std::vector<std::size_t> FrameOffsets(const std::vector<std::uint8_t>& bytes) {
    static const int kBitrates[2][3][15] = {{{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                             {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                             {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
                                            {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                             {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                             {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}};
    static const int kRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
    std::vector<std::size_t> offsets;
    std::size_t pos = 0;
    while (pos + 4 <= bytes.size() && bytes[pos] == 0xFF && (bytes[pos + 1] & 0xE0) == 0xE0) {
        const int version = (bytes[pos + 1] >> 3) & 1;
        const int layer = 4 - ((bytes[pos + 1] >> 1) & 3);
        const int bitrate_index = bytes[pos + 2] >> 4;
        const int rate_index = (bytes[pos + 2] >> 2) & 3;
        if (layer > 3 || bitrate_index == 0 || bitrate_index == 15 || rate_index == 3) break;
        offsets.push_back(pos);
        const int bitrate = kBitrates[version][layer - 1][bitrate_index] * 1000;
        const int rate = kRates[version][rate_index];
        const int padding = (bytes[pos + 2] >> 1) & 1;
        if (layer == 1) {
            pos += static_cast<std::size_t>((12 * bitrate / rate + padding) * 4);
        } else {
            pos += static_cast<std::size_t>((layer == 3 && version == 0 ? 72 : 144) * bitrate / rate + padding);
        }
    }
    return offsets;
}

// Everything a decode through the memory interface hands out.
struct DecodeRecord {
    mp3dec::DecodeSummary summary;
    std::vector<std::int16_t> samples;
    std::vector<int> progress;
    std::vector<mp3dec::Diagnostic> messages;
};

inline DecodeRecord DecodeRecorded(const std::vector<std::uint8_t>& image, const mp3dec::DecodeSettings& settings) {
    DecodeRecord record;
    const mp3dec::DecodedAudio decoded = mp3dec::decode_image_to_pcm(
        image, "stream", settings, [&](int frames) { record.progress.push_back(frames); },
        [&](const mp3dec::Diagnostic& message) { record.messages.push_back(message); });
    record.summary = decoded.summary;
    record.samples = decoded.samples;
    return record;
}

}  // namespace mp3dec_test
