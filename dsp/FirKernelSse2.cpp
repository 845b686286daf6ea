// Baseline x86-64 kernel (and the scalar one), compiled without extra instruction-set flags.
#include "dsp/FirKernel.h"

#define TRESSEL_FIR_LANES 2
#define TRESSEL_FIR_TILE tressel::dsp::kernels::kSse2Tile
#define TRESSEL_FIR_SUMS SumsSse2
#include "dsp/FirKernelBody.h"

namespace tressel::dsp::kernels {

void SumsScalar(const double* taps, int count, const double* input, std::int64_t stripe, float* sums) {
    for (std::int64_t p = 0; p < stripe; ++p) {
        double sum = 0.0;
        for (int j = 0; j < count; ++j) {
            sum += taps[j] * input[p + j];
        }
        sums[p] = static_cast<float>(sum);
    }
}

}  // namespace tressel::dsp::kernels
