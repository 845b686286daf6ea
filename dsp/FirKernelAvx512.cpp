// Compiled with -mavx512f; only called when the processor reports AVX-512 Foundation.
#include "dsp/FirKernel.h"

#define TRESSEL_FIR_LANES 8
#define TRESSEL_FIR_TILE tressel::dsp::kernels::kAvx512Tile
#define TRESSEL_FIR_SUMS SumsAvx512
#include "dsp/FirKernelBody.h"
