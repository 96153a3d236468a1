#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>

#include "DisplayTestApp.h"
#include "decode/Clock.h"
#include "display/FaceLayout.h"
#include "display/ui/Artwork.h"
#include "display/ui/LeftDlg.h"
#include "display/ui/Resources.h"

namespace {

const QColor kLcd(128, 140, 128);
const QColor kDark(60, 60, 60);

class LeftDlgTest : public ::testing::Test {
  protected:
    void SetUp() override { DisplayTestApp(); }

    // 13:05 on 7 March 2026.
    FixedClock m_clock{MakeLocalTime(2026, 3, 7, 13, 5, 0)};
};

MeterReading VoltsDc(float value) {
    MeterReading r;
    r.function = "VDC";
    r.unit = "VDC";
    r.value = value;
    r.limit = 5.0f;
    r.decimals = 4;
    r.autoRange = true;
    return r;
}

int CountPixels(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                ++count;
            }
        }
    }
    return count;
}

int CountNot(const QImage& image, const QRect& area, const QColor& colour) {
    return area.width() * area.height() - CountPixels(image, area, colour);
}

// Columns of the bar row (just above the axis) filled with the bar colour.
int BarLength(const QImage& lcd) {
    const int y = lcd.height() / 2 - 3;
    int length = 0;
    for (int x = 0; x < lcd.width(); ++x) {
        if (lcd.pixelColor(x, y) == kDark) {
            ++length;
        }
    }
    return length;
}

// The main text's glyphs: above the bar graph, below the annunciator row.
QRect MainTextArea(const QImage& lcd) {
    return QRect(0, lcd.height() / 2 - 26, lcd.width(), 20);
}

int CountBright(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y).lightness() > 200) {
                ++count;
            }
        }
    }
    return count;
}

}  // namespace

TEST_F(LeftDlgTest, PanelStartsEmptyAndShowsBlankDisconnectedAndReadingFaces) {
    CLeftDlg panel(nullptr, &m_clock);
    EXPECT_EQ(ToNumber(panel.Face()), 0);
    EXPECT_EQ(ToNumber(panel.UnitIcon()), 0);
    EXPECT_EQ(panel.sizeHint(), QSize(300, 703));

    // Nothing yet and a freshly opened port: plain LCD glass only.
    const QImage blank = panel.ComposeLcd();
    EXPECT_EQ(blank.size(), QSize(228, 169));
    EXPECT_EQ(CountNot(blank, blank.rect(), kLcd), 0);
    panel.SetFace(FaceNumber::PortOpened);
    EXPECT_EQ(ToNumber(panel.Face()), 10);
    EXPECT_EQ(CountNot(panel.ComposeLcd(), blank.rect(), kLcd), 0);

    // Disconnected: red lettering in the picture's place, nothing else.
    panel.SetFace(FaceNumber::Disconnected);
    const QImage gone = panel.ComposeLcd();
    const QRect picture(228 / 2 - 95, 169 / 2 - 40, 189, 50);
    int red = 0;
    for (int y = picture.top(); y <= picture.bottom(); ++y) {
        for (int x = picture.left(); x <= picture.right(); ++x) {
            const QColor c = gone.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 90) {
                ++red;
            }
        }
    }
    EXPECT_GT(red, 200);
    EXPECT_EQ(CountNot(gone, QRect(0, 0, 228, picture.top()), kLcd), 0);

    // A reading switches to its face; the dial follows.
    panel.ShowReading(VoltsDc(1.2345f), FaceNumber::Standard, DialPosition::VoltsDc);
    EXPECT_EQ(ToNumber(panel.Face()), 1);
    EXPECT_EQ(ToNumber(panel.UnitIcon()), 6);
    EXPECT_FLOAT_EQ(panel.LastReading().value, 1.2345f);
    EXPECT_GT(CountNot(panel.ComposeLcd(), MainTextArea(blank), kLcd), 100);
}

