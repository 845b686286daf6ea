#pragma once
// The inner loop of the FIR filter: many sums of products over one stretch of input at once, each vector
// lane computing its own output with the same operations in the same order as a plain loop, so every
// instruction set gives the same bits.

#include <cstdint>

namespace tressel::dsp {

// sums[o] = float(taps[0] * input[o] + taps[1] * input[o + 1] + ... + taps[count - 1] * input[o + count - 1])
// for o in [0, outputs), accumulated in double precision from 0.0 in increasing tap order. `input` holds
// outputs + count - 1 values.
using FirSumsFunction = void (*)(const double* taps, int count, const double* input, std::int64_t outputs,
                                 float* sums);

enum class FirKernelKind {
    Scalar,   // one output at a time
    Sse2,     // two lanes
    Avx2,     // four lanes
};

// Whether the running processor (and this build) can execute the kernel.
bool FirKernelSupported(FirKernelKind kind);

// The widest supported kernel.
FirKernelKind WidestFirKernel();

// The kernel's function; kinds that are not supported give the scalar one.
FirSumsFunction GetFirSums(FirKernelKind kind);

const char* FirKernelName(FirKernelKind kind);

namespace kernels {
void SumsScalar(const double* taps, int count, const double* input, std::int64_t outputs, float* sums);
void SumsSse2(const double* taps, int count, const double* input, std::int64_t outputs, float* sums);
void SumsAvx2(const double* taps, int count, const double* input, std::int64_t outputs, float* sums);
}  // namespace kernels

}  // namespace tressel::dsp
