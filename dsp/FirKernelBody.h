// The vector kernel, written once and compiled once per instruction set: each including file defines
// TRESSEL_FIR_LANES (doubles per vector), TRESSEL_FIR_TILE (vectors of outputs kept in registers) and
// TRESSEL_FIR_SUMS (the name of the kernel function it provides, if any) and is itself compiled for the
// matching instruction set. Everything else here has internal linkage so the copies of different
// instruction sets never meet at link time.
//
// Input and sums are laid out stripe by stripe (see FirKernel.h): position q of every stripe forms one
// vector, so the inputs of output p + 1 are those of output p moved on by one whole vector. A register
// block of `tile` vectors of outputs therefore needs one new input vector per tap; the others are already
// in registers from the previous taps. The multiplies and adds of each lane are exactly those of the plain
// loop, in tap order.

#include <cstdint>
#include <utility>

namespace {

constexpr int kLanes = TRESSEL_FIR_LANES;
constexpr int kTile = TRESSEL_FIR_TILE;

typedef double Lanes __attribute__((vector_size(kLanes * sizeof(double))));
typedef float FloatLanes __attribute__((vector_size(kLanes * sizeof(float))));

// Vectors go in and out of these helpers by reference: a wide kernel built for a narrower machine (as the
// tests do to check its arithmetic) would otherwise pass them in a way the compiler warns about.
inline void LoadLanes(Lanes& lanes, const double* values) {
    __builtin_memcpy(&lanes, values, sizeof lanes);
}

inline void StoreRounded(float* sums, const Lanes& values) {
    const FloatLanes rounded = __builtin_convertvector(values, FloatLanes);
    __builtin_memcpy(sums, &rounded, sizeof rounded);
}

// The same value in every lane; subtracting +0.0 keeps every value, -0.0 and not-a-number included.
inline void Broadcast(Lanes& lanes, double value) {
    lanes = value - Lanes{};
}

// Left to itself the compiler starts the loads of later taps early and runs out of registers; pinning the
// sums after every tap keeps one tap's work together, so the block fits the register file without spills.
// Vectors wider than the registers of the target cannot be pinned and go without.
#if defined(__AVX512F__)
#define TRESSEL_FIR_REGISTER_BYTES 64
#elif defined(__AVX__)
#define TRESSEL_FIR_REGISTER_BYTES 32
#else
#define TRESSEL_FIR_REGISTER_BYTES 16
#endif

inline void KeepInRegister([[maybe_unused]] Lanes& value) {
#if TRESSEL_FIR_LANES * 8 <= TRESSEL_FIR_REGISTER_BYTES
    __asm__("" : "+v"(value));
#endif
}

// One tap of a register block. Slot (t + s) % tile of `window` holds input position j + t, where s is the
// tap's place in its round of `tile` taps; the slot that held position j - 1 takes `newest`, position
// j + tile - 1.
template <int tile, int s>
inline void TapFromWindow(Lanes (&sums)[tile], Lanes (&window)[tile], double tapValue, const double* newest) {
    LoadLanes(window[(tile - 1 + s) % tile], newest);
    Lanes tap;
    Broadcast(tap, tapValue);
#pragma GCC unroll 16
    for (int t = 0; t < tile; ++t) {
        sums[t] = sums[t] + tap * window[(t + s) % tile];
    }
#pragma GCC unroll 16
    for (int t = 0; t < tile; ++t) {
        KeepInRegister(sums[t]);
    }
}

// `tile` taps from taps[0] on, `input` at the round's first position: afterwards every slot is back where
// it started.
template <int tile, int... s>
inline void TapRound(Lanes (&sums)[tile], Lanes (&window)[tile], const double* taps, const double* input,
                     std::integer_sequence<int, s...>) {
    (TapFromWindow<tile, s>(sums, window, taps[s], input + (s + tile - 1) * kLanes), ...);
}

// `tile` vectors of adjacent stripe positions, every tap in order.
template <int tile>
inline void SumTile(const double* taps, int count, const double* input, float* sums) {
    Lanes accumulators[tile];
    Lanes window[tile];
#pragma GCC unroll 16
    for (int t = 0; t < tile; ++t) {
        accumulators[t] = Lanes{};
        LoadLanes(window[t], input + t * kLanes);
    }
    int j = 0;
    for (; j + tile <= count; j += tile) {
        TapRound<tile>(accumulators, window, taps + j, input + j * kLanes, std::make_integer_sequence<int, tile>{});
    }
    for (; j < count; ++j) {
        Lanes tap;
        Broadcast(tap, taps[j]);
#pragma GCC unroll 16
        for (int t = 0; t < tile; ++t) {
            Lanes value;
            LoadLanes(value, input + (j + t) * kLanes);
            accumulators[t] = accumulators[t] + tap * value;
        }
    }
#pragma GCC unroll 16
    for (int t = 0; t < tile; ++t) {
        StoreRounded(sums + t * kLanes, accumulators[t]);
    }
}

inline void ComputeSums(const double* taps, int count, const double* input, std::int64_t stripe, float* sums) {
    std::int64_t p = 0;
    for (; p + kTile <= stripe; p += kTile) {
        SumTile<kTile>(taps, count, input + p * kLanes, sums + p * kLanes);
    }
    for (; p < stripe; ++p) {
        SumTile<1>(taps, count, input + p * kLanes, sums + p * kLanes);
    }
}

}  // namespace

#if defined(TRESSEL_FIR_SUMS)
namespace tressel::dsp::kernels {

void TRESSEL_FIR_SUMS(const double* taps, int count, const double* input, std::int64_t stripe, float* sums) {
    ComputeSums(taps, count, input, stripe, sums);
}

}  // namespace tressel::dsp::kernels
#endif
