#pragma once
// Four doubles processed element by element: each lane keeps its own sum in its own order, so results
// equal the scalar arithmetic exactly. The helpers have internal linkage and are always inlined, so the
// calling convention of 32-byte vectors in a build without AVX never meets another translation unit.

#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace mp3dec {
namespace {

typedef double Lanes __attribute__((vector_size(32)));
typedef long long LaneMask __attribute__((vector_size(32)));  // all bits set in a lane where a comparison held
typedef int LaneInts __attribute__((vector_size(16)));        // four 32-bit integers beside the four lanes

inline __attribute__((always_inline)) Lanes load_lanes(const double* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline __attribute__((always_inline)) void store_lanes(double* p, Lanes v) {
    std::memcpy(p, &v, sizeof v);
}

inline __attribute__((always_inline)) LaneInts load_ints(const void* p) {
    LaneInts v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline __attribute__((always_inline)) Lanes reversed_lanes(Lanes v) {
    return __builtin_shufflevector(v, v, 3, 2, 1, 0);
}

}  // namespace
}  // namespace mp3dec

#pragma GCC diagnostic pop
