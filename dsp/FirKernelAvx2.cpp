// Compiled with -mavx2; only called when the processor reports AVX2.
#include "dsp/FirKernel.h"

#define TRESSEL_FIR_LANES 4
#define TRESSEL_FIR_TILE tressel::dsp::kernels::kAvx2Tile
#define TRESSEL_FIR_SUMS SumsAvx2
#include "dsp/FirKernelBody.h"
