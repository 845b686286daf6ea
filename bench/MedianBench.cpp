// Median filter of length 33 over five minutes of stereo 16-bit audio: our sliding filter, the plain
// copy-and-sort loop and scipy.ndimage.median_filter on the same channel data, side by side.
//
// usage: tressel_median_bench [SECONDS] [noise|music]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "audio/Wave.h"
#include "dsp/Median.h"

namespace {

constexpr int kRate = 44100;
constexpr int kLength = 33;

using Clock = std::chrono::steady_clock;

// Wall time and the process's processor time: on a shared machine the second shows the work itself.
struct Timing {
    double wall = 0.0;
    double cpu = 0.0;
};

class Stopwatch {
public:
    Timing Elapsed() const {
        return {std::chrono::duration<double>(Clock::now() - m_wall).count(),
                static_cast<double>(std::clock() - m_cpu) / CLOCKS_PER_SEC};
    }

private:
    Clock::time_point m_wall = Clock::now();
    std::clock_t m_cpu = std::clock();
};

void PrintTiming(const char* what, Timing timing) {
    std::printf("  %-34s %8.3f s wall %8.3f s cpu\n", what, timing.wall, timing.cpu);
}

// Either full-range noise (the worst case for the sorted window) or tones with noise and clicks.
std::vector<std::int16_t> MakeInterleaved(std::size_t frames, bool noise) {
    std::vector<std::int16_t> samples(frames * 2);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> full(-32768, 32767);
    std::normal_distribution<double> hiss(0.0, 300.0);
    std::uniform_int_distribution<int> click(0, 2000);
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            double v;
            if (noise) {
                v = full(random);
            } else {
                const double t = static_cast<double>(i) / kRate;
                const double tone = 9000.0 * std::sin(2 * std::numbers::pi * (220.0 + 110.0 * c) * t);
                v = tone + 4000.0 * std::sin(2 * std::numbers::pi * 1375.0 * t) + hiss(random);
                if (click(random) == 0) {
                    v = c == 0 ? 32000 : -32000;
                }
            }
            samples[2 * i + c] = static_cast<std::int16_t>(std::max(-32768.0, std::min(32767.0, v)));
        }
    }
    return samples;
}

void PutLE(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void WriteWave(const std::string& path, const std::vector<std::int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    PutLE(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);
    PutLE(out, 2, 2);
    PutLE(out, kRate, 4);
    PutLE(out, kRate * 4, 4);
    PutLE(out, 4, 2);
    PutLE(out, 16, 2);
    out.write("data", 4);
    PutLE(out, dataBytes, 4);
    out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(dataBytes));
}

std::vector<std::int16_t> Channel(const std::vector<std::int16_t>& interleaved, int channel) {
    std::vector<std::int16_t> values(interleaved.size() / 2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = interleaved[2 * i + channel];
    }
    return values;
}

// The straightforward filter: copy each window and sort it.
std::vector<std::int16_t> CopyAndSort(const std::vector<std::int16_t>& x) {
    std::vector<std::int16_t> y = x;
    const int half = kLength / 2;
    for (std::size_t j = 0; j + kLength < x.size(); ++j) {
        y[j + half] = Median16(&x[j], kLength);
    }
    for (int j = 0; j < half; ++j) {
        y[j] = 0;
    }
    return y;
}

void WriteRaw(const std::string& path, const std::vector<std::int16_t>& values) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * 2));
}

std::vector<std::int16_t> ReadRaw(const std::string& path, std::size_t count) {
    std::vector<std::int16_t> values(count);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(values.data()), static_cast<std::streamsize>(count * 2));
    return values;
}

