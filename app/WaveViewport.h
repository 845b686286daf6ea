#pragma once
// Which stretch of the wave the Wave View shows: the frame at its left edge and how many frames one pixel
// column stands for. Zooming keeps the frame under a chosen column in place; scrolling never leaves the
// wave, and zooming out stops where the whole wave fits.

#include <cstdint>

namespace tressel {

class WaveViewport {
public:
    // Zoomed in this far a sample is this many pixels wide.
    static constexpr double kMinimumFramesPerPixel = 1.0 / 16.0;

    // A new wave of `frames` frames shown whole in `width` columns.
    void Reset(std::int64_t frames, int width);
    // The plot area changed width: the left edge stays, the zoom is kept within its limits.
    void SetWidth(int width);

    // Zooms by `factor` (above 1 zooms in), keeping the frame under column `anchor` where it is.
    void ZoomAt(double anchor, double factor);
    void ScrollByPixels(double pixels);
    void ShowStart();
    void ShowEnd();
    // Brings `frame` into view, a page at a time, when it is outside it.
    void Follow(double frame);

    double FirstFrame() const { return m_first; }
    double FramesPerPixel() const { return m_framesPerPixel; }
    int Width() const { return m_width; }
    std::int64_t Frames() const { return m_frames; }
    // The frame at column x and the column of frame f (fractions both).
    double FrameAt(double x) const { return m_first + x * m_framesPerPixel; }
    double ColumnOf(double frame) const { return (frame - m_first) / m_framesPerPixel; }

private:
    double MaximumFramesPerPixel() const;
    void Clamp();

    std::int64_t m_frames = 0;
    int m_width = 1;
    double m_first = 0.0;
    double m_framesPerPixel = 1.0;
};

}  // namespace tressel
