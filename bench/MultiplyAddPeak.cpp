#include "bench/MultiplyAddPeak.h"

#include "bench/ConcurrentRate.h"

namespace tressel::bench {

namespace {

typedef double Vector2 __attribute__((vector_size(16)));
typedef double Vector4 __attribute__((vector_size(32)));
typedef double Vector8 __attribute__((vector_size(64)));

// Seven multiply chains and seven add chains fill the 16 vector registers of SSE2 and AVX2 but for two,
// and cover the latency of two pipes of each kind. A multiply chain squares 1.0 and an add chain doubles
// 0.0, so the values never change and no operation meets a special case.
constexpr int kChains = 7;
constexpr long kRoundsPerCall = 4096;

volatile double g_one = 1.0;
volatile double g_zero = 0.0;

template <typename Vector>
[[gnu::always_inline]] inline double Chains(long rounds) {
    Vector products[kChains];
    Vector sums[kChains];
    // Every loop over the chains is unrolled, so that the arrays become registers.
#pragma GCC unroll 16
    for (int c = 0; c < kChains; ++c) {
        products[c] = g_one - Vector{};
        sums[c] = g_zero - Vector{};
    }
    for (long r = 0; r < rounds; ++r) {
#pragma GCC unroll 16
        for (int c = 0; c < kChains; ++c) {
            products[c] = products[c] * products[c];
            sums[c] = sums[c] + sums[c];
            // Keeps every chain in a register and every operation in the loop.
            __asm__("" : "+v"(products[c]), "+v"(sums[c]));
        }
    }
    double check = 0.0;
#pragma GCC unroll 16
    for (int c = 0; c < kChains; ++c) {
        check += products[c][0] + sums[c][0];
    }
    return check == kChains ? static_cast<double>(rounds) * kChains * (sizeof(Vector) / sizeof(double)) : 0.0;
}

[[gnu::target("avx512f")]] double ChainsAvx512(long rounds) {
    return Chains<Vector8>(rounds);
}

[[gnu::target("avx2")]] double ChainsAvx2(long rounds) {
    return Chains<Vector4>(rounds);
}

double ChainsSse2(long rounds) {
    return Chains<Vector2>(rounds);
}

}  // namespace

const char* PeakVectorName() {
    if (__builtin_cpu_supports("avx512f")) {
        return "avx512";
    }
    return __builtin_cpu_supports("avx2") ? "avx2" : "sse2";
}

double RunPeakChains(long rounds) {
    if (__builtin_cpu_supports("avx512f")) {
        return ChainsAvx512(rounds);
    }
    return __builtin_cpu_supports("avx2") ? ChainsAvx2(rounds) : ChainsSse2(rounds);
}

double PeakGigaMultiplyAdds(int threads, int rounds) {
    return BestConcurrentRate(threads, rounds, [](int) { return RunPeakChains(kRoundsPerCall); }) * 1e-9;
}

}  // namespace tressel::bench
