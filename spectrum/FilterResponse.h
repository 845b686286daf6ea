#pragma once
// The frequency response of an FIR filter as the filter display shows it: the 2048-point transform of
// the taps, of which bins 0 to 1023 (frequencies 0 to just below half the sampling rate) are plotted.

#include "audio/Result.h"

namespace tressel {

constexpr int kSpectrumSize = 2048;     // points of every transform the displays use
constexpr int kSpectrumLog2Size = 11;
constexpr int kSpectrumBins = 1024;     // bins handed to a display: 0 .. kSpectrumSize / 2 - 1

// Overwrites `real` and `imag` (kSpectrumSize doubles each) with the transform of the taps. The taps go
// in unscaled, in their order, from index 0; a set longer than the buffers contributes its first
// kSpectrumSize taps, and an empty set gives zeros. Fails with the transform's message when memory for
// its tables is short (the buffers then hold the taps untransformed).
Result ComputeFilterResponse(const double* taps, int tapCount, double* real, double* imag);

}  // namespace tressel
