// The full-scale table as the meter's ranges define it, row by row; the live
// graph and the bar graph both read it through FullScaleFor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/FullScale.h"

namespace {

struct Row {
    int decimals;
    std::vector<const char*> functions;
    double top;
    double bottom;
};

const std::vector<Row> kRanges = {
    {4, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"}, 5.0, 0.0},
    {4, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, 5.0, -5.0},
    {3, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"}, 50.0, 0.0},
    {3, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, 50.0, -50.0},
    {2, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC", "uAAC"}, 500.0, 0.0},
    {2, {"VDC", "mVDC", "ADC", "mADC", "uADC"}, 500.0, -500.0},
    {1, {"VAC", "RES", "Diode", "mVAC", "AAC", "mAAC"}, 1000.0, 0.0},
    {1, {"uAAC"}, 5000.0, 0.0},
    {1, {"VDC", "mVDC", "ADC", "mADC"}, 1000.0, -1000.0},
    {1, {"uADC"}, 5000.0, -5000.0},
};

}  // namespace

TEST(FullScale, EveryRowOfTheRangeTableAndNothingOutsideIt) {
    for (const Row& row : kRanges) {
        for (const char* function : row.functions) {
            const auto scale = FullScaleFor(function, row.decimals, FullScaleSet::A);
            ASSERT_TRUE(scale) << function << " " << row.decimals;
            EXPECT_EQ(scale->top, row.top) << function << " " << row.decimals;
            EXPECT_EQ(scale->bottom, row.bottom) << function << " " << row.decimals;

            // Set B differs only at one decimal: no diode scale, and 1000 for
            // microamperes too.
            const auto b = FullScaleFor(function, row.decimals, FullScaleSet::B);
            if (row.decimals == 1 && std::string(function) == "Diode") {
                EXPECT_FALSE(b);
            } else if (row.decimals == 1 && row.top == 5000.0) {
                ASSERT_TRUE(b);
                EXPECT_EQ(b->top, 1000.0);
                EXPECT_EQ(b->bottom, row.bottom == 0.0 ? 0.0 : -1000.0);
            } else {
                ASSERT_TRUE(b);
                EXPECT_EQ(b->top, row.top);
            }
        }
        EXPECT_FALSE(FullScaleFor(row.functions.front(), 0)) << row.functions.front();
        EXPECT_FALSE(FullScaleFor(row.functions.front(), 5)) << row.functions.front();
    }
    for (const char* function : {"HZ", "CAP", "TEMP", "DC+AC(V)", "DC+AC(mV)", "DC+AC(A)",
                                 "DC+AC(mA)", "DC+AC(uA)", "", "vdc"}) {
        EXPECT_FALSE(FullScaleFor(function, 2)) << function;
    }
}
