#pragma once
// Helpers shared by the decoder tests: a bit writer for hand-made streams, decoding into memory, and the
// comparison of decoded samples with a reference.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "mp3dec/decoder.h"
#include "mp3dec/decoder_stop.h"
#include "tests/support/WaveBuilder.h"

namespace mp3dec_test {

class BitWriter {
public:
    void Put(std::uint32_t value, int width) {
        for (int bit = width - 1; bit >= 0; --bit) {
            if (m_bits % 8 == 0) bytes.push_back(0);
            if ((value >> bit) & 1u) bytes.back() |= static_cast<std::uint8_t>(0x80u >> (m_bits % 8));
            ++m_bits;
        }
    }
    std::vector<std::uint8_t> bytes;

private:
    std::size_t m_bits = 0;
};

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

}  // namespace mp3dec_test
