#pragma once
// The machine's peak rate of separate double-precision multiplies and adds: independent chains of each in
// the widest vectors the processor offers, nothing from memory. A multiply-add kernel built without
// contraction (one multiply and one add per product) cannot go faster than this.

namespace tressel::bench {

// The vectors the chains run in: "avx512", "avx2" or "sse2".
const char* PeakVectorName();

// Runs the chains for `rounds` rounds and returns the multiply-add pairs done (multiplies plus adds over 2).
double RunPeakChains(long rounds);

// Multiply-add pairs per second, in billions, of `threads` threads running the chains at once: the best of
// `rounds` short rounds.
double PeakGigaMultiplyAdds(int threads, int rounds = 400);

}  // namespace tressel::bench
