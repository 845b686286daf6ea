// FIR filtering speed, from the kernel up to whole processes beside sox's FFT-based fir effect. Prints
// figures; decides nothing.
//
//   1. the machine's peak rate of separate multiplies and adds, one thread and every core;
//   2. each kernel alone on data in the cache, as a share of that peak;
//   3. the filter alone (ApplyFir) on a 30-s excerpt, per kernel and thread count;
//   4. tressel-cli fir against sox IN OUT fir TAPS, runs interleaved, medians of 5;
//   5. a long file: its load in tressel-cli info, a plain read of the same bytes, and fir with 255 taps.
//
//   fir_bench [--processes] [SECONDS [LONG_SECONDS]]
//     defaults 300 and 3600 (44.1 kHz stereo 16-bit); 0 skips step 5; --processes runs steps 4 and 5 only.
//     The files go to $TMPDIR (default /tmp): /dev/shm keeps the disk out of the figures.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "audio/Feedback.h"
#include "audio/ImageAllocator.h"
#include "audio/Wave.h"
#include "bench/ConcurrentRate.h"
#include "bench/MultiplyAddPeak.h"
#include "dsp/FilterCoefficients.h"
#include "dsp/FirEngine.h"
#include "dsp/FirKernel.h"
#include "workbench/AudioFiles.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using tressel::dsp::FirKernelKind;

constexpr std::uint32_t kRate = 44100;
constexpr int kTapCounts[] = {31, 255, 1023};
constexpr int kRuns = 5;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

int Cores() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// One thread, and every core when there are more.
std::vector<int> ThreadCounts() {
    return Cores() == 1 ? std::vector<int>{1} : std::vector<int>{1, Cores()};
}

// ---- Test material ---------------------------------------------------------------------------------------

void PutLE(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
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
    std::copy_n("data", 4, image.begin() + 36);
    PutLE(image, 40, dataBytes, 4);
    std::uint32_t noise = 12345;
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < 2; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(f) / kRate;
            const double value = 6000.0 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * t) +
                                 3000.0 * std::sin(2 * M_PI * 5000.0 * t) +
                                 (static_cast<double>(noise >> 16) - 32768.0) * 0.1;
            PutLE(image, 44 + 4 * static_cast<std::size_t>(f) + 2 * static_cast<std::size_t>(c),
                  static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(image.data(), 1, image.size(), file);
    std::fclose(file);
}

// A Hamming-windowed low-pass at a fifth of the sampling rate.
std::vector<double> LowPassTaps(int count) {
    std::vector<double> taps(static_cast<std::size_t>(count));
    const double centre = (count - 1) / 2.0;
    for (int n = 0; n < count; ++n) {
        const double x = n - centre;
        const double sinc = x == 0.0 ? 0.4 : std::sin(M_PI * 0.4 * x) / (M_PI * x);
        const double window = 0.54 - 0.46 * std::cos(2 * M_PI * n / (count - 1));
        taps[static_cast<std::size_t>(n)] = sinc * window;
    }
    return taps;
}

// The same taps as a filter file, one per line.
fs::path WriteTaps(const fs::path& dir, int count) {
    const fs::path path = dir / ("taps" + std::to_string(count) + ".txt");
    std::FILE* file = std::fopen(path.c_str(), "w");
    for (double tap : LowPassTaps(count)) {
        std::fprintf(file, "%.17g\n", tap);
    }
    std::fclose(file);
    return path;
}

// ---- 1 and 2: the peak and the kernel alone ---------------------------------------------------------------

// One thread's kernel input, one block as the engine would cut it, with room to align the window.
struct KernelInput {
    KernelInput(const tressel::dsp::FirKernel& kernel, int count)
        : taps(LowPassTaps(count)),
          stripe(kernel.StripeFor(tressel::dsp::GetFirEngineSettings().blockSize)),
          storage(static_cast<std::size_t>((stripe + count - 1) * kernel.lanes + 8), 3.0),
          sums(static_cast<std::size_t>(stripe * kernel.lanes)) {
        void* first = storage.data();
        std::size_t space = storage.size() * sizeof(double);
        window = static_cast<double*>(std::align(64, sizeof(double), first, space));
    }
    std::vector<double> taps;
    std::int64_t stripe;
    std::vector<double> storage;
    std::vector<float> sums;
    double* window = nullptr;
};

