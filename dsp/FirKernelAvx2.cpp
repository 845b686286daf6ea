// Compiled with -mavx2; only called when the processor reports AVX2.
#define TRESSEL_FIR_LANES 4
#define TRESSEL_FIR_TILE 8
#include "dsp/FirKernelBody.h"

#include "dsp/FirKernel.h"

namespace tressel::dsp::kernels {

void SumsAvx2(const double* taps, int count, const double* input, std::int64_t outputs, float* sums) {
    ComputeSums(taps, count, input, outputs, sums);
}

}  // namespace tressel::dsp::kernels
