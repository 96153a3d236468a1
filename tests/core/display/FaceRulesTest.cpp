#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "decode/MeterReading.h"
#include "display/FaceLayout.h"
#include "display/FaceText.h"
#include "display/UnitPictures.h"

namespace {

std::tm At(int hour, int minute, int day = 7, int month = 3, int year = 2026) {
    std::tm t{};
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    return t;
}

MeterReading Reading(float value, float limit, int decimals) {
    MeterReading r;
    r.value = value;
    r.limit = limit;
    r.decimals = decimals;
    return r;
}

}  // namespace

TEST(UnitPictureTable, LookupTakesFirstEqualLabelAndLowPassOnlyWhereAVariantExists) {
    EXPECT_EQ(FindUnitRow("VDC"), 0);
    EXPECT_EQ(FindUnitRow("VAC"), 5);
    EXPECT_EQ(FindUnitRow("V"), kDiodeVoltRow);
    EXPECT_EQ(FindUnitRow("MHZ"), 24);
    EXPECT_EQ(FindUnitRow("KΩ"), 21);
    EXPECT_EQ(FindUnitRow("℃"), 31);
    EXPECT_EQ(FindUnitRow("VD"), 37);
    EXPECT_EQ(FindUnitRow("vdc"), -1);  // case matters
    EXPECT_EQ(FindUnitRow(""), -1);

    EXPECT_EQ(UnitPicture(kPlainVoltRow).label, "V");
    EXPECT_EQ(UnitPicture(8).width, 64);
    EXPECT_EQ(UnitPicture(13).width, 64);
    EXPECT_EQ(UnitPicture(14).width, 57);

    // The four rows with a low-pass twin move on; every other row stays.
    EXPECT_EQ(LowPassRow(5), 6);
    EXPECT_EQ(LowPassRow(24), 25);
    EXPECT_EQ(LowPassRow(26), 27);
    EXPECT_EQ(LowPassRow(28), 29);
    EXPECT_EQ(LowPassRow(0), 0);
    EXPECT_EQ(LowPassRow(kDiodeVoltRow), kDiodeVoltRow);
    EXPECT_EQ(LowPassRow(37), 37);
    EXPECT_EQ(LowPassRow(-1), -1);
}

TEST(UnitPictureTable, FacesApplyLowPassAndPlainVoltRules) {
    MeterReading r;
    r.unit = "VAC";
    r.firstModeFlag = true;
    EXPECT_EQ(UnitRowForFace(FaceNumber::Standard, r), 6);
    EXPECT_EQ(UnitRowForFace(FaceNumber::MinMax, r), 6);
    EXPECT_EQ(UnitRowForFace(FaceNumber::Peak, r), 5);
    r.firstModeFlag = false;
    r.secondModeFlag = true;
    EXPECT_EQ(UnitRowForFace(FaceNumber::Standard, r), 6);
    r.secondModeFlag = false;
    EXPECT_EQ(UnitRowForFace(FaceNumber::Standard, r), 5);

    // "V" is the diode picture everywhere but on the relative face.
    r.unit = "V";
    for (int number = 1; number <= 7; ++number) {
        const auto face = static_cast<FaceNumber>(number);
        EXPECT_EQ(UnitRowForFace(face, r),
                  face == FaceNumber::Relative ? kPlainVoltRow : kDiodeVoltRow)
            << number;
    }
    // The diode position sets the second flag; the picture must stay a V.
    r.secondModeFlag = true;
    EXPECT_EQ(UnitRowForFace(FaceNumber::Standard, r), kDiodeVoltRow);

    // The relative face shows no unit picture in percentage mode.
    r.unit = "VDC";
    r.firstModeFlag = true;
    EXPECT_EQ(UnitRowForFace(FaceNumber::Relative, r), -1);
    r.unit = "nothing";
    r.firstModeFlag = false;
    EXPECT_EQ(UnitRowForFace(FaceNumber::Dual, r), -1);
}

