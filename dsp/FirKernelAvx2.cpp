// Compiled with -mavx2; only called when the processor reports AVX2.
#include "dsp/FirKernel.h"

#define TRESSEL_FIR_LANES 4
#define TRESSEL_FIR_TILE tressel::dsp::kernels::kAvx2Tile
#include "dsp/FirKernelBody.h"

namespace tressel::dsp::kernels {

void SumsAvx2(const double* taps, int count, const double* input, std::int64_t stripe, float* sums) {
    ComputeSums(taps, count, input, stripe, sums);
}

}  // namespace tressel::dsp::kernels
