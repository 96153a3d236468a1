#include "display/FaceLayout.h"

#include "display/BarGraph.h"
#include "display/FaceText.h"
#include "display/UnitPictures.h"

namespace {

// The Min Max picture's width fixes where every mode picture sits.
constexpr int kModePictureWidth = 43;

int RowY(const FaceMetrics& m, int row) {
    return m.height / 2 + row * m.smallLine;
}

std::string MainText(FaceNumber face, const MeterReading& r) {
    switch (face) {
        case FaceNumber::Relative:
            return RelativeMainText(r);
        case FaceNumber::DcAc:
            return DcAcMainText(r);
        case FaceNumber::Frequency:
            return FrequencyMainText(r.value);
        default:
            return StandardMainText(r);
    }
}

void AppendMainText(FacePlan& plan, const std::string& text, const FaceMetrics& m) {
    const int width = m.textWidth(FaceFont::Main, text);
    plan.push_back(
        FaceOp::Text(m.width / 2 - width / 2, m.height / 2 - m.mainLine, FaceFont::Main, text));
}

void AppendClockAndDate(FacePlan& plan, const std::tm& now, const FaceMetrics& m) {
    const std::string clock = ClockText(now);
    const int clockWidth = m.textWidth(FaceFont::Small, clock);
    plan.push_back(FaceOp::Rect(10, 0, clockWidth, m.smallLine));
    plan.push_back(FaceOp::Text(10, 0, FaceFont::Small, clock, true));

    const std::string date = DateText(now);
    const int dateWidth = m.textWidth(FaceFont::Small, date);
    const int x = m.width - dateWidth - 10;
    plan.push_back(FaceOp::Rect(x, 0, dateWidth, m.smallLine));
    plan.push_back(FaceOp::Text(x, 0, FaceFont::Small, date, true));
}

void AppendUnitPicture(FacePlan& plan, int row, const FaceMetrics& m) {
    if (row < 0) {
        return;
    }
    const int width = UnitPicture(row).width;
    plan.push_back(FaceOp::Image(m.width - width - 5, m.smallLine + 3, FacePicture::Unit, row));
}

void AppendAnnunciators(FacePlan& plan, FaceNumber face, const MeterReading& r,
                        const FaceMetrics& m) {
    const int y = m.smallLine + 3;
    const int modeX = m.width / 2 - kModePictureWidth + 20;
    if (face == FaceNumber::MinMax) {
        plan.push_back(FaceOp::Image(modeX, y, FacePicture::MinMax));
    } else if (face == FaceNumber::Relative) {
        plan.push_back(FaceOp::Image(modeX, y, FacePicture::Rel));
    } else if (face == FaceNumber::Peak && !r.firstModeFlag) {
        plan.push_back(FaceOp::Image(modeX, y, FacePicture::Peak));
    }
    if (r.hold) {
        const int x = face >= FaceNumber::Peak ? m.width / 2 + 10 : m.width / 2;
        plan.push_back(FaceOp::Image(x, y, FacePicture::Hold));
    }
    if (r.autoRange) {
        plan.push_back(
            FaceOp::Image(face == FaceNumber::MinMax ? 0 : 5, y, FacePicture::AutoRange));
    } else {
        plan.push_back(FaceOp::Image(5, y, FacePicture::ManualRange));
    }
}

struct StatisticsRow {
    const char* label;
    float value;
    int decimals;
    const std::string* unit;
    const std::string* time;
};

void AppendStatisticsTable(FacePlan& plan, const StatisticsRow (&rows)[3], const MeterReading& r,
                           const FaceMetrics& m) {
    for (int k = 0; k < 3; ++k) {
        const StatisticsRow& row = rows[k];
        const int y = RowY(m, k);
        plan.push_back(FaceOp::Text(10, y, FaceFont::Small, row.label));
        plan.push_back(
            FaceOp::Text(80, y, FaceFont::Small,
                         NumberOrOverload(row.value > r.limit, row.value, row.decimals)));
        plan.push_back(FaceOp::Text(130, y, FaceFont::Small, *row.unit));
        plan.push_back(FaceOp::Text(165, y, FaceFont::Small, *row.time));
    }
    plan.push_back(FaceOp::Text(60, RowY(m, 3), FaceFont::Small, "Start:"));
    plan.push_back(FaceOp::Text(100, RowY(m, 3), FaceFont::Small, r.startText));
}

void AppendBarGraphIfScaled(FacePlan& plan, const MeterReading& r, BarScaleSet set,
                            const FaceMetrics& m) {
    if (const auto scale = ChooseBarScale(r.function, r.decimals, set)) {
        AppendBarGraph(plan, *scale, r.value, r.limit, r.unit, m);
    }
}

void AppendRelativeRows(FacePlan& plan, const MeterReading& r, const FaceMetrics& m) {
    const int row1 = RowY(m, 1);
    const int row2 = RowY(m, 2);
    plan.push_back(FaceOp::Text(30, row1, FaceFont::Small, "Reference"));
    plan.push_back(FaceOp::Text(100, row1, FaceFont::Small,
                                NumberOrOverload(r.reference > r.limit, r.reference, r.decimals)));
    plan.push_back(FaceOp::Text(100, row2, FaceFont::Small,
                                NumberOrOverload(r.value > r.limit, r.value, r.decimals)));
    for (const int y : {row1, row2}) {
        if (r.unit == "℉") {
            plan.push_back(FaceOp::Image(180, y, FacePicture::DegF));
        } else if (r.unit == "℃") {
            plan.push_back(FaceOp::Image(180, y, FacePicture::DegC));
        } else {
            plan.push_back(FaceOp::Text(180, y, FaceFont::Small, r.unit));
        }
    }
}

void AppendLowerArea(FacePlan& plan, FaceNumber face, const MeterReading& r, const FaceMetrics& m) {
    const int row2 = RowY(m, 2);
    switch (face) {
        case FaceNumber::Standard:
            AppendBarGraphIfScaled(plan, r, BarScaleSet::A, m);
            break;
        case FaceNumber::MinMax: {
            const StatisticsRow rows[3] = {
                {"Mininum", r.minValue, r.minDecimals, &r.minUnit, &r.minTime},
                {"Average", r.avgValue, r.avgDecimals, &r.avgUnit, &r.avgTime},
                {"Maxinum", r.maxValue, r.maxDecimals, &r.maxUnit, &r.maxTime},
            };
            AppendStatisticsTable(plan, rows, r, m);
            break;
        }
        case FaceNumber::Relative:
            AppendRelativeRows(plan, r, m);
            AppendBarGraphIfScaled(plan, r, BarScaleSet::B, m);
            break;
        case FaceNumber::Peak:
            if (r.firstModeFlag) {
                plan.push_back(FaceOp::Text(100, RowY(m, 1), FaceFont::Small, CrestFactorText(r)));
                plan.push_back(FaceOp::Text(150, RowY(m, 1), FaceFont::Small, "Crest Factor"));
                AppendBarGraphIfScaled(plan, r, BarScaleSet::B, m);
            } else {
                const StatisticsRow rows[3] = {
                    {"PeakMax", r.maxValue, r.maxDecimals, &r.maxUnit, &r.maxTime},
                    {"Average", r.avgValue, r.avgDecimals, &r.avgUnit, &r.avgTime},
                    {"PeakMin", r.minValue, r.minDecimals, &r.minUnit, &r.minTime},
                };
                AppendStatisticsTable(plan, rows, r, m);
            }
            break;
        case FaceNumber::DcAc:
            if (r.acdcMode == 3) {
                plan.push_back(FaceOp::Text(100, row2, FaceFont::Small,
                                            FormatDecimals(r.secondValue, r.decimals)));
                plan.push_back(FaceOp::Text(180, row2, FaceFont::Small, r.secondUnit));
            }
            break;
        case FaceNumber::Dual:
            plan.push_back(FaceOp::Text(100, row2, FaceFont::Small, FormatDecimals(r.auxValue, 2)));
            plan.push_back(FaceOp::Text(180, row2, FaceFont::Small, r.auxText));
            break;
        case FaceNumber::Frequency:
            plan.push_back(FaceOp::Text(100, row2, FaceFont::Small, FrequencySecondText(r)));
            plan.push_back(FaceOp::Text(180, row2, FaceFont::Small, FrequencySecondUnit(r)));
            break;
        default:
            break;
    }
}

}  // namespace

