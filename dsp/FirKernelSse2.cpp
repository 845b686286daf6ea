// Baseline x86-64 kernel (and the scalar one), compiled without extra instruction-set flags.
#define TRESSEL_FIR_LANES 2
#define TRESSEL_FIR_TILE 6
#include "dsp/FirKernelBody.h"

#include "dsp/FirKernel.h"

namespace tressel::dsp::kernels {

void SumsScalar(const double* taps, int count, const double* input, std::int64_t outputs, float* sums) {
    for (std::int64_t o = 0; o < outputs; ++o) {
        sums[o] = SumOne(taps, count, input + o);
    }
}

void SumsSse2(const double* taps, int count, const double* input, std::int64_t outputs, float* sums) {
    ComputeSums(taps, count, input, outputs, sums);
}

}  // namespace tressel::dsp::kernels
