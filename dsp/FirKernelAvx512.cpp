// Compiled with -mavx512f; only called when the processor reports AVX-512F.
#define TRESSEL_FIR_LANES 8
#define TRESSEL_FIR_TILE 8
#include "dsp/FirKernelBody.h"

#include "dsp/FirKernel.h"

namespace tressel::dsp::kernels {

void SumsAvx512(const double* taps, int count, const double* input, std::int64_t outputs, float* sums) {
    ComputeSums(taps, count, input, outputs, sums);
}

}  // namespace tressel::dsp::kernels
