// Layer II decoding speed: our decoder and mpg123 on the same file, a stereo 44.1 kHz stream at
// 192 kbit/s made by twolame, both writing 16-bit PCM to a file.
//
// usage: tressel_mp3dec_bench [SECONDS] [ROUNDS]     (defaults: 300 seconds, 3 rounds; best round counts)

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mp3dec/decoder.h"

namespace {

constexpr int kRate = 44100;
using Clock = std::chrono::steady_clock;

void PutLE(std::vector<unsigned char>& bytes, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xFFu));
}

// A few drifting tones with noise, different per channel: enough for the encoder to spend its bits.
bool WriteTestWave(const std::string& path, int seconds) {
    const std::uint32_t frames = static_cast<std::uint32_t>(kRate) * static_cast<std::uint32_t>(seconds);
    std::vector<unsigned char> bytes;
    bytes.reserve(44 + frames * 4);
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    PutLE(bytes, 36 + frames * 4, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLE(bytes, 16, 4);
    PutLE(bytes, 1, 2);
    PutLE(bytes, 2, 2);
    PutLE(bytes, kRate, 4);
    PutLE(bytes, kRate * 4, 4);
    PutLE(bytes, 4, 2);
    PutLE(bytes, 16, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLE(bytes, frames * 4, 4);
    std::uint32_t noise = 1;
    for (std::uint32_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / kRate;
        for (int ch = 0; ch < 2; ++ch) {
            noise = noise * 1664525u + 1013904223u;
            const double value = 7000.0 * std::sin(2 * M_PI * (220.0 + 110.0 * ch) * t * (1.0 + 0.001 * t)) +
                                 4000.0 * std::sin(2 * M_PI * 2500.0 * t + ch) +
                                 static_cast<double>(static_cast<int>(noise >> 19) - 4096);
            PutLE(bytes, static_cast<std::uint32_t>(static_cast<std::int16_t>(value)) & 0xFFFFu, 2);
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Wall time, and processor time (user + system), which the other engineers' builds on this machine
// disturb less.
struct Timing {
    double wall = -1.0;
    double cpu = -1.0;
};

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

Timing TimeOurs(const std::string& mp2, const std::string& wav) {
    std::FILE* out = std::fopen(wav.c_str(), "wb+");
    if (out == nullptr) return {};
    // The decoder announces the input format on standard output; keep the figures readable.
    std::fflush(stdout);
    const int saved = dup(1);
    std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
    const Clock::time_point start = Clock::now();
    const std::clock_t cpu_start = std::clock();
    const bool ok = DecodeMp3ToWave(mp2, out);
    const double cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    const double elapsed = Seconds(start);
    std::fflush(stdout);
    if (quiet != nullptr) dup2(saved, 1);
    close(saved);
    std::fclose(out);
    return ok ? Timing{elapsed, cpu} : Timing{};
}

Timing TimeMpg123(const std::string& mp2, const std::string& wav) {
    const std::string command = "mpg123 -q --no-gapless -w '" + wav + "' '" + mp2 + "'";
    const double cpu_start = ChildrenCpuSeconds();
    const Clock::time_point start = Clock::now();
    const int status = std::system(command.c_str());
    const double elapsed = Seconds(start);
    const double cpu = ChildrenCpuSeconds() - cpu_start;  // includes the shell, a millisecond or two
    return status == 0 ? Timing{elapsed, cpu} : Timing{};
}

void Keep(Timing& best, const Timing& t) {
    if (t.wall > 0 && (best.wall < 0 || t.wall < best.wall)) best.wall = t.wall;
    if (t.cpu > 0 && (best.cpu < 0 || t.cpu < best.cpu)) best.cpu = t.cpu;
}

void Report(const char* name, const Timing& t, int seconds) {
    if (t.wall < 0) {
        std::printf("  %-8s did not run\n", name);
        return;
    }
    std::printf("  %-8s wall %7.3f s = %6.0fx real time   cpu %7.3f s = %6.0fx real time\n", name, t.wall,
                seconds / t.wall, t.cpu, t.cpu > 0 ? seconds / t.cpu : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tressel-mp3dec-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string input = (dir / "in.wav").string();
    const std::string mp2 = (dir / "in.mp2").string();
    int status = 0;
    if (!WriteTestWave(input, seconds) ||
        std::system(("twolame --quiet -b 192 -m s '" + input + "' '" + mp2 + "'").c_str()) != 0) {
        std::fprintf(stderr, "could not make the test stream (is twolame installed?)\n");
        status = 1;
    } else {
        Timing ours;
        Timing theirs;
        for (int round = 0; round < rounds; ++round) {
            Keep(ours, TimeOurs(mp2, (dir / "ours.wav").string()));
            Keep(theirs, TimeMpg123(mp2, (dir / "mpg123.wav").string()));
        }
        std::printf("Layer II, %d s stereo 44.1 kHz at 192 kbit/s (twolame), best of %d rounds\n", seconds, rounds);
        Report("tressel", ours, seconds);
        Report("mpg123", theirs, seconds);
        if (ours.wall > 0 && theirs.wall > 0) {
            std::printf("  ours / mpg123 speed: %.2f (wall), %.2f (cpu)\n", theirs.wall / ours.wall,
                        ours.cpu > 0 ? theirs.cpu / ours.cpu : 0.0);
        }
    }
    std::filesystem::remove_all(dir);
    return status;
}
