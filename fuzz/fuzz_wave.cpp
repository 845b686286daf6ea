// Arbitrary bytes as a WAV file: every accessor of the wave, the format read from the first bytes alone,
// the guarded reads, then the processing
// operations and the audio spectrum with parameters taken from the input. Whatever the header claims, processing may only
// rewrite bytes inside the data chunk as the accessors describe it, and never outside the image.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/Wave.h"
#include "audio/WaveFormat.h"
#include "fuzz/FuzzSupport.h"
#include "spectrum/FilterResponse.h"

using namespace tressel::fuzz;

namespace {

std::uint32_t LittleEndian(const std::vector<std::uint8_t>& bytes, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

// The header fields the wave reads, checked against the bytes wherever the image holds them.
void CheckAccessors(const CWave& wave, const std::vector<std::uint8_t>& image) {
    FUZZ_CHECK(wave.IsLoaded());
    FUZZ_CHECK(wave.GetImageLength() == image.size());
    if (image.size() >= 24) {
        FUZZ_CHECK(wave.GetChannels() == LittleEndian(image, 22, 2));
    }
    if (image.size() >= 28) {
        FUZZ_CHECK(wave.GetSamplesPerSecond() == LittleEndian(image, 24, 4));
    }
    if (image.size() >= 36) {
        FUZZ_CHECK(wave.GetBitsPerSample() == LittleEndian(image, 34, 2));
    }
    if (image.size() >= 22) {
        FUZZ_CHECK(wave.IsPcm() == (image[20] == 1 && image[21] == 0));
    }
    if (image.size() >= 16) {
        FUZZ_CHECK(wave.IsRiffWave() ==
                   (std::memcmp(image.data(), "RIFF", 4) == 0 && std::memcmp(image.data() + 8, "WAVEfmt ", 8) == 0));
    }
    const auto offset = static_cast<std::int64_t>(wave.GetDataOffset());
    FUZZ_CHECK(offset >= 8 && offset <= static_cast<std::int64_t>(image.size()) + 8);
    FUZZ_CHECK(static_cast<std::int64_t>(wave.GetDataLength()) + offset <=
               std::max<std::int64_t>(static_cast<std::int64_t>(image.size()), offset));
}

void CheckGuardedReads(CWave& wave, RecordingFeedback& feedback, FuzzedDataProvider& input) {
    wave.ResetReadPosition();
    for (int step = 0; step < 4 && input.remaining_bytes() > 4; ++step) {
        const auto count = input.ConsumeIntegral<std::int32_t>();
        const std::int32_t before = wave.GetReadPosition();
        feedback.messages.clear();
        FUZZ_CHECK(feedback.Take(wave.AdvanceReadPosition(count)));  // warnings only
        const std::int64_t sum = static_cast<std::int64_t>(before) + count;
        if (sum != static_cast<std::int32_t>(sum)) {
            break;  // the 32-bit position wrapped; the messages then follow the wrapped value
        }
        const bool behind = sum > static_cast<std::int64_t>(wave.GetDataLength());
        const bool ahead = sum < 0;
        std::vector<std::string> expected;
        if (behind) expected.emplace_back("Read behind allocated memory block");
        if (ahead) expected.emplace_back("Read before allocated memory block");
        FUZZ_CHECK(feedback.messages == expected);
    }
    wave.ResetReadPosition();
}

// Reading the format from the first bytes alone gives the whole image's format, or nothing.
void CheckFormatFromStart(const CWave& wave, const std::vector<std::uint8_t>& image, std::size_t available) {
    const auto start = tressel::ParseWaveFormatFromStart(image.data(), static_cast<std::uint32_t>(available),
                                                         static_cast<std::uint32_t>(image.size()));
    if (!start) {
        return;
    }
    const tressel::WaveFormat whole = wave.Format();
    FUZZ_CHECK(start->riffWave == whole.riffWave && start->pcm == whole.pcm && start->channels == whole.channels);
    FUZZ_CHECK(start->samplesPerSecond == whole.samplesPerSecond && start->bitsPerSample == whole.bitsPerSample);
    FUZZ_CHECK(start->dataOffset == whole.dataOffset && start->dataLength == whole.dataLength);
}

// Only the data chunk may change: the header, other chunks and trailing bytes stay as loaded.
void CheckOnlyDataChanged(const CWave& wave, const std::vector<std::uint8_t>& before) {
    FUZZ_CHECK(wave.GetImageLength() == before.size());
    const std::uint8_t* image = wave.GetImage();
    const std::size_t offset = static_cast<std::size_t>(wave.GetDataOffset());
    const std::size_t end = offset + wave.GetDataLength();
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i < offset || i >= end) {
            FUZZ_CHECK(image[i] == before[i]);
        }
    }
}

