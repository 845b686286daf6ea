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
#else
    default:
        return false;
#endif
    }
    return false;
}

FirKernelKind WidestFirKernel() {
    for (FirKernelKind kind : {FirKernelKind::Avx2, FirKernelKind::Sse2}) {
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
    }
    return "?";
}

}  // namespace tressel::dsp
