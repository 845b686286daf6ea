#pragma once
// How the outputs of one channel pass are shared out between threads. The threads take chunks in order,
// each as soon as it is free; the chunks shrink towards the end of the pass, so a thread that other work
// on the machine held up costs the others at most about one block at the finish.

#include <cstdint>
#include <vector>

namespace tressel::dsp {

// Chunk starts over [first, end), followed by `end` itself: chunk c covers [starts[c], starts[c + 1]).
// One thread gets the whole range as one chunk; for several, each chunk is a falling share of the outputs
// not yet given out, in whole blocks of `blockOutputs`, at least one block. A `maximumChunk` above 0 caps
// every chunk (rounded up to whole blocks), for one thread too.
std::vector<std::int64_t> PlanFirChunks(std::int64_t first, std::int64_t end, std::int64_t blockOutputs,
                                        int threads, std::int64_t maximumChunk = 0);

}  // namespace tressel::dsp
