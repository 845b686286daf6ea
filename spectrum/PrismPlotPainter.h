#pragma once
// Paints a Prism Data scene with QPainter: one pixel lines and value labels in a serif font sized from
// the left margin. Used by the window's paint and by the PNG export, which renders into an image.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSize>

#include "spectrum/PrismPlot.h"

class CPrismPlotPainter {
public:
    CPrismPlotPainter(QColor foreground, QColor background);

    // Draws the scene in the painter's device coordinates (the window's client area).
    void Paint(QPainter& painter, const tressel::PrismScene& scene) const;

    // The plot as a window of `size` shows it, on a filled background: for export and tests.
    QImage Render(tressel::CPrismPlot& plot, QSize size) const;

    // "Times New Roman", or the closest serif face, `height` pixels high, stretched so that its average
    // character is about `averageWidth` pixels wide.
    static QFont LabelFont(int height, int averageWidth);

private:
    QColor m_foreground;
    QColor m_background;
};
