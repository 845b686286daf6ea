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
#include <sys/resource.h>
#include <time.h>
#include <vector>

#include "audio/Feedback.h"
#include "audio/Wave.h"
#include "dsp/FilterCoefficients.h"
#include "dsp/FirEngine.h"
#include "dsp/FirKernel.h"
#include "workbench/AudioFiles.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr std::uint32_t kRate = 44100;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds of the whole process (all threads) or of the calling thread: on a machine shared with other
// work these show what the code costs, where wall time also shows what the neighbours took.
double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 1e30;
    double cpu = 1e30;
};

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

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A whole command: the best wall time and the best CPU time (user plus system) it used.
Timing TimeCommand(const std::string& command, int runs) {
    Timing best;
    for (int r = 0; r < runs; ++r) {
        const double cpuStart = ChildrenCpuSeconds();
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            return {NAN, NAN};
        }
        best.wall = std::min(best.wall, SecondsSince(start));
        best.cpu = std::min(best.cpu, ChildrenCpuSeconds() - cpuStart);
    }
    return best;
}

// The filter alone, on a freshly loaded wave each run; the best wall time and the best process CPU time.
Timing TimeApplyFir(const fs::path& wavePath, const CFilterCoefficients& taps, int runs) {
    tressel::SilentFeedback feedback;
    Timing best;
    for (int r = 0; r < runs; ++r) {
        CWave wave;
        wave.SetFeedback(&feedback);
        if (!tressel::LoadWaveFile(wave, wavePath.string())) {
            return {NAN, NAN};
        }
        const double cpuStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto start = Clock::now();
        wave.ApplyFir(taps.GetCoefficients(), taps.GetCount(), 1, 1, 1.0f, 0.0f);
        best.wall = std::min(best.wall, SecondsSince(start));
        best.cpu = std::min(best.cpu, CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart);
    }
    return best;
}

// The inner kernel alone on data that stays in the cache: multiply-adds per CPU second of one core.
double KernelRate(tressel::dsp::FirKernelKind kind, int count) {
    const std::int64_t outputs = 4096;
    std::vector<double> taps(static_cast<std::size_t>(count), 0.001);
    std::vector<double> input(static_cast<std::size_t>(outputs + count - 1), 3.0);
    std::vector<float> sums(static_cast<std::size_t>(outputs));
    const auto sumsFunction = tressel::dsp::GetFirSums(kind);
    const int repeats = static_cast<int>(std::max<std::int64_t>(1, 400'000'000 / (outputs * count)));
    double best = 1e30;
    for (int r = 0; r < 3; ++r) {
        const double start = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        for (int k = 0; k < repeats; ++k) {
            sumsFunction(taps.data(), count, input.data(), outputs, sums.data());
        }
        best = std::min(best, CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start);
    }
    return static_cast<double>(repeats) * static_cast<double>(outputs) * count / best * 1e-9;
}

void CompareWithSox(const fs::path& dir, const fs::path& input, double frames) {
    std::printf("\n%-5s %9s %9s %9s %9s %9s %9s %9s %9s %10s\n", "taps", "ours s", "ours cpu", "sox s", "sox cpu",
                "sox/ours", "filter s", "GMAC/s", "filt cpu", "GMAC/cpu-s");
    for (int count : {31, 127, 255, 1023}) {
        const fs::path tapsPath = dir / ("taps" + std::to_string(count) + ".txt");
        WriteTaps(tapsPath, count);
        CFilterCoefficients taps;
        taps.Read(tapsPath.string());
        const Timing ours = TimeCommand(std::string(TRESSEL_CLI_PATH) + " fir " + tapsPath.string() + " " +
                                            input.string() + " " + (dir / "ours.wav").string(),
                                        2);
        const Timing sox = TimeCommand("sox " + input.string() + " " + (dir / "sox.wav").string() + " fir " +
                                           tapsPath.string(),
                                       2);
        const Timing filter = TimeApplyFir(input, taps, 2);
        const double macs = 2.0 * frames * count;
        std::printf("%-5d %9.3f %9.3f %9.3f %9.3f %9.2f %9.3f %9.2f %9.3f %10.2f\n", count, ours.wall, ours.cpu,
                    sox.wall, sox.cpu, sox.wall / ours.wall, filter.wall, macs / filter.wall * 1e-9, filter.cpu,
                    macs / filter.cpu * 1e-9);
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
    std::printf("\n30 s stereo, 255 taps, filter only\n%-22s %10s %10s %10s %12s\n", "path", "s", "GMAC/s", "cpu s",
                "GMAC/cpu-s");
    auto print = [&](const std::string& name, const Timing& t) {
        std::printf("%-22s %10.3f %10.2f %10.3f %12.2f\n", name.c_str(), t.wall, macs / t.wall * 1e-9, t.cpu,
                    macs / t.cpu * 1e-9);
    };
    settings.literal = true;
    print("step by step", TimeApplyFir(excerpt, taps, 1));
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
            print(std::string(tressel::dsp::FirKernelName(kind)) + ", " + std::to_string(threads) +
                      (threads == 1 ? " thread" : " threads"),
                  TimeApplyFir(excerpt, taps, 2));
        }
    }
    settings = saved;
    std::printf("\nkernel alone, in cache, one core\n%-10s %8s %12s\n", "kernel", "taps", "GMAC/cpu-s");
    for (FirKernelKind kind : {FirKernelKind::Scalar, FirKernelKind::Sse2, FirKernelKind::Avx2}) {
        if (tressel::dsp::FirKernelSupported(kind)) {
            for (int count : {31, 255}) {
                std::printf("%-10s %8d %12.2f\n", tressel::dsp::FirKernelName(kind), count, KernelRate(kind, count));
            }
        }
    }
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
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("%.0f s, 44.1 kHz stereo 16-bit; widest kernel %s, %u cores, load average %.2f\n", seconds,
                tressel::dsp::FirKernelName(tressel::dsp::WidestFirKernel()), std::thread::hardware_concurrency(),
                load[0]);
    std::printf("ours: tressel-cli fir (load, filter, save); sox: sox IN OUT fir TAPS; filter: ApplyFir alone;\n"
                "s = wall seconds, cpu = CPU seconds of all threads; best of 2\n");
    CompareWithSox(dir, input, seconds * kRate);
    CompareKernels(dir);
    fs::remove_all(dir);
    return 0;
}
