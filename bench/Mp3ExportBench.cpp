// Times the MP3 export (wave → encoder module → file) against the lame command line encoding the same
// 300-second stereo WAV at a constant 128 kbit/s. Both use the same libmp3lame, so the ratio shows what the
// export's own work (loading, chunking, copying, writing) costs. Prints figures; decides nothing.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "audio/Wave.h"
#include "mp3enc/Mp3Export.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 300;

// Tones that drift in pitch over a bed of soft noise: enough going on that the encoder works as on music.
std::vector<std::uint8_t> MusicLikeWave() {
    const std::uint32_t frames = kRate * kSeconds;
    const std::uint32_t dataBytes = frames * 4;
    std::vector<std::uint8_t> image(44 + dataBytes);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto put16 = [&](std::size_t at, std::uint16_t v) {
        image[at] = static_cast<std::uint8_t>(v);
        image[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    std::copy_n("RIFF", 4, image.begin());
    put32(4, 36 + dataBytes);
    std::copy_n("WAVEfmt ", 8, image.begin() + 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 2);
    put32(24, kRate);
    put32(28, kRate * 4);
    put16(32, 4);
    put16(34, 16);
    std::copy_n("data", 4, image.begin() + 36);
    put32(40, dataBytes);
    std::uint32_t noise = 12345;
    double phaseLeft = 0, phaseRight = 0;
    for (std::uint32_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        phaseLeft += 2 * std::numbers::pi * (220 + 110 * std::sin(0.1 * t)) / kRate;
        phaseRight += 2 * std::numbers::pi * (330 + 150 * std::sin(0.07 * t)) / kRate;
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 16) - 32768.0) * 0.05;
        const auto left = static_cast<std::int16_t>(9000 * std::sin(phaseLeft) + 3000 * std::sin(5 * phaseLeft) + hiss);
        const auto right = static_cast<std::int16_t>(9000 * std::sin(phaseRight) + 2000 * std::sin(7 * phaseRight) - hiss);
        put16(44 + 4 * f, static_cast<std::uint16_t>(left));
        put16(46 + 4 * f, static_cast<std::uint16_t>(right));
    }
    return image;
}

// Wall time and processor time (user + system) of one run; the machine is shared, so processor time is the
// steadier figure.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

template <typename Run>
Timing Measure(int who, Run run) {
    const double cpuStart = CpuSeconds(who);
    const auto start = std::chrono::steady_clock::now();
    run();
    Timing timing;
    timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timing.cpu = CpuSeconds(who) - cpuStart;
    return timing;
}

void Report(const char* name, const Timing& timing, const std::string& path, bool ok) {
    std::printf("  %-28s wall %7.3f s  cpu %7.3f s  %10ju bytes%s\n", name, timing.wall, timing.cpu,
                static_cast<std::uintmax_t>(ok ? std::filesystem::file_size(path) : 0), ok ? "" : "  (FAILED)");
}

}  // namespace

int main() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tressel-mp3-bench";
    std::filesystem::create_directories(folder);
    const std::string wavPath = (folder / "in.wav").string();
    const std::string ourPath = (folder / "tressel.mp3").string();
    const std::string lamePath = (folder / "lame.mp3").string();
    {
        const std::vector<std::uint8_t> image = MusicLikeWave();
        std::FILE* file = std::fopen(wavPath.c_str(), "wb");
        if (!file || std::fwrite(image.data(), 1, image.size(), file) != image.size()) {
            std::fprintf(stderr, "cannot write %s\n", wavPath.c_str());
            return 1;
        }
        std::fclose(file);
    }

    tressel::SilentFeedback feedback;
    CWave wave;
    wave.SetFeedback(&feedback);
    if (!wave.Load(wavPath)) {
        std::fprintf(stderr, "cannot load %s\n", wavPath.c_str());
        return 1;
    }
    tressel::FixedMp3Settings settings("128", {});

    bool exported = false;
    const Timing ours = Measure(RUSAGE_SELF, [&] {
        CMp3Export exporter(settings);
        exported = exporter.Export(ourPath, wave).Ok();
    });

    // -t: no Xing/Info frame, as the module writes none. Plain "lame -b 128" chooses joint stereo; "-m s"
    // is the module's plain stereo, the like-for-like figure.
    int plainStatus = -1;
    const Timing plain = Measure(RUSAGE_CHILDREN, [&] {
        plainStatus = std::system(("lame --silent -t -b 128 --cbr '" + wavPath + "' '" + lamePath + "'").c_str());
    });
    const std::string stereoPath = (folder / "lame-stereo.mp3").string();
    int stereoStatus = -1;
    const Timing stereo = Measure(RUSAGE_CHILDREN, [&] {
        stereoStatus =
            std::system(("lame --silent -t -b 128 --cbr -m s '" + wavPath + "' '" + stereoPath + "'").c_str());
    });

    std::printf("300 s stereo 44.1 kHz, CBR 128 kbit/s\n");
    Report("tressel export", ours, ourPath, exported);
    Report("lame -b 128", plain, lamePath, plainStatus == 0);
    Report("lame -b 128 -m s", stereo, stereoPath, stereoStatus == 0);
    std::printf("  ratio export / lame -b 128      : wall %.3f  cpu %.3f (target <= 1.1)\n", ours.wall / plain.wall,
                ours.cpu / plain.cpu);
    std::printf("  ratio export / lame -b 128 -m s : wall %.3f  cpu %.3f\n", ours.wall / stereo.wall,
                ours.cpu / stereo.cpu);
    const int lameStatus = plainStatus | stereoStatus;
    std::filesystem::remove_all(folder);
    return exported && lameStatus == 0 ? 0 : 1;
}