int UnitRowForFace(FaceNumber face, const MeterReading& reading) {
    const int row = FindUnitRow(reading.unit);
    if (row < 0) {
        return -1;
    }
    switch (face) {
        case FaceNumber::Standard:
        case FaceNumber::MinMax:
            return reading.firstModeFlag || reading.secondModeFlag ? LowPassRow(row) : row;
        case FaceNumber::Relative:
            if (reading.firstModeFlag) {
                return -1;
            }
            return reading.unit == "V" ? kPlainVoltRow : row;
        default:
            return row;
    }
}

FacePlan LayoutLcd(FaceNumber face, const MeterReading& reading, const FaceMetrics& metrics,
                   const std::tm& now) {
    FacePlan plan;
    if (face == FaceNumber::Disconnected) {
        plan.push_back(FaceOp::Image(metrics.width / 2 - 95, metrics.height / 2 - 40,
                                     FacePicture::Disconnected));
        return plan;
    }
    if (!IsReadingFace(face)) {
        return plan;
    }
    AppendMainText(plan, MainText(face, reading), metrics);
    AppendClockAndDate(plan, now, metrics);
    AppendUnitPicture(plan, UnitRowForFace(face, reading), metrics);
    AppendAnnunciators(plan, face, reading, metrics);
    AppendLowerArea(plan, face, reading, metrics);
    return plan;
}
