// FIR filtering speed: tressel-cli fir (load, filter, save) and the filter alone, side by side with
// sox's FFT-based fir effect on the same file and taps. Prints figures; decides nothing.
//
//   fir_bench [SECONDS]   (default 300: a 44.1 kHz stereo 16-bit wave of that length)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/Feedback.h"
#include "audio/Wave.h"
#include "audio/WaveFiles.h"
#include "dsp/FilterCoefficients.h"
#include "dsp/FirEngine.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr std::uint32_t kRate = 44100;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void PutLE(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Noise plus a few tones, so the filter has something to do and clipping stays rare.
void WriteTestWave(const fs::path& path, double seconds) {
    const auto frames = static_cast<std::uint32_t>(seconds * kRate);
    const std::uint32_t dataBytes = frames * 4;
    std::vector<std::uint8_t> image(44 + static_cast<std::size_t>(dataBytes));
    const char* head = "RIFF----WAVEfmt ";
    std::copy(head, head + 16, image.begin());
    PutLE(image, 4, 36 + dataBytes, 4);
    PutLE(image, 16, 16, 4);
    PutLE(image, 20, 1, 2);
    PutLE(image, 22, 2, 2);
    PutLE(image, 24, kRate, 4);
    PutLE(image, 28, kRate * 4, 4);
    PutLE(image, 32, 4, 2);
    PutLE(image, 34, 16, 2);
    image[36] = 'd';
    image[37] = 'a';
    image[38] = 't';
    image[39] = 'a';
    PutLE(image, 40, dataBytes, 4);
    std::uint32_t noise = 12345;
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < 2; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(f) / kRate;
            const double value = 6000.0 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * t) +
                                 3000.0 * std::sin(2 * M_PI * 5000.0 * t) +
                                 (static_cast<double>(noise >> 16) - 32768.0) * 0.1;
            PutLE(image, 44 + 4 * static_cast<std::size_t>(f) + 2 * c,
                  static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(image.data(), 1, image.size(), file);
    std::fclose(file);
}

// A Hamming-windowed low-pass at a fifth of the sampling rate, one tap per line.
void WriteTaps(const fs::path& path, int count) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    const double centre = (count - 1) / 2.0;
    for (int n = 0; n < count; ++n) {
        const double x = n - centre;
        const double sinc = x == 0.0 ? 0.4 : std::sin(M_PI * 0.4 * x) / (M_PI * x);
        const double window = 0.54 - 0.46 * std::cos(2 * M_PI * n / (count - 1));
        std::fprintf(file, "%.17g\n", sinc * window);
    }
    std::fclose(file);
}

double TimeCommand(const std::string& command, int runs) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            return NAN;
        }
        best = std::min(best, SecondsSince(start));
    }
    return best;
}

// The filter alone, on a freshly loaded wave each run.
double TimeApplyFir(const fs::path& wavePath, const CFilterCoefficients& taps, int runs) {
    tressel::SilentFeedback feedback;
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        CWave wave;
        wave.SetFeedback(&feedback);
        if (!tressel::LoadWaveFile(wave, wavePath.string(), feedback)) {
            return NAN;
        }
        const auto start = Clock::now();
        wave.ApplyFir(taps.GetCoefficients(), taps.GetCount(), 1, 1, 1.0f, 0.0f);
        best = std::min(best, SecondsSince(start));
    }
    return best;
}

void CompareWithSox(const fs::path& dir, const fs::path& input, double frames) {
    std::printf("\n%-6s %12s %12s %10s %12s %12s\n", "taps", "tressel s", "sox s", "sox/ours", "filter s",
                "GMAC/s");
    for (int count : {31, 127, 255, 1023}) {
        const fs::path tapsPath = dir / ("taps" + std::to_string(count) + ".txt");
        WriteTaps(tapsPath, count);
        CFilterCoefficients taps;
        taps.Read(tapsPath.string());
        const double ours = TimeCommand(std::string(TRESSEL_CLI_PATH) + " fir " + tapsPath.string() + " " +
                                            input.string() + " " + (dir / "ours.wav").string(),
                                        2);
        const double sox = TimeCommand("sox " + input.string() + " " + (dir / "sox.wav").string() + " fir " +
                                           tapsPath.string(),
                                       2);
        const double filter = TimeApplyFir(input, taps, 2);
        const double macs = 2.0 * frames * count;
        std::printf("%-6d %12.3f %12.3f %10.2f %12.3f %12.2f\n", count, ours, sox, sox / ours, filter,
                    macs / filter * 1e-9);
    }
}

// Each kernel on one core and on all cores, on a shorter excerpt, 255 taps.
void CompareKernels(const fs::path& dir) {
    const fs::path excerpt = dir / "excerpt.wav";
    const double seconds = 30.0;
    WriteTestWave(excerpt, seconds);
    const fs::path tapsPath = dir / "taps255.txt";
    WriteTaps(tapsPath, 255);
    CFilterCoefficients taps;
    taps.Read(tapsPath.string());
    const double macs = 2.0 * seconds * kRate * 255;
    auto& settings = tressel::dsp::GetFirEngineSettings();
    const tressel::dsp::FirEngineSettings saved = settings;
    std::printf("\n30 s stereo, 255 taps, filter only\n%-22s %10s %10s\n", "path", "s", "GMAC/s");
    settings.literal = true;
    double t = TimeApplyFir(excerpt, taps, 1);
    std::printf("%-22s %10.3f %10.2f\n", "step by step", t, macs / t * 1e-9);
    settings.literal = false;
    settings.autoKernel = false;
    using tressel::dsp::FirKernelKind;
    for (FirKernelKind kind : {FirKernelKind::Scalar, FirKernelKind::Sse2, FirKernelKind::Avx2}) {
        if (!tressel::dsp::FirKernelSupported(kind)) {
            continue;
        }
        settings.kernel = kind;
        for (int threads : {1, 2}) {
            settings.threads = threads;
            t = TimeApplyFir(excerpt, taps, 2);
            const std::string name = std::string(tressel::dsp::FirKernelName(kind)) + ", " +
                                     std::to_string(threads) + (threads == 1 ? " thread" : " threads");
            std::printf("%-22s %10.3f %10.2f\n", name.c_str(), t, macs / t * 1e-9);
        }
    }
    settings = saved;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 300.0;
    char pattern[] = "/tmp/tressel-fir-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        return 1;
    }
    const fs::path dir = pattern;
    const fs::path input = dir / "input.wav";
    WriteTestWave(input, seconds);
    std::printf("%.0f s, 44.1 kHz stereo 16-bit; widest kernel %s, %u cores\n", seconds,
                tressel::dsp::FirKernelName(tressel::dsp::WidestFirKernel()), std::thread::hardware_concurrency());
    std::printf("tressel s: tressel-cli fir (load, filter, save); sox s: sox IN OUT fir TAPS; best of 2\n");
    CompareWithSox(dir, input, seconds * kRate);
    CompareKernels(dir);
    fs::remove_all(dir);
    return 0;
}
