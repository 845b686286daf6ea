// How long the spectrum displays take to compute: the audio spectrum of a long wave (bounded by the
// number of analysed blocks, not by the length) and the filter response.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "audio/Feedback.h"
#include "audio/Wave.h"
#include "spectrum/FilterResponse.h"

namespace {

void PutLE(std::vector<char>& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// A stereo 16-bit 44.1 kHz wave of `seconds`, written sparse: a header and then silence.
std::filesystem::path WriteLongWave(int seconds) {
    const std::uint32_t dataLength = 44100u * 4u * static_cast<std::uint32_t>(seconds);
    std::vector<char> header(44, 0);
    std::copy_n("RIFF", 4, header.begin());
    PutLE(header, 4, 36 + dataLength, 4);
    std::copy_n("WAVEfmt ", 8, header.begin() + 8);
    PutLE(header, 16, 16, 4);
    PutLE(header, 20, 1, 2);
    PutLE(header, 22, 2, 2);
    PutLE(header, 24, 44100, 4);
    PutLE(header, 28, 44100 * 4, 4);
    PutLE(header, 32, 4, 2);
    PutLE(header, 34, 16, 2);
    std::copy_n("data", 4, header.begin() + 36);
    PutLE(header, 40, dataLength, 4);
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "tressel-spectrum-bench.wav";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
    }
    std::filesystem::resize_file(path, 44 + static_cast<std::uintmax_t>(dataLength));
    return path;
}

void BM_AudioSpectrumOfAOneHourStereoWave(benchmark::State& state) {
    const std::filesystem::path path = WriteLongWave(3600);
    tressel::SilentFeedback feedback;
    CWave wave;
    wave.SetFeedback(&feedback);
    if (!wave.Load(path.string())) {
        state.SkipWithError("could not load the wave");
        return;
    }
    std::filesystem::remove(path);
    std::vector<double> first(1024);
    std::vector<double> second(1024);
    for (auto _ : state) {
        wave.ComputeSpectrum(first.data(), second.data(), 1024);
        benchmark::DoNotOptimize(first.data());
        benchmark::DoNotOptimize(second.data());
    }
    state.SetLabel("5 of 77519 blocks analysed per channel");
}
BENCHMARK(BM_AudioSpectrumOfAOneHourStereoWave)->Unit(benchmark::kMillisecond);

void BM_FilterResponseOf255Taps(benchmark::State& state) {
    std::vector<double> taps(255);
    for (std::size_t i = 0; i < taps.size(); ++i) {
        taps[i] = std::sin(0.1 * static_cast<double>(i)) / (1.0 + static_cast<double>(i));
    }
    std::vector<double> real(tressel::kSpectrumSize);
    std::vector<double> imag(tressel::kSpectrumSize);
    for (auto _ : state) {
        tressel::ComputeFilterResponse(taps.data(), static_cast<int>(taps.size()), real.data(), imag.data());
        benchmark::DoNotOptimize(real.data());
    }
}
BENCHMARK(BM_FilterResponseOf255Taps)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