struct RateBesidePeak {
    double rate = 0.0;  // GMAC/s
    double peak = 0.0;  // GMAC/s of the peak chains on as many threads, measured in between
};

// Multiply-adds per second, in billions, of `threads` threads each running the kernel on its own block;
// batches alternate with the peak chains, so both figures meet the same neighbours and clock.
RateBesidePeak KernelRate(FirKernelKind kind, int count, int threads) {
    const tressel::dsp::FirKernel kernel = tressel::dsp::GetFirKernel(kind);
    std::vector<std::unique_ptr<KernelInput>> inputs;
    for (int t = 0; t < threads; ++t) {
        inputs.push_back(std::make_unique<KernelInput>(kernel, count));
    }
    const double macsPerCall = static_cast<double>(inputs[0]->stripe) * kernel.lanes * count;
    const int calls = std::max(1, static_cast<int>(4e6 / macsPerCall));
    auto work = [&](int thread) {
        KernelInput& in = *inputs[static_cast<std::size_t>(thread)];
        for (int c = 0; c < calls; ++c) {
            kernel.sums(in.taps.data(), count, in.window, in.stripe, in.sums.data());
        }
        return macsPerCall * calls;
    };
    RateBesidePeak best;
    for (int batch = 0; batch < 6; ++batch) {
        best.peak = std::max(best.peak, tressel::bench::PeakGigaMultiplyAdds(threads, 60));
        best.rate = std::max(best.rate, tressel::bench::BestConcurrentRate(threads, 10, work) * 1e-9);
    }
    return best;
}

std::vector<FirKernelKind> SupportedKernels() {
    std::vector<FirKernelKind> kinds;
    for (FirKernelKind kind : tressel::dsp::kFirKernelKinds) {
        if (tressel::dsp::FirKernelSupported(kind)) {
            kinds.push_back(kind);
        }
    }
    return kinds;
}

// The peak on 1 .. Cores() threads, index = threads.
std::vector<double> ReportPeak() {
    std::vector<double> peak{0.0};
    std::printf("\n1. peak of separate multiplies and adds (%s vectors), best of 400 short rounds\n",
                tressel::bench::PeakVectorName());
    for (int threads = 1; threads <= Cores(); ++threads) {
        peak.push_back(tressel::bench::PeakGigaMultiplyAdds(threads));
        std::printf("   %d thread%s %8.2f GMAC/s\n", threads, threads == 1 ? " " : "s", peak.back());
    }
    return peak;
}

void ReportKernels() {
    std::printf("\n2. kernel alone, one engine block per thread in the cache, best of 60 rounds, beside the peak\n"
                "   measured in between\n"
                "   %-8s %6s %8s %9s %9s %7s\n", "kernel", "taps", "threads", "GMAC/s", "peak", "share");
    for (FirKernelKind kind : SupportedKernels()) {
        for (int count : kTapCounts) {
            for (int threads : ThreadCounts()) {
                const RateBesidePeak measured = KernelRate(kind, count, threads);
                std::printf("   %-8s %6d %8d %9.2f %9.2f %6.0f%%\n", tressel::dsp::FirKernelName(kind), count, threads,
                            measured.rate, measured.peak, 100.0 * measured.rate / measured.peak);
            }
        }
    }
    std::printf("   skipped, not supported here:");
    for (FirKernelKind kind : tressel::dsp::kFirKernelKinds) {
        if (!tressel::dsp::FirKernelSupported(kind)) {
            std::printf(" %s", tressel::dsp::FirKernelName(kind));
        }
    }
    std::printf("\n");
}

// ---- 3: the filter alone -------------------------------------------------------------------------------

// Processor seconds of all threads of this process.
double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 1e30;
    double cpu = 1e30;
};

