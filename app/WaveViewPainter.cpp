#include "app/WaveViewPainter.h"

#include <QFont>
#include <QImage>
#include <QFontMetrics>
#include <QPen>
#include <QPointF>
#include <QVector>
#include <algorithm>
#include <cmath>

namespace tressel {

namespace {

QColor Mix(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

QFont LabelFont() {
    QFont font;
    font.setPixelSize(WaveViewPainter::kLabelPixels);
    return font;
}

// The y of a sample value inside a band, full scale reaching its edges.
int YOf(const QRect& band, double value, double fullScale) {
    const double half = band.height() / 2.0;
    const double centre = band.top() + half;
    return static_cast<int>(std::lround(centre - std::clamp(value / fullScale, -1.0, 1.0) * (half - 1)));
}

}  // namespace

WaveViewColours WaveViewColours::FromPalette(const QPalette& palette) {
    const QColor background = palette.color(QPalette::Base);
    const QColor ink = palette.color(QPalette::Text);
    return {background, ink, Mix(background, ink, 0.18), QColor(0, 85, 212), QColor(240, 160, 80),
            QColor(220, 30, 30)};
}

double TimeLabelStep(double secondsPerPixel, int minimumPixels) {
    const double wanted = std::max(secondsPerPixel * minimumPixels, 1e-9);
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (;;) {
        for (const double multiple : {1.0, 2.0, 5.0}) {
            if (multiple * power >= wanted) {
                return multiple * power;
            }
        }
        power *= 10.0;
    }
}

QString TimeLabel(double seconds, double step) {
    const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    if (std::fabs(seconds) < step / 2) {
        seconds = 0.0;  // no "-0.0"
    }
    return QString::asprintf("%.*f s", decimals, seconds);
}

QRect WaveViewPainter::PlotArea(QSize size) {
    return QRect(kLeftMargin, kTopMargin, std::max(size.width() - kLeftMargin - kRightMargin, 1),
                 std::max(size.height() - kTopMargin - kBottomMargin, 1));
}

QRect WaveViewPainter::Band(const QRect& plot, int channel, int channels) {
    const int height = (plot.height() - (channels - 1) * kBandGap) / std::max(channels, 1);
    return QRect(plot.left(), plot.top() + channel * (height + kBandGap), plot.width(), std::max(height, 1));
}

void WaveViewPainter::Paint(QPainter& painter, QSize size, const WaveViewScene& scene) const {
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), size), m_colours.background);
    painter.setFont(LabelFont());
    const QRect plot = PlotArea(size);
    if (!scene.current || !scene.viewport || scene.current->Samples().Frames() == 0) {
        painter.setPen(m_colours.ink);
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, QStringLiteral("No wave loaded"));
        painter.restore();
        return;
    }
    const int channels = scene.current->Samples().Channels();
    for (int c = 0; c < channels; ++c) {
        PaintBand(painter, Band(plot, c, channels), c, scene);
    }
    PaintTimeAxis(painter, plot, scene);
    PaintPlayPosition(painter, plot, scene);
    painter.restore();
}

void WaveViewPainter::PaintBand(QPainter& painter, const QRect& band, int channel, const WaveViewScene& scene) const {
    PaintAmplitudeAxis(painter, band);
    painter.save();
    painter.setClipRect(band);
    if (scene.viewport->FramesPerPixel() >= 1.0) {
        PaintEnvelopes(painter, band, channel, scene);
    } else {
        if (scene.before && channel < scene.before->Samples().Channels()) {
            PaintSamples(painter, band, channel, *scene.before, *scene.viewport, m_colours.beforeWave);
        }
        PaintSamples(painter, band, channel, *scene.current, *scene.viewport, m_colours.wave);
    }
    painter.restore();
    painter.setPen(m_colours.ink);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(band.adjusted(0, 0, -1, -1));
}

