#pragma once
// Paints a Prism Data scene with QPainter: one pixel lines, the curves in their own colours, and value
// labels in a serif font sized from the left margin. Used by the window's paint and by the image export.

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QSize>
#include <string>

#include "spectrum/PrismPlot.h"

// The grid and the labels take the ink; the curves stand apart from it, the state before the last
// command lighter than the current one.
struct PrismColours {
    QColor background;
    QColor ink;
    QColor curve;
    QColor beforeCurve;

    // Black on white, whatever the desktop's colours: exported pictures look the same everywhere.
    static PrismColours ForExport();
    // The window's own text and background colours.
    static PrismColours FromPalette(const QPalette& palette);
};

class CPrismPlotPainter {
public:
    explicit CPrismPlotPainter(PrismColours colours);

    // Draws the scene in the painter's device coordinates (the window's client area).
    void Paint(QPainter& painter, const tressel::PrismScene& scene) const;

    // The plot as a window of `size` shows it, on a filled background: for export and tests.
    QImage Render(tressel::CPrismPlot& plot, QSize size) const;

    // "Times New Roman", or the closest serif face, `height` pixels high, stretched so that its average
    // character is about `averageWidth` pixels wide.
    static QFont LabelFont(int height, int averageWidth);

private:
    PrismColours m_colours;
};

enum class PrismImageFormat { Png, Svg };

// ".svg" (in any case) asks for SVG, every other name for PNG.
PrismImageFormat ImageFormatForPath(const std::string& path);

// The file bytes of the plot as a window of `size` shows it, in the export colours.
QByteArray RenderPrismImage(tressel::CPrismPlot& plot, QSize size, PrismImageFormat format);
