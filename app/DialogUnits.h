#pragma once
// Converts the dialog units of the window templates (an 8-point "MS Sans Serif") to pixels at 96 DPI:
// one unit is 1.5 pixels across and 1.625 pixels down.

#include <QRect>

namespace tressel {

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

}  // namespace tressel
