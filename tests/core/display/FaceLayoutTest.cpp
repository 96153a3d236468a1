#include <gtest/gtest.h>

#include <algorithm>

#include "display/FaceLayout.h"

namespace {

constexpr int kW = 228;
constexpr int kH = 169;
constexpr int kMainLine = 36;
constexpr int kSmallLine = 17;

FaceMetrics Metrics() {
    FaceMetrics m;
    m.width = kW;
    m.height = kH;
    m.mainLine = kMainLine;
    m.smallLine = kSmallLine;
    m.textWidth = [](FaceFont font, const std::string& text) {
        const int perChar = font == FaceFont::Main ? 20 : font == FaceFont::Small ? 6 : 5;
        return perChar * static_cast<int>(text.size());
    };
    return m;
}

std::tm Afternoon() {
    std::tm t{};
    t.tm_hour = 13;
    t.tm_min = 5;
    t.tm_mday = 7;
    t.tm_mon = 2;
    t.tm_year = 126;
    return t;
}

FacePlan Layout(FaceNumber face, const MeterReading& r) {
    return LayoutLcd(face, r, Metrics(), Afternoon());
}

const FaceOp* FindText(const FacePlan& plan, const std::string& text) {
    const auto it = std::find_if(plan.begin(), plan.end(), [&](const FaceOp& op) {
        return op.kind == FaceOp::Kind::Text && op.text == text;
    });
    return it == plan.end() ? nullptr : &*it;
}

const FaceOp* FindPicture(const FacePlan& plan, FacePicture picture) {
    const auto it = std::find_if(plan.begin(), plan.end(), [&](const FaceOp& op) {
        return op.kind == FaceOp::Kind::Picture && op.picture == picture;
    });
    return it == plan.end() ? nullptr : &*it;
}

int Row(int k) {
    return kH / 2 + k * kSmallLine;
}

MeterReading Volts() {
    MeterReading r;
    r.function = "VDC";
    r.unit = "VDC";
    r.value = 1.5f;
    r.limit = 5.0f;
    r.decimals = 3;
    r.autoRange = true;
    r.hold = true;
    return r;
}

}  // namespace

TEST(FaceLayout, CommonFramePlacesTextClockDateAndPictures) {
    const FacePlan plan = Layout(FaceNumber::Standard, Volts());
    ASSERT_FALSE(plan.empty());
    // Main text first, centred, one main line above the middle.
    EXPECT_EQ(plan.front().text, "1.500");
    EXPECT_EQ(plan.front().font, FaceFont::Main);
    EXPECT_EQ(plan.front().x, kW / 2 - 100 / 2);
    EXPECT_EQ(plan.front().y, kH / 2 - kMainLine);

    // Clock and date boxes: dark box first, white text on it.
    const FaceOp* clock = FindText(plan, "01:05pm");
    ASSERT_NE(clock, nullptr);
    EXPECT_TRUE(clock->white);
    EXPECT_EQ(clock->x, 10);
    const FaceOp& clockBox = *(clock - 1);
    EXPECT_EQ(clockBox.kind, FaceOp::Kind::FilledRect);
    EXPECT_EQ(clockBox.width, 42);
    EXPECT_EQ(clockBox.height, kSmallLine);
    const FaceOp* date = FindText(plan, "07/03/26");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->x, kW - 48 - 10);

    const FaceOp* unit = FindPicture(plan, FacePicture::Unit);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->unitRow, 0);
    EXPECT_EQ(unit->x, kW - 57 - 5);
    EXPECT_EQ(unit->y, kSmallLine + 3);
    EXPECT_EQ(FindPicture(plan, FacePicture::Hold)->x, kW / 2);
    EXPECT_EQ(FindPicture(plan, FacePicture::AutoRange)->x, 5);
    EXPECT_EQ(FindPicture(plan, FacePicture::MinMax), nullptr);

    // Combined units are wider, so they start further left.
    MeterReading combined = Volts();
    combined.unit = "Vdc+ac";
    EXPECT_EQ(FindPicture(Layout(FaceNumber::DcAc, combined), FacePicture::Unit)->x, kW - 64 - 5);
    // Hold moves right on faces 4 to 7; manual range is always at 5.
    combined.autoRange = false;
    const FacePlan dcac = Layout(FaceNumber::DcAc, combined);
    EXPECT_EQ(FindPicture(dcac, FacePicture::Hold)->x, kW / 2 + 10);
    EXPECT_EQ(FindPicture(dcac, FacePicture::ManualRange)->x, 5);
    EXPECT_EQ(FindPicture(dcac, FacePicture::AutoRange), nullptr);
}

TEST(FaceLayout, ModePicturesAndRangePositionPerFace) {
    MeterReading r = Volts();
    const int modeX = kW / 2 - 23;
    const FacePlan minMax = Layout(FaceNumber::MinMax, r);
    EXPECT_EQ(FindPicture(minMax, FacePicture::MinMax)->x, modeX);
    EXPECT_EQ(FindPicture(minMax, FacePicture::AutoRange)->x, 0);
    EXPECT_EQ(FindPicture(Layout(FaceNumber::Relative, r), FacePicture::Rel)->x, modeX);
    EXPECT_EQ(FindPicture(Layout(FaceNumber::Peak, r), FacePicture::Peak)->x, modeX);
    r.firstModeFlag = true;
    EXPECT_EQ(FindPicture(Layout(FaceNumber::Peak, r), FacePicture::Peak), nullptr);
    r.autoRange = false;
    EXPECT_EQ(FindPicture(Layout(FaceNumber::MinMax, r), FacePicture::ManualRange)->x, 5);
    r.hold = false;
    EXPECT_EQ(FindPicture(Layout(FaceNumber::MinMax, r), FacePicture::Hold), nullptr);
}