TEST_F(LeftDlgTest, ClockAndDateBoxesAreDarkWithWhiteText) {
    CLeftDlg panel(nullptr, &m_clock);
    panel.ShowReading(VoltsDc(1.0f), FaceNumber::Standard, DialPosition::VoltsDc);
    const QImage lcd = panel.ComposeLcd();
    // Clock box starts at x = 10, the date box ends 10 pixels from the right.
    EXPECT_EQ(lcd.pixelColor(10, 1), kDark);
    EXPECT_EQ(lcd.pixelColor(9, 1), kLcd);
    EXPECT_EQ(lcd.pixelColor(228 - 11, 1), kDark);
    EXPECT_EQ(lcd.pixelColor(228 - 10, 1), kLcd);
    EXPECT_GT(CountBright(lcd, QRect(10, 0, 50, 16)), 10);

    // The text matches "01:05pm" drawn with the panel's small font.
    CFaceRenderer renderer;
    const int clockWidth = renderer.TextWidth(FaceFont::Small, "01:05pm");
    EXPECT_EQ(lcd.pixelColor(10 + clockWidth - 1, 2), kDark);
    EXPECT_NE(lcd.pixelColor(10 + clockWidth + 1, 2), kDark);

    // A later minute changes the clock box.
    const QImage before = lcd.copy(10, 0, clockWidth, 17);
    m_clock.Advance(60);
    EXPECT_NE(panel.ComposeLcd().copy(10, 0, clockWidth, 17), before);
}

TEST_F(LeftDlgTest, OverloadShowsOlAndBarLengthFollowsValue) {
    CLeftDlg panel(nullptr, &m_clock);
    CFaceRenderer renderer;

    // An overloaded reading prints exactly "OL" in the main font.
    panel.ShowReading(VoltsDc(7.0f), FaceNumber::Standard, DialPosition::VoltsDc);
    const QImage overloaded = panel.ComposeLcd();
    const FaceMetrics m = renderer.Metrics(228, 169);
    FacePlan expected = {FaceOp::Text(114 - renderer.TextWidth(FaceFont::Main, "OL") / 2,
                                      169 / 2 - m.mainLine, FaceFont::Main, "OL")};
    const QImage reference = renderer.Render(expected, 228, 169, CFacePictures());
    const QRect area = MainTextArea(overloaded);
    EXPECT_EQ(overloaded.copy(area), reference.copy(area));

    // Bipolar scale -5..5: the overloaded bar fills the right half (11w/30).
    EXPECT_EQ(BarLength(overloaded), 83);
    // Half scale fills a quarter of the span; a negative value grows leftwards.
    panel.ShowReading(VoltsDc(2.5f), FaceNumber::Standard, DialPosition::VoltsDc);
    EXPECT_EQ(BarLength(panel.ComposeLcd()), 41);
    panel.ShowReading(VoltsDc(-2.5f), FaceNumber::Standard, DialPosition::VoltsDc);
    const QImage negative = panel.ComposeLcd();
    EXPECT_EQ(BarLength(negative), 41);
    EXPECT_EQ(negative.pixelColor(114 - 5, 169 / 2 - 3), kDark);
    EXPECT_NE(negative.pixelColor(114 + 5, 169 / 2 - 3), kDark);

    // No scale for the function: no bar, no axis.
    MeterReading frequency = VoltsDc(2.0f);
    frequency.function = "HZ";
    panel.ShowReading(frequency, FaceNumber::Standard, DialPosition::VoltsDc);
    EXPECT_EQ(BarLength(panel.ComposeLcd()), 0);
}

TEST_F(LeftDlgTest, AnnunciatorsAndUnitPictureSitInTheirPlaces) {
    CLeftDlg panel(nullptr, &m_clock);
    MeterReading r = VoltsDc(1.0f);
    r.hold = true;
    panel.ShowReading(r, FaceNumber::Standard, DialPosition::VoltsDc);
    const QImage held = panel.ComposeLcd();
    const int L = CFaceRenderer().Metrics(228, 169).smallLine;
    // Auto Range at x = 5, Hold at w/2, the unit picture flush right with 5 pixels spare.
    EXPECT_GT(CountNot(held, QRect(5, L + 3, 83, 19), kLcd), 20);
    EXPECT_GT(CountNot(held, QRect(114, L + 3, 43, 16), kLcd), 20);
    EXPECT_GT(CountNot(held, QRect(228 - 62, L + 3, 57, 25), kLcd), 20);
    EXPECT_EQ(CountNot(held, QRect(228 - 5, L + 3, 5, 25), kLcd), 0);

    r.hold = false;
    r.unit = "no such unit";
    panel.ShowReading(r, FaceNumber::Standard, DialPosition::VoltsDc);
    const QImage plain = panel.ComposeLcd();
    EXPECT_EQ(CountNot(plain, QRect(114 + 10, L + 3, 43 - 10, 16), kLcd), 0);
    EXPECT_EQ(CountNot(plain, QRect(228 - 62, L + 3, 57, 25), kLcd), 0);
}

