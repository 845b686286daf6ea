#include "cli/TerminalFrameCount.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace tressel::cli {

namespace {

// A terminal redrawn for every frame slows the decode by a quarter; a person reads no faster than this.
constexpr auto kRedrawInterval = std::chrono::milliseconds(40);

class FrameCount {
public:
    void Expect(std::uint32_t frames) { m_expected = frames; }

    // The line goes at the end, as the other commands' progress does: each report comes before its frame,
    // so the last one would stay short of 100 %. The last count is drawn first, for a terminal that is
    // being recorded.
    void Report(int frames) {
        const auto now = std::chrono::steady_clock::now();
        if (frames >= 0) {
            m_pending = frames;
            if (now - m_drawn >= kRedrawInterval) {
                Draw();
                m_drawn = now;
            }
            return;
        }
        if (m_pending >= 0) {
            Draw();
        }
        std::fputs("\r\033[K", stderr);
    }

private:
    void Draw() {
        if (m_expected == 0) {
            std::fprintf(stderr, "\rFrames Decoded: %i", m_pending);
        } else {
            // A decoder that finds more frames than its scan did stays at the end.
            const auto share = std::min<std::uint64_t>(
                100, std::uint64_t{100} * static_cast<std::uint32_t>(m_pending) / m_expected);
            std::fprintf(stderr, "\rFrames Decoded: %i of %u, %u %%", m_pending, m_expected,
                         static_cast<unsigned>(share));
        }
        m_pending = -1;
    }

    std::uint32_t m_expected = 0;
    int m_pending = -1;  // the newest count not drawn yet
    std::chrono::steady_clock::time_point m_drawn{};
};

}  // namespace

FrameCountHooks TerminalFrameCount() {
    const auto count = std::make_shared<FrameCount>();
    return {[count](int frames) { count->Report(frames); }, [count](std::uint32_t frames) { count->Expect(frames); }};
}

}  // namespace tressel::cli
