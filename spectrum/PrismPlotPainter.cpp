#include "spectrum/PrismPlotPainter.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QFontMetrics>
#include <QPen>
#include <QString>
#include <QSvgGenerator>

namespace {

const QColor kCurveColour(0, 85, 212);
const QColor kBeforeCurveColour(240, 160, 80);

}  // namespace

PrismColours PrismColours::ForExport() {
    return {Qt::white, Qt::black, kCurveColour, kBeforeCurveColour};
}

PrismColours PrismColours::FromPalette(const QPalette& palette) {
    return {palette.color(QPalette::Window), palette.color(QPalette::WindowText), kCurveColour, kBeforeCurveColour};
}

CPrismPlotPainter::CPrismPlotPainter(PrismColours colours) : m_colours(colours) {}

QFont CPrismPlotPainter::LabelFont(int height, int averageWidth) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(std::max(height, 1));
    font.setWeight(QFont::Normal);
    if (averageWidth > 0) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0) {
            const double stretch = std::round(100.0 * averageWidth / natural);
            font.setStretch(static_cast<int>(std::clamp(stretch, 1.0, 4000.0)));
        }
    }
    return font;
}

void CPrismPlotPainter::Paint(QPainter& painter, const tressel::PrismScene& scene) const {
    if (scene.items.empty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPen ink(m_colours.ink, 0);
    const QPen curve(m_colours.curve, 0);
    const QPen before(m_colours.beforeCurve, 0);
    // Labels are set on their own background, so grid lines do not run through the digits.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(m_colours.background);
    const QFont font = LabelFont(scene.layout.fontHeight, scene.layout.fontWidth);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int ascent = metrics.ascent();
    // The curves go on last, the state before the last command under the current one, so no grid line
    // or axis hides them where they run along it.
    const struct {
        tressel::PrismDrawItem::Role role;
        const QPen& pen;
    } passes[] = {{tressel::PrismDrawItem::Frame, ink},
                  {tressel::PrismDrawItem::BeforeCurve, before},
                  {tressel::PrismDrawItem::Curve, curve}};
    for (const auto& pass : passes) {
        painter.setPen(pass.pen);
        for (const tressel::PrismDrawItem& item : scene.items) {
            if (item.role != pass.role) {
                continue;
            }
            if (item.kind == tressel::PrismDrawItem::Line) {
                painter.drawLine(item.line.x1, item.line.y1, item.line.x2, item.line.y2);
            } else {
                const QString text = QString::fromStdString(item.text);
                const int x = item.centred ? item.x - metrics.horizontalAdvance(text) / 2 : item.x;
                painter.drawText(x, item.y + ascent, text);
            }
        }
    }
    painter.restore();
}

QImage CPrismPlotPainter::Render(tressel::CPrismPlot& plot, QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(m_colours.background);
    QPainter painter(&image);
    Paint(painter, plot.BuildScene(size.width(), size.height()));
    painter.end();
    return image;
}

PrismImageFormat ImageFormatForPath(const std::string& path) {
    const QString name = QString::fromStdString(path);
    return name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ? PrismImageFormat::Svg : PrismImageFormat::Png;
}

QByteArray RenderPrismImage(tressel::CPrismPlot& plot, QSize size, PrismImageFormat format) {
    const CPrismPlotPainter painter(PrismColours::ForExport());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == PrismImageFormat::Png) {
        painter.Render(plot, size).save(&buffer, "PNG");
        return bytes;
    }
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("Prism Data"));
    QPainter device(&svg);
    device.fillRect(QRect(QPoint(0, 0), size), PrismColours::ForExport().background);
    painter.Paint(device, plot.BuildScene(size.width(), size.height()));
    device.end();
    return bytes;
}
