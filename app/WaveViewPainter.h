#pragma once
// Draws the Wave View: each channel's min/max envelope in its own band with an amplitude axis in
// fractions of full scale, the time axis in seconds below, the state before the last command faintly
// behind the current one, and the play position. One pyramid query per pixel column and channel, so a
// picture costs the same at every zoom.

#include <QColor>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QSize>
#include <optional>

#include "app/WaveViewport.h"
#include "audio/MinMaxPyramid.h"

namespace tressel {

struct WaveViewColours {
    QColor background;
    QColor ink;
    QColor grid;
    QColor wave;
    QColor beforeWave;
    QColor playPosition;

    static WaveViewColours FromPalette(const QPalette& palette);
};

// What one picture shows. The pyramids may be null (nothing loaded, nothing before).
struct WaveViewScene {
    const MinMaxPyramid* current = nullptr;
    const MinMaxPyramid* before = nullptr;
    const WaveViewport* viewport = nullptr;
    std::optional<double> playFrame;
};

class WaveViewPainter {
public:
    static constexpr int kLeftMargin = 46;
    static constexpr int kRightMargin = 10;
    static constexpr int kTopMargin = 8;
    static constexpr int kBottomMargin = 24;
    static constexpr int kBandGap = 10;
    static constexpr int kLabelPixels = 11;

    explicit WaveViewPainter(WaveViewColours colours) : m_colours(colours) {}

    // Where the envelopes go in a window of `size`; the viewport's width is this area's width.
    static QRect PlotArea(QSize size);
    // The band of channel `channel` out of `channels` inside the plot area.
    static QRect Band(const QRect& plot, int channel, int channels);

    void Paint(QPainter& painter, QSize size, const WaveViewScene& scene) const;

private:
    void PaintBand(QPainter& painter, const QRect& band, int channel, const WaveViewScene& scene) const;
    void PaintEnvelopes(QPainter& painter, const QRect& band, int channel, const WaveViewScene& scene) const;
    void PaintSamples(QPainter& painter, const QRect& band, int channel, const MinMaxPyramid& pyramid,
                      const WaveViewport& viewport, const QColor& colour) const;
    void PaintAmplitudeAxis(QPainter& painter, const QRect& band) const;
    void PaintTimeAxis(QPainter& painter, const QRect& plot, const WaveViewScene& scene) const;
    void PaintPlayPosition(QPainter& painter, const QRect& plot, const WaveViewScene& scene) const;

    WaveViewColours m_colours;
};

// The step between time labels for `secondsPerPixel`: 1, 2 or 5 times a power of ten, at least
// `minimumPixels` apart.
double TimeLabelStep(double secondsPerPixel, int minimumPixels);
// "1.5 s" with as many decimals as the step needs.
QString TimeLabel(double seconds, double step);

}  // namespace tressel
