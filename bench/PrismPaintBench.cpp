// How long one paint of a Prism Data window takes: the scene and the QPainter work for two bands of
// 1024 points at the window's initial size and at a large size.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "spectrum/FilterResponse.h"
#include "spectrum/PrismPlot.h"
#include "spectrum/PrismPlotPainter.h"

namespace {

void BM_PaintFilterWindow(benchmark::State& state) {
    std::vector<double> taps(63);
    for (std::size_t i = 0; i < taps.size(); ++i) {
        const double x = static_cast<double>(i) - 31.0;
        taps[i] = x == 0 ? 0.25 : std::sin(0.25 * 3.14159265358979 * x) / (3.14159265358979 * x);
    }
    std::vector<double> real(tressel::kSpectrumSize);
    std::vector<double> imag(tressel::kSpectrumSize);
    tressel::ComputeFilterResponse(taps.data(), static_cast<int>(taps.size()), real.data(), imag.data());
    tressel::CPrismPlot plot;
    plot.SetData(real.data(), imag.data(), tressel::kSpectrumBins);
    plot.Configure(tressel::FilterWindowConfiguration());
    plot.UpdateCurves();
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    QImage image(width, height, QImage::Format_RGB32);
    const CPrismPlotPainter painter(PrismColours::ForExport());
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter device(&image);
        painter.Paint(device, plot.BuildScene(width, height));
        device.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFilterWindow)->Args({350, 250})->Args({1600, 1000})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