// Debian's interpreter, which has python3-scipy, even when another python3 comes first on the path.
std::string PythonInterpreter() {
    return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

// Runs scipy on both channel files; answers its times for the two filters, or a negative wall time.
Timing RunScipy(const std::filesystem::path& dir) {
    const std::string script =
        "import sys, time, numpy as np\n"
        "from scipy.ndimage import median_filter\n"
        "d = sys.argv[1]\n"
        "xs = [np.fromfile(d + '/ch%d.raw' % c, dtype='<i2') for c in (0, 1)]\n"
        "t = time.perf_counter()\n"
        "c = time.process_time()\n"
        "ys = [median_filter(x, size=" + std::to_string(kLength) + ", mode='constant') for x in xs]\n"
        "print(time.perf_counter() - t, time.process_time() - c)\n"
        "for c, y in enumerate(ys): y.astype('<i2').tofile(d + '/scipy%d.raw' % c)\n";
    const std::string scriptPath = (dir / "median.py").string();
    std::ofstream(scriptPath) << script;
    const std::string command = PythonInterpreter() + " " + scriptPath + " " + dir.string();
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return {-1.0, 0.0};
    }
    Timing timing;
    if (std::fscanf(pipe, "%lf %lf", &timing.wall, &timing.cpu) != 2) {
        timing.wall = -1.0;
    }
    pclose(pipe);
    return timing;
}

// Compares the centred medians [K, L - a) where every filter sees a full window.
std::size_t CountInnerDifferences(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    std::size_t differences = 0;
    for (std::size_t j = kLength / 2; j + kLength < a.size(); ++j) {
        differences += a[j] != b[j];
    }
    return differences;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 300.0;
    const bool noise = argc > 2 && std::string(argv[2]) == "noise";
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::printf("median length %d over %.0f s of stereo 16-bit %s (%zu frames per channel)\n", kLength, seconds,
                noise ? "full-range noise" : "tones with hiss and clicks", frames);

    const auto dir = std::filesystem::temp_directory_path() / ("tressel-median-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto input = MakeInterleaved(frames, noise);
    const std::string wavePath = (dir / "in.wav").string();
    WriteWave(wavePath, input);

    tressel::SilentFeedback silent;
    CWave wave;
    wave.SetFeedback(&silent);
    Timing ours{1e30, 1e30};
    for (int run = 0; run < 3; ++run) {
        wave.Load(wavePath);
        const Stopwatch stopwatch;
        wave.ApplyMedian(kLength, 1, 1);
        const Timing elapsed = stopwatch.Elapsed();
        ours = {std::min(ours.wall, elapsed.wall), std::min(ours.cpu, elapsed.cpu)};
    }
    std::vector<std::int16_t> result(frames * 2);
    std::memcpy(result.data(), wave.GetImage() + wave.GetDataOffset(), frames * 4);
    PrintTiming("tressel ApplyMedian (best of 3)", ours);

    std::vector<std::int16_t> channels[2] = {Channel(input, 0), Channel(input, 1)};
    const Stopwatch stopwatch;
    const std::vector<std::int16_t> sorted[2] = {CopyAndSort(channels[0]), CopyAndSort(channels[1])};
    PrintTiming("copy-and-sort loop", stopwatch.Elapsed());

    std::size_t differences = 0;
    for (int c = 0; c < 2; ++c) {
        const auto ourChannel = Channel(result, c);
        for (std::size_t j = 0; j + kLength < frames; ++j) {
            differences += ourChannel[j] != sorted[c][j];
        }
        WriteRaw((dir / ("ch" + std::to_string(c) + ".raw")).string(), channels[c]);
    }
    std::printf("  samples differing from copy-and-sort: %zu\n", differences);

    const Timing scipy = RunScipy(dir);
    if (scipy.wall < 0) {
        std::printf("  scipy.ndimage.median_filter        (not available)\n");
    } else {
        PrintTiming("scipy.ndimage.median_filter", scipy);
        std::size_t scipyDifferences = 0;
        for (int c = 0; c < 2; ++c) {
            scipyDifferences += CountInnerDifferences(
                Channel(result, c), ReadRaw((dir / ("scipy" + std::to_string(c) + ".raw")).string(), frames));
        }
        std::printf("  full-window samples differing from scipy: %zu\n", scipyDifferences);
    }
    std::filesystem::remove_all(dir);
    return differences == 0 ? 0 : 1;
}
