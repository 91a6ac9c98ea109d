// Qt: turns dialog units into pixels from the metrics of the dialog font, as Windows does.
#pragma once

#include <QFont>
#include <QRect>

struct DialogUnits {
    int baseX;  // average character width of the dialog font
    int baseY;  // height of the dialog font

    int x(int units) const { return (units * baseX + 2) / 4; }
    int y(int units) const { return (units * baseY + 4) / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }
};

// The dialog font: the desktop's sans-serif face at 8 points.
QFont dialogFont(const char* family, int pointSize);
DialogUnits dialogUnitsFor(const QFont& font);