// The best wall time and the best processor time of ApplyFir over both channels, each run on a freshly
// loaded wave.
Timing TimeApplyFir(const fs::path& wavePath, const std::vector<double>& taps, int runs) {
    tressel::SilentFeedback feedback;
    Timing best;
    for (int r = 0; r < runs; ++r) {
        CWave wave;
        wave.SetFeedback(&feedback);
        if (!tressel::LoadWaveFile(wave, wavePath.string())) {
            return {NAN, NAN};
        }
        const double cpuStart = ProcessCpuSeconds();
        const auto start = Clock::now();
        wave.ApplyFir(taps.data(), static_cast<int>(taps.size()), 1, 1, 1.0f, 0.0f);
        best.wall = std::min(best.wall, SecondsSince(start));
        best.cpu = std::min(best.cpu, ProcessCpuSeconds() - cpuStart);
    }
    return best;
}

void ReportFilter(const fs::path& dir, const std::vector<double>& peak) {
    // Short and often: the best of many runs is the one that met the fewest neighbours.
    const double seconds = 5.0;
    const int runs = 9;
    const fs::path excerpt = dir / "excerpt.wav";
    WriteTestWave(excerpt, seconds);
    auto& settings = tressel::dsp::GetFirEngineSettings();
    const tressel::dsp::FirEngineSettings saved = settings;
    std::printf("\n3. filter alone (ApplyFir, both channels) on %.0f s of stereo, best of %d; per cpu-s: the rate of\n"
                "   one core while it ran, against the one-thread peak\n"
                "   %-8s %6s %8s %9s %9s %9s %11s %7s\n", seconds, runs, "kernel", "taps", "threads", "s", "GMAC/s",
                "cpu s", "GMAC/cpu-s", "peak");
    settings.autoKernel = false;
    for (FirKernelKind kind : SupportedKernels()) {
        settings.kernel = kind;
        for (int count : kTapCounts) {
            for (int threads : ThreadCounts()) {
                settings.threads = threads;
                const Timing timing = TimeApplyFir(excerpt, LowPassTaps(count), runs);
                const double macs = 2.0 * seconds * kRate * count * 1e-9;
                std::printf("   %-8s %6d %8d %9.3f %9.2f %9.3f %11.2f %6.0f%%\n", tressel::dsp::FirKernelName(kind),
                            count, threads, timing.wall, macs / timing.wall, timing.cpu, macs / timing.cpu,
                            100.0 * macs / timing.cpu / peak[1]);
            }
        }
    }
    settings = saved;
    fs::remove(excerpt);
}

// ---- 4 and 5: whole processes ----------------------------------------------------------------------------

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Runs {
    std::vector<double> wall;
    std::vector<double> cpu;
};

bool RunOnce(const std::string& command, Runs& runs) {
    const double cpuStart = ChildrenCpuSeconds();
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        return false;
    }
    runs.wall.push_back(SecondsSince(start));
    runs.cpu.push_back(ChildrenCpuSeconds() - cpuStart);
    return true;
}

// Both commands in turn, kRuns times, so that both meet the same neighbours on the machine.
bool RunSideBySide(const std::string& ours, const std::string& theirs, Runs& oursRuns, Runs& theirRuns) {
    for (int r = 0; r < kRuns; ++r) {
        if (!RunOnce(ours, oursRuns) || !RunOnce(theirs, theirRuns)) {
            return false;
        }
    }
    return true;
}

std::string FirCommand(const fs::path& taps, const fs::path& in, const fs::path& out) {
    return std::string(TRESSEL_CLI_PATH) + " fir " + taps.string() + " " + in.string() + " " + out.string();
}

std::string SoxCommand(const fs::path& taps, const fs::path& in, const fs::path& out) {
    return "sox " + in.string() + " " + out.string() + " fir " + taps.string();
}

// Medians as asked for, and the best runs beside them: on a shared machine the best run is the one that
// met the fewest neighbours.
void PrintComparisonHeader() {
    std::printf("   %-5s %9s %9s %9s %9s %9s %9s %9s %9s\n", "taps", "ours s", "sox s", "ours/sox", "best ours",
                "best sox", "best o/s", "ours cpu", "sox cpu");
}

void PrintComparison(int count, const Runs& ours, const Runs& sox) {
    const double oursWall = Median(ours.wall);
    const double soxWall = Median(sox.wall);
    const double oursBest = *std::min_element(ours.wall.begin(), ours.wall.end());
    const double soxBest = *std::min_element(sox.wall.begin(), sox.wall.end());
    std::printf("   %-5d %9.3f %9.3f %9.2f %9.3f %9.3f %9.2f %9.3f %9.3f\n", count, oursWall, soxWall,
                oursWall / soxWall, oursBest, soxBest, oursBest / soxBest, Median(ours.cpu), Median(sox.cpu));
}

