#pragma once
// The progress window of an MP3 import. The decoder counts the frames it has decoded; how many there are
// is known only once its scan of the file is through, so the bar only says that something runs until then
// and shows the share done from there on.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "app/BackgroundCommand.h"

namespace tressel {

// Everything here is called on the command's thread, from the import's hooks.
class ImportProgress {
public:
    explicit ImportProgress(BackgroundCommand& background) : m_background(background) {}

    void Open() { m_indicator = m_background.OpenIndicator(); }
    void Expect(std::uint32_t frames) {
        m_expected = static_cast<int>(std::min<std::uint32_t>(frames, INT_MAX));
        if (m_indicator && m_expected > 0) {
            m_indicator->SetRange(0, m_expected);
            Decoded(m_decoded);
        }
    }
    // A count past the scan's (a decoder that finds more than the scan did) stays at the end of the bar.
    void Decoded(int frames) {
        if (frames < 0) {
            return;  // the decode's end, which the command's own end shows
        }
        m_decoded = frames;
        if (m_indicator && m_expected > 0) {
            m_indicator->SetPosition(std::min(frames, m_expected));
        }
    }

private:
    BackgroundCommand& m_background;
    std::unique_ptr<ProgressSink> m_indicator;
    int m_expected = 0;
    int m_decoded = 0;
};

}  // namespace tressel
