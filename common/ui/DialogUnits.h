#pragma once

// Dialog units, in which the dialogs' layouts are given: a horizontal unit is
// a quarter of the dialog font's average character width, a vertical unit an
// eighth of its height, so a layout keeps its proportions with any font.

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>

// The dialog font's average character width and its height, in pixels.
struct DialogFontBase {
    int width = 0;
    int height = 0;
};

// The usual 8-point dialog font: a unit is 1.5 pixels wide and 1.625 high.
inline constexpr DialogFontBase kDialogFont8pt{6, 13};

// A rectangle in dialog units as pixels, each number rounded down on its own.
constexpr QRect DialogUnitsToPixels(int x, int y, int width, int height,
                                    DialogFontBase base = kDialogFont8pt) {
    return QRect(x * base.width / 4, y * base.height / 8, width * base.width / 4,
                 height * base.height / 8);
}

// The base of a font: the average width of the 52 letters, rounded, and the
// height of a line.
inline DialogFontBase DialogFontBaseOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(metrics.horizontalAdvance(alphabet) / 26 + 1) / 2, metrics.height()};
}
