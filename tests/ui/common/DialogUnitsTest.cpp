// Dialog units to pixels: the dialogs' templates keep their sizes, every number
// is rounded down on its own, and the base follows the font.
#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

#include "common/ui/DialogUnits.h"

namespace {

TEST(DialogUnits, TemplatesKeepTheirPixelSizes) {
    const struct {
        QRect units;
        DialogFontBase base;
        QRect pixels;
    } cases[] = {
        {{0, 0, 158, 70}, kDialogFont8pt, {0, 0, 237, 113}},            // the Show tool's panel
        {{0, 0, 286, 194}, kDialogFont8pt, {0, 0, 429, 315}},           // the graph
        {{0, 0, 306, 284}, kDialogFont8pt, {0, 0, 459, 461}},           // the Setting dialog
        {{6, 17, 26, 11}, kDialogFont8pt, {9, 27, 39, 17}},             // each number on its own
        {{1, 1, 3, 5}, kDialogFont8pt, {1, 1, 4, 8}},                   // rounded down
        {{19, 7, 491, 71}, DialogFontBase{7, 15}, {33, 13, 859, 133}},  // another font
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DialogUnitsToPixels(c.units.x(), c.units.y(), c.units.width(), c.units.height(),
                                      c.base),
                  c.pixels)
            << c.units.x() << "," << c.units.y() << " " << c.units.width() << "x"
            << c.units.height();
    }
    static_assert(DialogUnitsToPixels(4, 8, 4, 8, DialogFontBase{5, 11}) == QRect(5, 11, 5, 11));
}

TEST(DialogUnits, TheBaseGrowsWithTheFont) {
    static int argc = 1;
    static char name[] = "ui_common_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    QFont small = QApplication::font();
    small.setPointSize(8);
    QFont large = small;
    large.setPointSize(16);
    const DialogFontBase smallBase = DialogFontBaseOf(small);
    const DialogFontBase largeBase = DialogFontBaseOf(large);
    EXPECT_GT(smallBase.width, 0);
    EXPECT_GT(largeBase.width, smallBase.width);
    EXPECT_GT(largeBase.height, smallBase.height);
}

}  // namespace
