#include "dsp/FirChunkPlan.h"

#include <algorithm>

namespace tressel::dsp {

namespace {

// Each chunk is the outputs still unassigned divided by this many chunks per thread.
constexpr std::int64_t kChunksPerThreadOfWhatIsLeft = 2;

std::int64_t RoundUp(std::int64_t value, std::int64_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

}  // namespace

std::vector<std::int64_t> PlanFirChunks(std::int64_t first, std::int64_t end, std::int64_t blockOutputs,
                                        int threads, std::int64_t maximumChunk) {
    std::vector<std::int64_t> starts{first};
    while (starts.back() < end) {
        const std::int64_t left = end - starts.back();
        std::int64_t share = threads <= 1 ? left : left / (kChunksPerThreadOfWhatIsLeft * threads);
        if (maximumChunk > 0) {
            share = std::min(share, maximumChunk);
        }
        starts.push_back(starts.back() + std::min(left, std::max(blockOutputs, RoundUp(share, blockOutputs))));
    }
    return starts;
}

}  // namespace tressel::dsp
