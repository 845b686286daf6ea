// The vector kernel, written once and compiled once per instruction set: each including file defines
// TRESSEL_FIR_LANES (doubles per vector) and TRESSEL_FIR_TILE (vectors of outputs kept in registers) and
// is itself compiled for the matching instruction set. Everything here has internal linkage so the copies
// of different instruction sets never meet at link time.

#include <cstdint>

namespace {

constexpr int kLanes = TRESSEL_FIR_LANES;
constexpr int kTile = TRESSEL_FIR_TILE;

typedef double Lanes __attribute__((vector_size(kLanes * sizeof(double))));

inline Lanes LoadLanes(const double* values) {
    Lanes lanes;
    __builtin_memcpy(&lanes, values, sizeof lanes);
    return lanes;
}

// The same value in every lane; subtracting +0.0 keeps every value, -0.0 and not-a-number included.
inline Lanes Broadcast(double value) {
    return value - Lanes{};
}

// kLanes * tile adjacent outputs: for each tap, one product and one sum per output, in tap order.
template <int tile>
inline void SumTile(const double* taps, int count, const double* input, float* sums) {
    Lanes accumulators[tile];
#pragma GCC unroll 16
    for (int t = 0; t < tile; ++t) {
        accumulators[t] = Lanes{};
    }
    for (int j = 0; j < count; ++j) {
        const Lanes tap = Broadcast(taps[j]);
        // Fully unrolled, so the accumulators live in registers.
#pragma GCC unroll 16
        for (int t = 0; t < tile; ++t) {
            accumulators[t] = accumulators[t] + tap * LoadLanes(input + j + t * kLanes);
        }
    }
    for (int t = 0; t < tile; ++t) {
        for (int lane = 0; lane < kLanes; ++lane) {
            sums[t * kLanes + lane] = static_cast<float>(accumulators[t][lane]);
        }
    }
}

inline float SumOne(const double* taps, int count, const double* input) {
    double sum = 0.0;
    for (int j = 0; j < count; ++j) {
        sum += taps[j] * input[j];
    }
    return static_cast<float>(sum);
}

inline void ComputeSums(const double* taps, int count, const double* input, std::int64_t outputs, float* sums) {
    std::int64_t o = 0;
    for (; o + kTile * kLanes <= outputs; o += kTile * kLanes) {
        SumTile<kTile>(taps, count, input + o, sums + o);
    }
    for (; o + kLanes <= outputs; o += kLanes) {
        SumTile<1>(taps, count, input + o, sums + o);
    }
    for (; o < outputs; ++o) {
        sums[o] = SumOne(taps, count, input + o);
    }
}

}  // namespace
