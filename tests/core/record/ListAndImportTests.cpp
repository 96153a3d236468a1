#include <gtest/gtest.h>

#include "RecordingFakes.h"
#include "record/Import.h"
#include "record/ListRows.h"

TEST(ListRows, RebuiltListPlacesCompanionsUnderTheirMainRecord) {
    CRoZudozuvDoc doc;
    doc.channels[0] = {{1.5, "VDC", 1.0, 0, "t0", "VDC"},
                       {kOverloadValue, "VDC", 1.0, 1, "t1", "VDC"}};
    doc.channels[1] = {{9.0, "VDC", 1.0, 7, "tx", "Rel"},  // matches no main record
                       {2.0, "VDC", 1.0, 1, "t1", "Max"},
                       {0.25, "mVDC", 1.0, 0, "t0", "Min"},
                       {3.0, "VDC", 1.0, 1, "t1", "Average"}};
    doc.channels[2] = {{4.0, "V", 1.0, 0, "t0", "never shown"}};

    const std::vector<ListRow> rows = ListRowsFromDocument(doc);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].id, "1");
    EXPECT_EQ(rows[0].valueText, "1.5000");
    EXPECT_EQ(rows[1].typeText, "Min");
    EXPECT_EQ(rows[1].unit, "mVDC");
    EXPECT_EQ(rows[2].valueText, "OL");
    EXPECT_EQ(rows[3].typeText, "Max");
    EXPECT_EQ(rows[4].typeText, "Average");
    EXPECT_EQ(rows[4].id, "5");

    EXPECT_EQ(FormatListValue(-0.00004), "-0.0000");
    EXPECT_EQ(FormatListValue(499999.99999), "500000.0000");  // only the exact value is "OL"
}

TEST(ListRows, DownloadAdoption) {
    CRoZudozuvDoc doc;
    RecordingView view(doc);
    std::vector<CObData> downloaded = {
        {1.25, "VDC", 2.0, 0, "7/12/2026 9:5:9", "VDC"},
        {kOverloadValue, "VDC", 2.0, 1, "7/12/2026 9:5:11", "VDC"},
        {-3.0, "VDC", 2.0, 2, "7/12/2026 9:5:13", "VDC"},
    };
    ImportDownloadedRecords(doc, downloaded);

    EXPECT_TRUE(downloaded.empty());
    EXPECT_EQ(doc.Role(), DocumentRole::NotRecording);
    ASSERT_EQ(doc.channels[0].size(), 3u);
    EXPECT_EQ(doc.channels[0][1].sequence, 1);
    EXPECT_EQ(view.rows.size(), 3u);
    EXPECT_EQ(view.rows[1].valueText, "500000.0000");
    EXPECT_EQ(view.rows[2].id, "3");
    EXPECT_EQ(view.rows[2].valueText, "-3.0000");

    // Bulk summary: no overload test, no scaling.
    EXPECT_DOUBLE_EQ(doc.summary.maximum, kOverloadValue);
    EXPECT_EQ(doc.summary.maximumTime, "7/12/2026 9:5:11");
    EXPECT_DOUBLE_EQ(doc.summary.minimum, -3.0);
    EXPECT_DOUBLE_EQ(doc.summary.sum, 1.25 + kOverloadValue - 3.0);
    EXPECT_EQ(doc.summary.dataNumber, 3);
    EXPECT_DOUBLE_EQ(doc.summary.sampleRate, 2.0);
    EXPECT_EQ(doc.summary.startTime, "7/12/2026 9:5:9");
    EXPECT_EQ(doc.summary.endTime, "7/12/2026 9:5:13");
    EXPECT_EQ(doc.countedNumber, 0);
    EXPECT_EQ(view.summaryRefreshes, 1);

    ASSERT_EQ(view.ranges.size(), 1u);
    const double span = (kOverloadValue + 3.0) / 10.0;
    EXPECT_DOUBLE_EQ(view.ranges[0].top, kOverloadValue + span);
    EXPECT_DOUBLE_EQ(view.ranges[0].bottom, -3.0 - span);
}
