// The averaged magnitude spectrum of each channel, as the audio display shows it: the mean over a few
// evenly spread rectangular blocks of 2048 frames of each block's transform magnitude.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "audio/Wave.h"
#include "spectrum/FilterResponse.h"
#include "spectrum/Fft.h"

namespace {

using tressel::kSpectrumBins;
using tressel::kSpectrumLog2Size;
using tressel::kSpectrumSize;

// Where the samples of one channel lie and how to turn one into a double.
struct ChannelReader {
    const std::uint8_t* first;  // this channel's sample of frame 0
    std::uint32_t frameSize;
    bool sixteenBit;

    double Sample(std::uint32_t frame) const {
        const std::uint8_t* p = first + static_cast<std::size_t>(frame) * frameSize;
        if (sixteenBit) {
            return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8))));
        }
        return p[0] - 127.0;
    }
};

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

void AnalyseChannel(const ChannelReader& reader, const BlockPlan& plan, CFft& fft, double* bins, int binCount,
                    tressel::ProgressSink& progress, int progressBase) {
    std::array<double, kSpectrumSize> real{};
    std::array<double, kSpectrumSize> imag{};
    std::array<double, kSpectrumBins> sums{};
    for (std::uint32_t b = 0; b < plan.analysed; ++b) {
        const std::uint32_t start = b * plan.step * plan.length;
        for (std::uint32_t i = 0; i < plan.length; ++i) {
            real[i] = reader.Sample(start + i);
            imag[i] = 0.0;
        }
        // A short wave is one block padded with zeros; the previous transform must not leak into them.
        std::fill(real.begin() + plan.length, real.end(), 0.0);
        std::fill(imag.begin() + plan.length, imag.end(), 0.0);
        fft.Transform(real.data(), imag.data(), kSpectrumSize, kSpectrumLog2Size, 0);
        for (int k = 0; k < kSpectrumBins; ++k) {
            sums[k] += std::sqrt(real[k] * real[k] + imag[k] * imag[k]);
        }
        progress.SetPosition(progressBase + static_cast<int>(b));
    }
    for (int k = 0; k < binCount; ++k) {
        bins[k] = sums[k] / plan.analysed;
    }
    if (binCount > 0) {
        bins[0] = 1.0;
    }
}

}  // namespace

void CWave::ComputeSpectrum(double* firstCurve, double* secondCurve, int binCount) {
    const int channels = GetChannels();
    const int bits = GetBitsPerSample();
    if (channels != 1 && channels != 2) {
        GetFeedback().ShowMessage("1 or 2 channels expected");
        return;
    }
    if (bits != 8 && bits != 16) {
        GetFeedback().ShowMessage("8 or 16 bits expected");
        return;
    }
    // The curves always hold kSpectrumBins entries; a caller with shorter arrays gets only what fits.
    const int bins = std::clamp(binCount, 0, kSpectrumBins);
    double* curves[2] = {firstCurve, secondCurve};
    for (int c = 0; c < channels; ++c) {
        std::fill(curves[c], curves[c] + bins, 0.0);
    }

    const std::uint32_t bytesPerSample = static_cast<std::uint32_t>(bits / 8);
    const std::uint32_t frameSize = static_cast<std::uint32_t>(channels) * bytesPerSample;
    const BlockPlan plan(GetDataLength() / frameSize);
    if (plan.analysed == 0) {
        return;  // no complete frame: nothing to average, the curves stay empty
    }

    auto progress = GetFeedback().CreateProgress();
    const int range = channels == 1 ? static_cast<int>(plan.analysed)
                                    : static_cast<int>((2 * plan.count) / plan.step);
    progress->SetRange(0, range);
    progress->Show();

    CFft fft(&GetFeedback());
    const std::uint8_t* data = GetImage() + GetDataOffset();
    for (int c = 0; c < channels; ++c) {
        const ChannelReader reader{data + c * bytesPerSample, frameSize, bits == 16};
        AnalyseChannel(reader, plan, fft, curves[c], bins, *progress, c * static_cast<int>(plan.analysed));
    }
}
