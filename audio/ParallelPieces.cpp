#include "audio/ParallelPieces.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace tressel {

namespace {

// Below this many items a second thread costs more than it saves.
constexpr std::int64_t kItemsWorthAThread = std::int64_t{1} << 20;
constexpr int kMaximumThreads = 64;

int ThreadsFor(std::int64_t count, int threads) {
    if (threads <= 0) {
        const unsigned cores = std::thread::hardware_concurrency();
        threads = cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaximumThreads));
    }
    const std::int64_t worth = std::max<std::int64_t>(1, count / kItemsWorthAThread);
    return static_cast<int>(std::min<std::int64_t>(threads, worth));
}

}  // namespace

void ForEachAlignedPiece(std::int64_t count, std::int64_t alignment, int threads,
                         const std::function<void(std::int64_t, std::int64_t)>& body) {
    if (count <= 0) {
        return;
    }
    alignment = std::max<std::int64_t>(alignment, 1);
    const int pieces = ThreadsFor(count, threads);
    const std::int64_t units = (count + alignment - 1) / alignment;
    const std::int64_t unitsPerPiece = (units + pieces - 1) / pieces;
    std::vector<std::thread> helpers;
    for (int p = 1; p < pieces; ++p) {
        const std::int64_t begin = std::min(count, p * unitsPerPiece * alignment);
        const std::int64_t end = std::min(count, (p + 1) * unitsPerPiece * alignment);
        if (begin >= end) {
            break;
        }
        try {
            helpers.emplace_back(body, begin, end);
        } catch (const std::system_error&) {
            body(begin, end);  // no thread to be had: the calling thread does this piece too
        }
    }
    body(0, std::min(count, unitsPerPiece * alignment));
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

}  // namespace tressel
