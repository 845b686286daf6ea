#pragma once
// Converts the dialog units of the window templates (an 8-point "MS Sans Serif") to pixels at 96 DPI:
// one unit is 1.5 pixels across and 1.625 pixels down.

#include <QFont>
#include <QLabel>
#include <QWidget>
#include <QRect>

namespace tressel {

// The face the templates were measured with, or the closest with the same widths: wider faces cut off
// the labels the templates size to their text.
inline QFont DialogFont() {
    QFont font;
    font.setFamilies({"MS Sans Serif", "Liberation Sans", "Arial", "Helvetica"});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

class DialogUnits {
public:
    int Width(int units) const { return (units * 3 + 1) / 2; }
    int Height(int units) const { return (units * 13 + 4) / 8; }
    int X(int units) const { return Width(units); }
    int Y(int units) const { return Height(units); }
    QRect Rect(int x, int y, int width, int height) const {
        return QRect(X(x), Y(y), Width(width), Height(height));
    }
};

// Fixed labels of a template sized for the original face's text: where the face at hand draws a label
// wider than its box, the box grows to the right instead of cutting the text off.
inline void WidenClippedLabels(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        const int needed = label->fontMetrics().horizontalAdvance(label->text()) + 1;
        if (!label->wordWrap() && needed > label->width()) {
            label->resize(needed, label->height());
        }
    }
}

}  // namespace tressel
