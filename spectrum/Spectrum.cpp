// The averaged magnitude spectrum of each channel, as the audio display shows it: the mean over a few
// evenly spread rectangular blocks of 2048 frames of each block's transform magnitude.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "audio/SampleView.h"
#include "audio/Wave.h"
#include "spectrum/FilterResponse.h"
#include "spectrum/Fft.h"

namespace {

using tressel::kSpectrumBins;
using tressel::kSpectrumLog2Size;
using tressel::kSpectrumSize;

// Which blocks are analysed: every one of K blocks up to ten, otherwise every (K div 5)-th.
struct BlockPlan {
    std::uint32_t length;  // B, frames per block
    std::uint32_t count;   // K, whole blocks in the data
    std::uint32_t step;    // S
    std::uint32_t analysed;  // A

    explicit BlockPlan(std::uint32_t frames) {
        length = std::min<std::uint32_t>(frames, kSpectrumSize);
        count = length > 0 ? frames / length : 0;
        step = count <= 10 ? 1 : count / 5;
        analysed = count / step;
    }
};

tressel::Result AnalyseChannel(const tressel::ChannelSamples& channel, const BlockPlan& plan, CFft& fft, double* bins,
                               int binCount, tressel::ProgressSink& progress, int progressBase) {
    tressel::Result result;
    std::array<double, kSpectrumSize> real{};
    std::array<double, kSpectrumSize> imag{};
    std::array<double, kSpectrumBins> sums{};
    for (std::uint32_t b = 0; b < plan.analysed; ++b) {
        const std::uint32_t start = b * plan.step * plan.length;
        for (std::uint32_t i = 0; i < plan.length; ++i) {
            real[i] = static_cast<double>(channel.Read(start + i));
            imag[i] = 0.0;
        }
        // A short wave is one block padded with zeros; the previous transform must not leak into them.
        std::fill(real.begin() + plan.length, real.end(), 0.0);
        std::fill(imag.begin() + plan.length, imag.end(), 0.0);
        // A transform without its tables leaves the block as it was; the average goes on, as the display expects.
        result.Append(fft.Transform(real.data(), imag.data(), kSpectrumSize, kSpectrumLog2Size, 0));
        for (int k = 0; k < kSpectrumBins; ++k) {
            sums[k] += std::sqrt(real[k] * real[k] + imag[k] * imag[k]);
        }
        progress.SetPosition(progressBase + static_cast<int>(b));
        if (progress.CancelRequested()) {
            return result.Append(tressel::Result::Cancelled());  // this channel's curve is not written
        }
    }
    for (int k = 0; k < binCount; ++k) {
        bins[k] = sums[k] / plan.analysed;
    }
    if (binCount > 0) {
        bins[0] = 1.0;
    }
    return result;
}

}  // namespace

tressel::Result CWave::ComputeSpectrum(double* firstCurve, double* secondCurve, int binCount) {
    const tressel::WaveFormat format = Format();
    if (tressel::Result refused = tressel::CheckSampleFormat(format); !refused) {
        return refused;
    }
    // The curves always hold kSpectrumBins entries; a caller with shorter arrays gets only what fits.
    const int bins = std::clamp(binCount, 0, kSpectrumBins);
    double* curves[2] = {firstCurve, secondCurve};
    for (int c = 0; c < format.channels; ++c) {
        std::fill(curves[c], curves[c] + bins, 0.0);
    }

    const tressel::SampleView samples(GetImage(), format);
    const BlockPlan plan(static_cast<std::uint32_t>(samples.Frames()));
    if (plan.analysed == 0) {
        return {};  // no complete frame: nothing to average, the curves stay empty
    }

    auto progress = GetFeedback().CreateProgress();
    const int range = format.channels == 1 ? static_cast<int>(plan.analysed)
                                           : static_cast<int>((2 * plan.count) / plan.step);
    progress->SetRange(0, range);
    progress->Show();

    CFft fft;
    tressel::Result result;
    for (int c = 0; c < format.channels && !result.WasCancelled(); ++c) {
        result.Append(AnalyseChannel(samples.Channel(c), plan, fft, curves[c], bins, *progress,
                                     c * static_cast<int>(plan.analysed)));
    }
    return result;
}