std::vector<double> Coefficients(FuzzedDataProvider& input) {
    const int count = input.ConsumeIntegralInRange<int>(0, 40);
    std::vector<double> taps;
    const bool wild = input.ConsumeBool();
    for (int i = 0; i < count; ++i) {
        taps.push_back(wild ? input.ConsumeFloatingPoint<double>() : input.ConsumeFloatingPointInRange(-2.0, 2.0));
    }
    return taps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile file("wave.wav");
    FuzzedDataProvider input(data, size);
    // The parameters come from the front, the file image is what the first length byte leaves.
    const std::size_t imageSize = std::min<std::size_t>(input.remaining_bytes(), input.ConsumeIntegral<std::uint16_t>());
    const std::vector<std::uint8_t> image = input.ConsumeBytes<std::uint8_t>(imageSize);
    file.Write(image);

    RecordingFeedback feedback;
    CWave wave;
    wave.SetFeedback(&feedback);
    FUZZ_CHECK(wave.Load(file.Path()));
    CheckAccessors(wave, image);
    CheckFormatFromStart(wave, image, input.ConsumeIntegralInRange<std::size_t>(0, image.size()));
    CheckGuardedReads(wave, feedback, input);

    const std::vector<double> taps = Coefficients(input);
    const int channel1 = input.ConsumeIntegralInRange(-1, 2);
    const int channel2 = input.ConsumeIntegralInRange(-1, 2);
    const float filtered = input.ConsumeFloatingPointInRange(-2.0f, 2.0f);
    const float original = input.ConsumeFloatingPointInRange(-2.0f, 2.0f);
    const int medianLength = input.ConsumeIntegralInRange(-1, 40);
    const double gain1 = input.ConsumeFloatingPoint<double>();
    const double gain2 = input.ConsumeFloatingPointInRange(-4.0, 4.0);
    const int bins = input.ConsumeBool() ? tressel::kSpectrumBins : input.ConsumeIntegralInRange(0, 2048);

    feedback.Take(wave.ApplyFir(taps.data(), static_cast<int>(taps.size()), channel1, channel2, filtered, original));
    CheckOnlyDataChanged(wave, image);
    feedback.Take(wave.ApplyMedian(medianLength, channel1, channel2));
    CheckOnlyDataChanged(wave, image);
    double measured1 = 0.0;
    double measured2 = 0.0;
    feedback.Take(wave.MeasureGains(measured1, measured2));
    feedback.Take(wave.ApplyGains(measured1, measured2));
    CheckOnlyDataChanged(wave, image);
    feedback.Take(wave.ApplyGains(gain1, gain2));
    CheckOnlyDataChanged(wave, image);
    // The curves are exactly as long as the caller says; the sanitizer sees any write past them.
    std::vector<double> first(static_cast<std::size_t>(bins)), second(static_cast<std::size_t>(bins));
    feedback.Take(wave.ComputeSpectrum(first.data(), second.data(), bins));
    CheckOnlyDataChanged(wave, image);
    for (std::size_t i = 0; i < first.size(); ++i) {
        FUZZ_CHECK(!std::isnan(first[i]) && !std::isnan(second[i]));
    }
    // A "data" inside the header puts header fields into the data chunk, so compare with the bytes as they
    // are now.
    CheckAccessors(wave, std::vector<std::uint8_t>(wave.GetImage(), wave.GetImage() + wave.GetImageLength()));
    return 0;
}
