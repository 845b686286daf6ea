#include "cli/TerminalFrameCount.h"

#include <algorithm>
#include <cstdio>

namespace tressel::cli {

namespace {

struct FrameCount {
    std::uint32_t expected = 0;

    // The line goes at the end, as the other commands' progress does: each report comes before its frame,
    // so the last one would stay short of 100 %.
    void Draw(int frames) const {
        if (frames < 0) {
            std::fputs("\r\033[K", stderr);
        } else if (expected == 0) {
            std::fprintf(stderr, "\rFrames Decoded: %i", frames);
        } else {
            // A decoder that finds more frames than its scan did stays at the end.
            const auto share = std::min<std::uint64_t>(100, std::uint64_t{100} * static_cast<std::uint32_t>(frames) / expected);
            std::fprintf(stderr, "\rFrames Decoded: %i of %u, %u %%", frames, expected, static_cast<unsigned>(share));
        }
    }
};

}  // namespace

FrameCountHooks TerminalFrameCount() {
    const auto count = std::make_shared<FrameCount>();
    return {[count](int frames) { count->Draw(frames); }, [count](std::uint32_t frames) { count->expected = frames; }};
}

}  // namespace tressel::cli
