#include "spectrum/PrismPlotPainter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QPen>
#include <QString>

CPrismPlotPainter::CPrismPlotPainter(QColor foreground, QColor background)
    : m_foreground(foreground), m_background(background) {}

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
    painter.setPen(QPen(m_foreground, 0));
    // Labels are set on their own background, so grid lines do not run through the digits.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(m_background);
    const QFont font = LabelFont(scene.layout.fontHeight, scene.layout.fontWidth);
    painter.setFont(font);
    const int ascent = QFontMetrics(font).ascent();
    for (const tressel::PrismDrawItem& item : scene.items) {
        if (item.kind == tressel::PrismDrawItem::Line) {
            painter.drawLine(item.line.x1, item.line.y1, item.line.x2, item.line.y2);
        } else {
            painter.drawText(item.x, item.y + ascent, QString::fromStdString(item.text));
        }
    }
    painter.restore();
}

QImage CPrismPlotPainter::Render(tressel::CPrismPlot& plot, QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(m_background);
    QPainter painter(&image);
    Paint(painter, plot.BuildScene(size.width(), size.height()));
    painter.end();
    return image;
}
