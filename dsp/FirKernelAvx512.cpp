// Compiled with -mavx512f; only called when the processor reports AVX-512 Foundation.
#include "dsp/FirKernel.h"

#define TRESSEL_FIR_LANES 8
#define TRESSEL_FIR_TILE tressel::dsp::kernels::kAvx512Tile
#include "dsp/FirKernelBody.h"

namespace tressel::dsp::kernels {

void SumsAvx512(const double* taps, int count, const double* input, std::int64_t stripe, float* sums) {
    ComputeSums(taps, count, input, stripe, sums);
}

}  // namespace tressel::dsp::kernels
