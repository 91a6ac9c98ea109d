// Qt: dialog units from the dialog font's metrics.
#include "app/qt/dialog_units.h"

#include <QFontMetrics>

QFont dialogFont(const char* /*family*/, int pointSize) {
    // The templates ask for a Windows face; on Linux the desktop's sans-serif face stands in.
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setPointSize(pointSize);
    return font;
}

DialogUnits dialogUnitsFor(const QFont& font) {
    const QFontMetrics metrics(font);
    // Windows averages the 52 letters, rounding up.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int width = metrics.horizontalAdvance(letters);
    DialogUnits units{};
    units.baseX = (width / 26 + 1) / 2;
    units.baseY = metrics.height();
    if (units.baseX <= 0) {
        units.baseX = 6;
    }
    if (units.baseY <= 0) {
        units.baseY = 13;
    }
    return units;
}
