#include "dsp/FirKernel.h"

#include <initializer_list>

namespace tressel::dsp {

bool FirKernelSupported(FirKernelKind kind) {
    switch (kind) {
    case FirKernelKind::Scalar:
        return true;
#if defined(TRESSEL_FIR_X86_KERNELS)
    case FirKernelKind::Sse2:
        return true;
    case FirKernelKind::Avx2:
        return __builtin_cpu_supports("avx2");
    case FirKernelKind::Avx512:
        return __builtin_cpu_supports("avx512f");
#else
    default:
        return false;
#endif
    }
    return false;
}

FirKernelKind WidestFirKernel() {
    for (FirKernelKind kind : {FirKernelKind::Avx512, FirKernelKind::Avx2, FirKernelKind::Sse2}) {
        if (FirKernelSupported(kind)) {
            return kind;
        }
    }
    return FirKernelKind::Scalar;
}

FirSumsFunction GetFirSums(FirKernelKind kind) {
    if (!FirKernelSupported(kind)) {
        return kernels::SumsScalar;
    }
    switch (kind) {
#if defined(TRESSEL_FIR_X86_KERNELS)
    case FirKernelKind::Sse2:
        return kernels::SumsSse2;
    case FirKernelKind::Avx2:
        return kernels::SumsAvx2;
    case FirKernelKind::Avx512:
        return kernels::SumsAvx512;
#endif
    default:
        return kernels::SumsScalar;
    }
}

const char* FirKernelName(FirKernelKind kind) {
    switch (kind) {
    case FirKernelKind::Scalar:
        return "scalar";
    case FirKernelKind::Sse2:
        return "sse2";
    case FirKernelKind::Avx2:
        return "avx2";
    case FirKernelKind::Avx512:
        return "avx512";
    }
    return "?";
}

}  // namespace tressel::dsp