TEST(FaceText, NumbersFollowTheirDecimalsAndStayValidForDamagedCounts) {
    EXPECT_EQ(FormatDecimals(1.23456, 3), "1.235");
    EXPECT_EQ(FormatDecimals(-0.5, 4), "-0.5000");
    EXPECT_EQ(FormatDecimals(12.5, 0), "12");
    EXPECT_EQ(FormatDecimals(1.0, -250), "1");
    EXPECT_EQ(FormatDecimals(1.0, 40), "1.000000000");
    // The largest float is long but complete.
    EXPECT_EQ(FormatDecimals(std::numeric_limits<float>::max(), 1).size(), 41u);
    EXPECT_EQ(NumberOrOverload(true, 2.0, 3), "OL");
    EXPECT_EQ(NumberOrOverload(false, 2.0, 3), "2.000");
}

TEST(FaceText, MainTextsApplyTheirOverloadTests) {
    // Magnitude test on the plain faces.
    EXPECT_EQ(StandardMainText(Reading(4.5f, 5.0f, 4)), "4.5000");
    EXPECT_EQ(StandardMainText(Reading(5.0f, 5.0f, 4)), "5.0000");
    EXPECT_EQ(StandardMainText(Reading(6.0f, 5.0f, 4)), "OL");
    EXPECT_EQ(StandardMainText(Reading(-6.0f, 5.0f, 4)), "OL");

    // DC+AC: signed test outside mode 3, so a large negative value prints.
    MeterReading dcac = Reading(-6.0f, 5.0f, 3);
    EXPECT_EQ(DcAcMainText(dcac), "-6.000");
    dcac.value = 6.0f;
    EXPECT_EQ(DcAcMainText(dcac), "OL");
    dcac.acdcMode = 3;
    dcac.alternateValue = 1.25f;
    EXPECT_EQ(DcAcMainText(dcac), "OL");
    dcac.value = -1.0f;
    EXPECT_EQ(DcAcMainText(dcac), "1.250");

    // Relative: the relative value, tested by the measured value; or a percentage.
    MeterReading rel = Reading(2.0f, 5.0f, 2);
    rel.relative = 0.5f;
    rel.reference = -2.0f;
    EXPECT_EQ(RelativeMainText(rel), "0.50");
    rel.value = -7.0f;
    EXPECT_EQ(RelativeMainText(rel), "OL");
    rel.firstModeFlag = true;
    EXPECT_EQ(RelativeMainText(rel), "25.0");
    rel.reference = 0.0f;
    EXPECT_EQ(RelativeMainText(rel), "0.0");

    // Frequency: digits by size, never "OL".
    EXPECT_EQ(FrequencyMainText(123.456f), "123.46");
    EXPECT_EQ(FrequencyMainText(100.0f), "100.000");
    EXPECT_EQ(FrequencyMainText(10.5f), "10.500");
    EXPECT_EQ(FrequencyMainText(10.0f), "10.0000");
    EXPECT_EQ(FrequencyMainText(0.0f), "0.0000");
}

TEST(FaceText, CrestFactorAndFrequencySecondLine) {
    MeterReading peak = Reading(2.0f, 5.0f, 3);
    peak.maxValue = 3.0f;
    peak.minValue = -3.0f;
    EXPECT_EQ(CrestFactorText(peak), "1.5");
    peak.value = 0.0f;
    EXPECT_EQ(CrestFactorText(peak), "---");

    MeterReading f = Reading(100.0f, 0.0f, 0);
    f.unit = "HZ";
    f.duty = 50.0f;
    EXPECT_EQ(FrequencySecondText(f), "50.00");
    EXPECT_EQ(FrequencySecondUnit(f), "%");
    f.firstModeFlag = true;
    EXPECT_EQ(FrequencySecondText(f), "5.00");  // half of a 10 ms period
    EXPECT_EQ(FrequencySecondUnit(f), "ms");
    f.unit = "KHZ";
    f.value = 1.0f;
    EXPECT_EQ(FrequencySecondText(f), "0.50");
    f.unit = "MHZ";
    f.value = 0.001f;
    EXPECT_EQ(FrequencySecondText(f), "0.50");
    f.value = 0.0f;
    EXPECT_EQ(FrequencySecondText(f), "OL");
    EXPECT_EQ(FrequencySecondUnit(f), "ms");
}

TEST(FaceText, DateHasATwoDigitYear) {
    EXPECT_EQ(DateText(At(9, 0, 7, 3, 2026)), "07/03/26");
    EXPECT_EQ(DateText(At(9, 0, 31, 12, 2009)), "31/12/09");
}