TEST_F(LeftDlgTest, WholePanelShowsMeterDialAndLcd) {
    CLeftDlg panel(nullptr, &m_clock);
    panel.ShowReading(VoltsDc(1.0f), FaceNumber::Standard, DialPosition::VoltsDc);
    const QImage face = panel.ComposeFace();
    EXPECT_EQ(face.size(), QSize(300, 703));
    EXPECT_EQ(face.copy(CLeftDlg::kLcdRect), panel.ComposeLcd());
    // The selector picture differs between positions.
    const QImage dial6 = face.copy(0, 387, 300, 155);
    panel.SetUnitIcon(DialPosition::Off);
    EXPECT_NE(panel.ComposeFace().copy(0, 387, 300, 155), dial6);

    // The widget paints the same picture.
    panel.resize(300, 703);
    QImage painted(300, 703, QImage::Format_RGB32);
    panel.render(&painted);
    EXPECT_EQ(painted.copy(CLeftDlg::kLcdRect), panel.ComposeLcd());
}

// Writes every face as PNG for a person to look at, when asked to:
// VAVIRIR_FACE_PNG_DIR=/tmp ui_display_tests --gtest_filter=*Png*
TEST_F(LeftDlgTest, WritesPngsWhenAsked) {
    const char* dir = std::getenv("VAVIRIR_FACE_PNG_DIR");
    if (dir == nullptr) {
        GTEST_SKIP() << "set VAVIRIR_FACE_PNG_DIR to write the pictures";
    }
    CLeftDlg panel(nullptr, &m_clock);
    MeterReading r = VoltsDc(1.2345f);
    r.hold = true;
    r.maxValue = 2.5f;
    r.minValue = -0.5f;
    r.avgValue = 1.1f;
    r.maxUnit = r.minUnit = r.avgUnit = "VDC";
    r.maxDecimals = r.minDecimals = r.avgDecimals = 4;
    r.maxTime = "00:01:15";
    r.minTime = "00:00:09";
    r.avgTime = "00:02:00";
    r.startText = "07/12/26 09:05:09 pm";
    r.reference = 1.0f;
    r.relative = 0.2345f;
    r.alternateValue = 1.5f;
    r.secondValue = 0.25f;
    r.secondUnit = "VAC";
    r.acdcMode = 3;
    r.auxValue = 50.0f;
    r.auxText = "Hz  ";
    r.duty = 49.5f;
    for (int face = 1; face <= 7; ++face) {
        MeterReading shown = r;
        if (face == 7) {
            shown.unit = "KHZ";
            shown.value = 1.234f;
        }
        panel.ShowReading(shown, static_cast<FaceNumber>(face),
                          face == 7 ? DialPosition::OhmsDiode : DialPosition::VoltsDc);
        panel.ComposeFace().save(QDir(dir).filePath(QStringLiteral("face%1.png").arg(face)));
    }
    panel.SetFace(FaceNumber::PortOpened);
    panel.ComposeFace().save(QDir(dir).filePath("face10.png"));
    panel.SetFace(FaceNumber::Disconnected);
    for (int dial = 0; dial <= 10; ++dial) {
        panel.SetUnitIcon(static_cast<DialPosition>(dial));
        panel.ComposeFace().save(QDir(dir).filePath(QStringLiteral("dial%1.png").arg(dial)));
    }

    // A sheet with every small picture, magnified three times.
    QImage sheet(560, 340, QImage::Format_RGB32);
    sheet.fill(QColor(200, 200, 205));
    QPainter painter(&sheet);
    const int tools[] = {32771, 32772, 32773, 32774, 32775, 32776, 32777, 32778, 32792};
    int x = 4;
    for (const int id : tools) {
        painter.drawPixmap(x, 4, ToolButtonIcon(id).pixmap(32, 32));
        painter.drawPixmap(x, 40, ToolCursor(id).pixmap());
        x += 36;
    }
    x = 4;
    for (const int id : {57601, 57603, 32793, 32787, 32788, 32798, 32800}) {
        painter.drawPixmap(x, 80, ToolbarImage(id, ToolbarImageState::Normal));
        painter.drawPixmap(x, 114, ToolbarImage(id, ToolbarImageState::Hot));
        painter.drawPixmap(x, 148, ToolbarImage(id, ToolbarImageState::Disabled));
        x += 36;
    }
    painter.drawPixmap(300, 80, ApplicationIcon().pixmap(64, 64));
    const CFacePictures pictures;
    for (int row = 0; row < 38; ++row) {
        painter.drawPixmap(4 + (row % 8) * 68, 190 + (row / 8) * 28,
                           pictures.Picture(FacePicture::Unit, row));
    }
    painter.end();
    sheet.scaled(sheet.size() * 2).save(QDir(dir).filePath("artwork.png"));
}