// The envelopes are written straight into an image of the band, a column at a time, and put on the
// screen in one piece: QPainter fills a one pixel wide column a pixel row at a time, which costs several
// times more for the tall columns of a zoomed-out picture. The current state is written over the one
// before.
void WaveViewPainter::PaintEnvelopes(QPainter& painter, const QRect& band, int channel,
                                     const WaveViewScene& scene) const {
    const WaveViewport& viewport = *scene.viewport;
    const int columns = std::min(band.width(), viewport.Width());
    QImage layer(columns, band.height(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    uchar* const bits = layer.bits();
    const qsizetype stride = layer.bytesPerLine();
    const QRect local(0, 0, columns, band.height());
    const auto write = [&](const MinMaxPyramid* pyramid, const QColor& colour) {
        if (!pyramid || channel >= pyramid->Samples().Channels()) {
            return;
        }
        const QRgb pixel = colour.rgb();  // opaque, so the same premultiplied
        const auto extents = pyramid->Columns(channel, viewport.FirstFrame(), viewport.FramesPerPixel(), columns);
        const double fullScale = pyramid->Samples().FullScale();
        for (int x = 0; x < columns; ++x) {
            const SampleExtent extent = extents[static_cast<std::size_t>(x)];
            if (extent.Empty()) {
                continue;
            }
            const int top = std::max(YOf(local, extent.high, fullScale), 0);
            const int bottom = std::min(YOf(local, extent.low, fullScale), local.height() - 1);
            for (int y = top; y <= bottom; ++y) {
                reinterpret_cast<QRgb*>(bits + y * stride)[x] = pixel;
            }
        }
    };
    write(scene.before, m_colours.beforeWave);
    write(scene.current, m_colours.wave);
    painter.drawImage(band.topLeft(), layer);
}

// Zoomed in past one frame per column: the samples themselves, joined, each marked where it is wide enough.
void WaveViewPainter::PaintSamples(QPainter& painter, const QRect& band, int channel, const MinMaxPyramid& pyramid,
                                   const WaveViewport& viewport, const QColor& colour) const {
    const auto samples = pyramid.Samples().Channel(channel);
    const double fullScale = pyramid.Samples().FullScale();
    const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor(viewport.FirstFrame())));
    const auto last = std::min<std::int64_t>(static_cast<std::int64_t>(samples.size()) - 1,
                                             static_cast<std::int64_t>(std::ceil(viewport.FrameAt(band.width()))));
    QVector<QPointF> points;
    for (std::int64_t f = first; f <= last; ++f) {
        points.append(QPointF(band.left() + viewport.ColumnOf(static_cast<double>(f)),
                              YOf(band, samples[static_cast<std::size_t>(f)], fullScale)));
    }
    painter.setPen(QPen(colour, 0));
    painter.drawPolyline(points.constData(), static_cast<int>(points.size()));
    if (viewport.FramesPerPixel() <= 0.25) {
        for (const QPointF& point : points) {
            painter.drawRect(QRectF(point.x() - 1.5, point.y() - 1.5, 3, 3));
        }
    }
}

void WaveViewPainter::PaintAmplitudeAxis(QPainter& painter, const QRect& band) const {
    const bool roomy = band.height() >= 90;
    const double steps[] = {1.0, 0.5, 0.0, -0.5, -1.0};
    const QFontMetrics metrics(painter.font());
    for (const double level : steps) {
        if (!roomy && std::fabs(level) == 0.5) {
            continue;
        }
        const int y = YOf(band, level, 1.0);
        painter.setPen(QPen(level == 0.0 ? Mix(m_colours.grid, m_colours.ink, 0.35) : m_colours.grid, 0));
        painter.drawLine(band.left(), y, band.right(), y);
        painter.setPen(m_colours.ink);
        painter.drawLine(band.left() - 4, y, band.left() - 1, y);
        const QString text = level == 0.0 ? QStringLiteral("0") : QString::number(level, 'g', 2);
        const int baseline = std::clamp(y + metrics.ascent() / 2 - 1, band.top() + metrics.ascent() - 2,
                                        band.bottom() + 2);
        painter.drawText(band.left() - 7 - metrics.horizontalAdvance(text), baseline, text);
    }
}

void WaveViewPainter::PaintTimeAxis(QPainter& painter, const QRect& plot, const WaveViewScene& scene) const {
    const WaveViewport& viewport = *scene.viewport;
    const double rate = std::max<double>(scene.current->Samples().SampleRate(), 1.0);
    const double secondsPerPixel = viewport.FramesPerPixel() / rate;
    const double step = TimeLabelStep(secondsPerPixel, 90);
    const double start = viewport.FirstFrame() / rate;
    const double end = viewport.FrameAt(plot.width()) / rate;
    const QFontMetrics metrics(painter.font());
    const int baseline = plot.bottom() + 4 + metrics.ascent();
    for (double t = std::ceil(start / step) * step; t <= end; t += step) {
        const int x = plot.left() + static_cast<int>(std::lround((t - start) / secondsPerPixel));
        painter.setPen(m_colours.ink);
        painter.drawLine(x, plot.bottom() + 1, x, plot.bottom() + 3);
        const QString text = TimeLabel(t, step);
        const int width = metrics.horizontalAdvance(text);
        const int left = std::clamp(x - width / 2, plot.left() - kLeftMargin + 2, plot.right() + kRightMargin - width);
        painter.drawText(left, baseline, text);
    }
}

void WaveViewPainter::PaintPlayPosition(QPainter& painter, const QRect& plot, const WaveViewScene& scene) const {
    if (!scene.playFrame) {
        return;
    }
    const double column = scene.viewport->ColumnOf(*scene.playFrame);
    if (column < 0 || column >= plot.width()) {
        return;
    }
    const int x = plot.left() + static_cast<int>(column);
    painter.setPen(QPen(m_colours.playPosition, 0));
    painter.drawLine(x, plot.top(), x, plot.bottom());
}

}  // namespace tressel
