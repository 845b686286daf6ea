#pragma once
// Work over a long run of independent items, shared out between threads.

#include <cstdint>
#include <functional>

namespace tressel {

// Runs body(begin, end) over [0, count) cut into pieces whose starts are multiples of `alignment`, on up
// to `threads` threads (0: every core). The pieces are disjoint, so a body that writes only its own part
// gives the same result however many threads run. Short runs stay on the calling thread.
void ForEachAlignedPiece(std::int64_t count, std::int64_t alignment, int threads,
                         const std::function<void(std::int64_t, std::int64_t)>& body);

}  // namespace tressel
