#pragma once
// The inner loop of the FIR filter: many sums of products over one stretch of input at once, each vector
// lane computing its own output with the same operations in the same order as a plain loop, so every
// instruction set gives the same bits.
//
// Inputs and sums are laid out in stripes. A block of lanes * stripe outputs is cut into `lanes` stripes of
// `stripe` consecutive outputs; position q of stripe l is stored at index q * lanes + l, so one vector holds
// the same position of every stripe and the next output's inputs are the next vectors.

#include <array>
#include <cstdint>

namespace tressel::dsp {

// sums[p * lanes + l] = float(taps[0] * input[p * lanes + l] + taps[1] * input[(p + 1) * lanes + l] + ...
//                             + taps[count - 1] * input[(p + count - 1) * lanes + l])
// for p in [0, stripe) and every lane l, accumulated in double precision from 0.0 in increasing tap order.
// `input` holds (stripe + count - 1) * lanes values; it is read fastest when aligned to a whole vector.
using FirSumsFunction = void (*)(const double* taps, int count, const double* input, std::int64_t stripe,
                                 float* sums);

struct FirKernel {
    FirSumsFunction sums = nullptr;
    int lanes = 1;  // stripes side by side, the doubles of one vector
    int tile = 1;   // stripe positions held in registers at once; stripes of a multiple of it run fastest

    // The shortest stripe of whole register blocks that holds `outputs` outputs.
    std::int64_t StripeFor(std::int64_t outputs) const {
        const std::int64_t positions = (outputs + lanes - 1) / lanes;
        return (positions + tile - 1) / tile * tile;
    }
};

enum class FirKernelKind {
    Scalar,   // one output at a time
    Sse2,     // two lanes
    Avx2,     // four lanes
    Avx512,   // eight lanes
};

inline constexpr std::array<FirKernelKind, 4> kFirKernelKinds = {FirKernelKind::Scalar, FirKernelKind::Sse2,
                                                                  FirKernelKind::Avx2, FirKernelKind::Avx512};

// Whether the running processor (and this build) can execute the kernel.
bool FirKernelSupported(FirKernelKind kind);

// The widest supported kernel.
FirKernelKind WidestFirKernel();

// The kernel and its layout; kinds that are not supported give the scalar one.
FirKernel GetFirKernel(FirKernelKind kind);

const char* FirKernelName(FirKernelKind kind);

namespace kernels {
void SumsScalar(const double* taps, int count, const double* input, std::int64_t stripe, float* sums);
void SumsSse2(const double* taps, int count, const double* input, std::int64_t stripe, float* sums);
void SumsAvx2(const double* taps, int count, const double* input, std::int64_t stripe, float* sums);
void SumsAvx512(const double* taps, int count, const double* input, std::int64_t stripe, float* sums);

// Register blocks of each kernel: twice the tile plus a tap and a product fill the vector registers.
inline constexpr int kSse2Tile = 7;
inline constexpr int kAvx2Tile = 7;
inline constexpr int kAvx512Tile = 15;
}  // namespace kernels

}  // namespace tressel::dsp
