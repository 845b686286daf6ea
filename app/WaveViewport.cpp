#include "app/WaveViewport.h"

#include <algorithm>

namespace tressel {

void WaveViewport::Reset(std::int64_t frames, int width) {
    m_frames = std::max<std::int64_t>(frames, 0);
    m_width = std::max(width, 1);
    m_first = 0.0;
    m_framesPerPixel = MaximumFramesPerPixel();
}

void WaveViewport::SetWidth(int width) {
    m_width = std::max(width, 1);
    Clamp();
}

double WaveViewport::MaximumFramesPerPixel() const {
    return std::max(static_cast<double>(m_frames) / m_width, kMinimumFramesPerPixel);
}

void WaveViewport::Clamp() {
    m_framesPerPixel = std::clamp(m_framesPerPixel, kMinimumFramesPerPixel, MaximumFramesPerPixel());
    const double lastStart = std::max(0.0, static_cast<double>(m_frames) - m_framesPerPixel * m_width);
    m_first = std::clamp(m_first, 0.0, lastStart);
}

void WaveViewport::ZoomAt(double anchor, double factor) {
    if (!(factor > 0)) {
        return;
    }
    const double anchored = FrameAt(anchor);
    m_framesPerPixel = std::clamp(m_framesPerPixel / factor, kMinimumFramesPerPixel, MaximumFramesPerPixel());
    m_first = anchored - anchor * m_framesPerPixel;
    Clamp();
}

void WaveViewport::ScrollByPixels(double pixels) {
    m_first += pixels * m_framesPerPixel;
    Clamp();
}

void WaveViewport::ShowStart() {
    m_first = 0.0;
    Clamp();
}

void WaveViewport::ShowEnd() {
    m_first = static_cast<double>(m_frames);
    Clamp();
}

void WaveViewport::Follow(double frame) {
    const double shown = m_framesPerPixel * m_width;
    if (frame < m_first || frame >= m_first + shown) {
        m_first = frame;
        Clamp();
    }
}

}  // namespace tressel