void ReportWholeProcesses(const fs::path& dir, double seconds) {
    const fs::path input = dir / "input.wav";
    WriteTestWave(input, seconds);
    std::printf("\n4. whole processes on %.0f s of stereo: tressel-cli fir TAPS IN OUT against sox IN OUT fir TAPS,\n"
                "   interleaved, medians of %d\n", seconds, kRuns);
    PrintComparisonHeader();
    for (int count : kTapCounts) {
        const fs::path taps = WriteTaps(dir, count);
        Runs ours;
        Runs sox;
        if (RunSideBySide(FirCommand(taps, input, dir / "ours.wav"), SoxCommand(taps, input, dir / "sox.wav"), ours,
                          sox)) {
            PrintComparison(count, ours, sox);
        }
    }
    fs::remove(input);
}

// The file's bytes into a fresh buffer (allocated as the image is) with plain reads: what a load cannot
// beat.
double TimePlainRead(const fs::path& path) {
    const auto start = Clock::now();
    const int fd = open(path.c_str(), O_RDONLY);
    const auto size = static_cast<std::size_t>(fs::file_size(path));
    std::vector<std::uint8_t, tressel::ImageAllocator<std::uint8_t>> buffer(size);
    std::size_t done = 0;
    for (ssize_t got = 1; done < size && got > 0; done += static_cast<std::size_t>(got)) {
        got = read(fd, buffer.data() + done, size - done);
    }
    close(fd);
    return SecondsSince(start);
}

void ReportLongFile(const fs::path& dir, double seconds) {
    const fs::path input = dir / "long.wav";
    WriteTestWave(input, seconds);
    std::printf("\n5. %.0f s of stereo (%.0f MB), medians of %d\n", seconds,
                static_cast<double>(fs::file_size(input)) * 1e-6, kRuns);
    Runs info;
    Runs gains;
    std::vector<double> plain;
    for (int r = 0; r < kRuns; ++r) {
        RunOnce(std::string(TRESSEL_CLI_PATH) + " info " + input.string() + " > /dev/null", info);
        RunOnce(std::string(TRESSEL_CLI_PATH) + " gains " + input.string() + " > /dev/null", gains);
        plain.push_back(TimePlainRead(input));
    }
    std::printf("   tressel-cli info (header)    %7.3f s wall %8.3f s cpu\n", Median(info.wall), Median(info.cpu));
    std::printf("   tressel-cli gains (whole load and one pass) %7.3f s wall %8.3f s cpu\n", Median(gains.wall),
                Median(gains.cpu));
    std::printf("   plain read, fresh buffer     %7.3f s\n", Median(plain));
    const fs::path taps = WriteTaps(dir, 255);
    Runs ours;
    Runs sox;
    if (RunSideBySide(FirCommand(taps, input, dir / "ours.wav"), SoxCommand(taps, input, dir / "sox.wav"), ours, sox)) {
        PrintComparisonHeader();
        PrintComparison(255, ours, sox);
    }
    fs::remove(input);
}

}  // namespace

int main(int argc, char** argv) {
    const bool processesOnly = argc > 1 && std::string(argv[1]) == "--processes";
    const int first = processesOnly ? 2 : 1;
    const double seconds = argc > first ? std::atof(argv[first]) : 300.0;
    const double longSeconds = argc > first + 1 ? std::atof(argv[first + 1]) : 3600.0;
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/tressel-fir-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        return 1;
    }
    const fs::path dir = pattern;
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("widest kernel %s, %d cores, load average %.2f; on a shared machine wall times include the\n"
                "neighbours, so the rates are the best of many short rounds and the commands are interleaved\n",
                tressel::dsp::FirKernelName(tressel::dsp::WidestFirKernel()), Cores(), load[0]);
    if (!processesOnly) {
        const std::vector<double> peak = ReportPeak();
        ReportKernels();
        ReportFilter(dir, peak);
    }
    ReportWholeProcesses(dir, seconds);
    if (longSeconds > 0) {
        ReportLongFile(dir, longSeconds);
    }
    fs::remove_all(dir);
    return 0;
}
