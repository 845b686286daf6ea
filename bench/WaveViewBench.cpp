// The Wave View over one hour of stereo 16-bit audio at 44.1 kHz: copying the samples out of the wave
// (which finds the extents of the pyramid's lowest blocks on the way) into fresh memory and into the
// memory of samples no longer shown,
// building the min/max pyramid, and redrawing the picture at zoom levels from the whole hour down to
// single samples. Prints the fastest and the median of several runs; on a shared machine the fastest is
// the closer figure.
//
// usage: tressel_wave_view_bench [MINUTES]

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include "app/WaveViewPainter.h"
#include "app/WaveViewport.h"
#include "audio/MinMaxPyramid.h"
#include "audio/WaveSamples.h"

namespace {

constexpr int kRate = 44100;

using Clock = std::chrono::steady_clock;

// Wall time, and the processor time of the whole process (all its threads): on a shared machine the
// second shows the work itself when the first includes waiting for a core.
struct Figures {
    double fastest;
    double median;
    double processor;  // median
};

Figures Measure(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    std::vector<double> processor;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        const std::clock_t cpuStart = std::clock();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        processor.push_back(1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    }
    std::sort(times.begin(), times.end());
    std::sort(processor.begin(), processor.end());
    return {times.front(), times[times.size() / 2], processor[processor.size() / 2]};
}

void Print(const char* what, Figures figures) {
    std::printf("  %-30s %9.2f ms fastest %9.2f ms median wall %9.2f ms median processor\n", what,
                figures.fastest, figures.median, figures.processor);
}

// A tone with a little noise, and a click now and then: something like a recording.
std::vector<std::uint8_t> Recording(std::int64_t frames) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * 4);
    std::uint32_t state = 1;
    for (std::int64_t f = 0; f < frames; ++f) {
        state = state * 1664525u + 1013904223u;
        const int tone = static_cast<int>((f * 37) % 20000) - 10000;
        const int noise = static_cast<int>(state >> 22) - 512;
        const int click = state % 100003 == 0 ? 30000 : 0;
        for (int c = 0; c < 2; ++c) {
            const auto sample = static_cast<std::int16_t>((c ? -tone : tone) / 2 + noise + click);
            const auto value = static_cast<std::uint16_t>(sample);
            bytes[static_cast<std::size_t>(f * 4 + c * 2)] = static_cast<std::uint8_t>(value & 0xFF);
            bytes[static_cast<std::size_t>(f * 4 + c * 2 + 1)] = static_cast<std::uint8_t>(value >> 8);
        }
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 60.0;
    const auto frames = static_cast<std::int64_t>(minutes * 60 * kRate);
    std::printf("Wave View over %.0f minutes of stereo 16-bit audio (%lld frames), %u hardware threads\n", minutes,
                static_cast<long long>(frames), std::thread::hardware_concurrency());
    const std::vector<std::uint8_t> bytes = Recording(frames);

    std::shared_ptr<const tressel::WaveSamples> samples;
    Print("copy out, block extents (all threads)", Measure(5, [&] {
              samples = tressel::WaveSamples::FromInterleaved(bytes.data(), bytes.size(), 2, 16, kRate);
          }));
    // After a command the state before the last one is dropped, and its memory takes the new copy.
    Print("copy out into dropped samples' memory", Measure(5, [&] {
              samples = tressel::WaveSamples::FromInterleaved(bytes.data(), bytes.size(), 2, 16, kRate, 0,
                                                              std::move(samples));
          }));
    std::unique_ptr<tressel::MinMaxPyramid> pyramid;
    Print("build the pyramid", Measure(7, [&] { pyramid = std::make_unique<tressel::MinMaxPyramid>(samples); }));

    struct Zoom {
        const char* name;
        double seconds;  // shown across the picture
    };
    const Zoom zooms[] = {{"whole wave", minutes * 60}, {"one minute", 60}, {"one second", 1},
                          {"10 ms (samples joined)", 0.01}, {"2 ms (samples marked)", 0.002}};
    const tressel::WaveViewColours colours{Qt::white, Qt::black,          Qt::lightGray,
                                           Qt::blue,  QColor(240, 160, 80), Qt::red};
    for (const QSize size : {QSize(640, 300), QSize(1920, 1080)}) {
        std::printf("redraw at %dx%d, current and before:\n", size.width(), size.height());
        QImage image(size, QImage::Format_RGB32);
        tressel::WaveViewport viewport;
        viewport.Reset(frames, tressel::WaveViewPainter::PlotArea(size).width());
        for (const Zoom& zoom : zooms) {
            viewport.Reset(frames, tressel::WaveViewPainter::PlotArea(size).width());
            viewport.ZoomAt(0, minutes * 60 / zoom.seconds);
            viewport.ScrollByPixels(static_cast<double>(frames) / 3 / viewport.FramesPerPixel());
            const tressel::WaveViewScene scene{pyramid.get(), pyramid.get(), &viewport, viewport.FrameAt(100)};
            Print(zoom.name, Measure(20, [&] {
                      QPainter painter(&image);
                      tressel::WaveViewPainter(colours).Paint(painter, size, scene);
                  }));
        }
    }
    return 0;
}
