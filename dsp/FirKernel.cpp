#include "dsp/FirKernel.h"

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
    FirKernelKind widest = FirKernelKind::Scalar;
    for (FirKernelKind kind : kFirKernelKinds) {
        if (FirKernelSupported(kind) && GetFirKernel(kind).lanes > GetFirKernel(widest).lanes) {
            widest = kind;
        }
    }
    return widest;
}

FirKernel GetFirKernel(FirKernelKind kind) {
    if (!FirKernelSupported(kind)) {
        return {kernels::SumsScalar, 1, 1};
    }
    switch (kind) {
#if defined(TRESSEL_FIR_X86_KERNELS)
    case FirKernelKind::Sse2:
        return {kernels::SumsSse2, 2, kernels::kSse2Tile};
    case FirKernelKind::Avx2:
        return {kernels::SumsAvx2, 4, kernels::kAvx2Tile};
    case FirKernelKind::Avx512:
        return {kernels::SumsAvx512, 8, kernels::kAvx512Tile};
#endif
    default:
        return {kernels::SumsScalar, 1, 1};
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
