#include "display/UnitPictures.h"

#include <array>

namespace {

constexpr std::array<UnitPictureRow, kUnitPictureRows> kRows{{
    {"VDC", "unit_vdc", 57},         {"mVDC", "unit_mvdc", 57},       {"ADC", "unit_adc", 57},
    {"mADC", "unit_madc", 57},       {"uADC", "unit_uadc", 57},       {"VAC", "unit_vac", 57},
    {"VAC", "unit_vac_lowpass", 57}, {"mVAC", "unit_mvac", 57},       {"Vdc+ac", "unit_v_dcac", 64},
    {"mVdc+ac", "unit_mv_dcac", 64}, {"uVdc+ac", "unit_uv_dcac", 64}, {"Adc+ac", "unit_a_dcac", 64},
    {"mAdc+ac", "unit_ma_dcac", 64}, {"uAdc+ac", "unit_ua_dcac", 64}, {"mF", "unit_mf", 57},
    {"uF", "unit_uf", 57},           {"nF", "unit_nf", 57},           {"AAC", "unit_aac", 57},
    {"mAAC", "unit_maac", 57},       {"uAAC", "unit_uaac", 57},       {"MΩ", "unit_mohm", 57},
    {"KΩ", "unit_kohm", 57},         {"Ω", "unit_ohm", 57},           {"V", "unit_v_diode", 57},
    {"MHZ", "unit_mhz", 57},         {"MHZ", "unit_mhz_lowpass", 57}, {"KHZ", "unit_khz", 57},
    {"KHZ", "unit_khz_lowpass", 57}, {"HZ", "unit_hz", 57},           {"HZ", "unit_hz_lowpass", 57},
    {"℉", "unit_degf", 57},          {"℃", "unit_degc", 57},          {"A", "unit_a", 57},
    {"mA", "unit_ma", 57},           {"uA", "unit_ua", 57},           {"V", "unit_v", 57},
    {"mV", "unit_mv", 57},           {"VD", "unit_vd", 57},
}};

}  // namespace

const UnitPictureRow& UnitPicture(int row) {
    return kRows.at(static_cast<std::size_t>(row));
}

int FindUnitRow(std::string_view unit) {
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        if (kRows[row].label == unit) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

int LowPassRow(int row) {
    if (row < 0 || row + 1 >= kUnitPictureRows) {
        return row;
    }
    const bool hasVariant = kRows[static_cast<std::size_t>(row) + 1].label ==
                            kRows[static_cast<std::size_t>(row)].label;
    return hasVariant ? row + 1 : row;
}