TEST(FaceLayout, OnlyReadingFacesDrawAndDisconnectedShowsItsPicture) {
    const MeterReading r = Volts();
    for (const int face : {0, 8, 10, -2, 100}) {
        EXPECT_TRUE(Layout(static_cast<FaceNumber>(face), r).empty()) << face;
    }
    const FacePlan gone = Layout(FaceNumber::Disconnected, r);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].picture, FacePicture::Disconnected);
    EXPECT_EQ(gone[0].x, kW / 2 - 95);
    EXPECT_EQ(gone[0].y, kH / 2 - 40);
}

TEST(FaceLayout, StatisticsTablesOrderRowsAndMarkOverloads) {
    MeterReading r = Volts();
    r.minValue = -9.0f;  // signed test: far below zero still prints
    r.minDecimals = 1;
    r.avgValue = 1.0f;
    r.avgDecimals = 2;
    r.maxValue = 9.0f;
    r.maxDecimals = 3;
    r.maxUnit = "VDC";
    r.maxTime = "00:01:02";
    r.startText = "07/12/26 09:05:09 pm";

    const FacePlan minMax = Layout(FaceNumber::MinMax, r);
    EXPECT_EQ(FindText(minMax, "Mininum")->y, Row(0));
    EXPECT_EQ(FindText(minMax, "-9.0")->y, Row(0));
    EXPECT_EQ(FindText(minMax, "-9.0")->x, 80);
    EXPECT_EQ(FindText(minMax, "Average")->y, Row(1));
    EXPECT_EQ(FindText(minMax, "1.00")->y, Row(1));
    EXPECT_EQ(FindText(minMax, "Maxinum")->y, Row(2));
    EXPECT_EQ(FindText(minMax, "OL")->y, Row(2));
    EXPECT_EQ(FindText(minMax, "00:01:02")->x, 165);
    EXPECT_EQ(FindText(minMax, "Start:")->x, 60);
    EXPECT_EQ(FindText(minMax, "07/12/26 09:05:09 pm")->x, 100);
    EXPECT_EQ(FindText(minMax, "07/12/26 09:05:09 pm")->y, Row(3));

    const FacePlan peak = Layout(FaceNumber::Peak, r);
    EXPECT_EQ(FindText(peak, "PeakMax")->y, Row(0));
    EXPECT_EQ(FindText(peak, "OL")->y, Row(0));
    EXPECT_EQ(FindText(peak, "PeakMin")->y, Row(2));
    EXPECT_EQ(FindText(peak, "-9.0")->y, Row(2));
    EXPECT_EQ(FindText(peak, "Crest Factor"), nullptr);
}

TEST(FaceLayout, LowerAreasOfRelativePeakDcAcDualAndFrequencyFaces) {
    MeterReading r = Volts();
    r.reference = 7.0f;
    r.unit = "℃";
    const FacePlan rel = Layout(FaceNumber::Relative, r);
    EXPECT_EQ(FindText(rel, "Reference")->x, 30);
    EXPECT_EQ(FindText(rel, "OL")->y, Row(1));  // reference beyond the limit
    EXPECT_EQ(FindText(rel, "1.500")->y, Row(2));
    int degrees = 0;
    for (const FaceOp& op : rel) {
        degrees += op.kind == FaceOp::Kind::Picture && op.picture == FacePicture::DegC;
    }
    EXPECT_EQ(degrees, 2);
    r.unit = "VDC";
    EXPECT_EQ(FindText(Layout(FaceNumber::Relative, r), "VDC")->x, 180);
    // Set B has a scale for VDC at 3 decimals: the bar graph follows the rows.
    EXPECT_NE(FindText(Layout(FaceNumber::Relative, r), "-50"), nullptr);

    r.firstModeFlag = true;
    r.value = 0.0f;
    const FacePlan crest = Layout(FaceNumber::Peak, r);
    EXPECT_EQ(FindText(crest, "---")->x, 100);
    EXPECT_EQ(FindText(crest, "---")->y, Row(1));
    EXPECT_EQ(FindText(crest, "Crest Factor")->x, 150);

    MeterReading dcac = Volts();
    dcac.secondValue = 0.25f;
    dcac.secondUnit = "VAC";
    EXPECT_EQ(FindText(Layout(FaceNumber::DcAc, dcac), "VAC"), nullptr);
    dcac.acdcMode = 3;
    const FacePlan mode3 = Layout(FaceNumber::DcAc, dcac);
    EXPECT_EQ(FindText(mode3, "0.250")->y, Row(2));
    EXPECT_EQ(FindText(mode3, "VAC")->x, 180);

    MeterReading dual = Volts();
    dual.auxValue = 49.987f;
    dual.auxText = "Hz  ";
    const FacePlan aux = Layout(FaceNumber::Dual, dual);
    EXPECT_EQ(FindText(aux, "49.99")->x, 100);
    EXPECT_EQ(FindText(aux, "Hz  ")->x, 180);

    MeterReading freq;
    freq.unit = "HZ";
    freq.firstModeFlag = true;
    const FacePlan zero = Layout(FaceNumber::Frequency, freq);
    EXPECT_EQ(zero.front().text, "0.0000");
    EXPECT_EQ(FindText(zero, "OL")->y, Row(2));
    EXPECT_EQ(FindText(zero, "ms")->x, 180);
}
