#include "spectrum/FilterResponse.h"

#include <algorithm>

#include "spectrum/Fft.h"

namespace tressel {

Result ComputeFilterResponse(const double* taps, int tapCount, double* real, double* imag) {
    std::fill(real, real + kSpectrumSize, 0.0);
    std::fill(imag, imag + kSpectrumSize, 0.0);
    const int used = taps ? std::clamp(tapCount, 0, kSpectrumSize) : 0;
    std::copy(taps, taps + used, real);
    CFft fft;
    return fft.Transform(real, imag, kSpectrumSize, kSpectrumLog2Size, 0);
}

}  // namespace tressel
