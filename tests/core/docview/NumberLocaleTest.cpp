// Number texts carry a point whatever the process's locale. The data list, the
// summary, the printouts and the graph labels are checked end to end too
// (DocumentWindowTests.cpp, DecimalCommaLocaleTest.cpp).
#include <gtest/gtest.h>

#include "common/CLocaleFormat.h"
#include "display/FaceText.h"
#include "display/GraphTools.h"
#include "record/ListRows.h"
#include "support/DecimalCommaLocale.h"

TEST(NumberTexts, KeepTheirPointUnderALocaleWithADecimalComma) {
    const test_support::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.Active()) << test_support::kDecimalCommaLocale
                                 << " is missing: scripts/deps generates it";

    EXPECT_EQ(FormatInCLocale("%.4f|%.2f|%e|%g|%d", 5.4, -0.5, 1234.5, 0.25, 7),
              "5.4000|-0.50|1.234500e+03|0.25|7");
    EXPECT_EQ(FormatFixed(5.4, 3), "5.400");
    EXPECT_EQ(FormatDecimals(5.4, 3), "5.400");
    EXPECT_EQ(FrequencyMainText(5.5f), "5.5000");
    EXPECT_EQ(RelativePercentText(1.0f, 8.0f), "12.5");
    CObData record;
    record.value = 5.4;
    EXPECT_EQ(FormatShowData(0, record).value, "5.4000");
}
