#include <gtest/gtest.h>

#include <cmath>

#include "RecordingFakes.h"
#include "record/SummaryText.h"

namespace {

void AddMain(CRoZudozuvDoc& doc, double value, const std::string& unit, const std::string& time,
             const MeterReading& current, const std::string& type = "VDC") {
    doc.AddReading(0, value, unit, 0.0, static_cast<std::int32_t>(doc.channels[0].size()), time,
                   type, current);
}

}  // namespace

TEST(Summary, ScalesExtremesByUnitButSumsRawValues) {
    CRoZudozuvDoc doc;
    AddMain(doc, 12.5, "KΩ", "1/1/2026 0:0:1", CountedReading(12.5f), "RES");
    EXPECT_DOUBLE_EQ(doc.summary.maximum, 12500.0);
    EXPECT_DOUBLE_EQ(doc.summary.minimum, 6000.0);  // 12500 is not below the start value
    EXPECT_DOUBLE_EQ(doc.summary.sum, 12.5);
    EXPECT_DOUBLE_EQ(doc.summary.average, 12.5);

    AddMain(doc, 0.002, "MΩ", "1/1/2026 0:0:2", CountedReading(0.002f), "RES");
    EXPECT_DOUBLE_EQ(doc.summary.minimum, 2000.0);
    EXPECT_EQ(doc.summary.minimumTime, "1/1/2026 0:0:2");
    EXPECT_EQ(doc.summary.maximumTime, "1/1/2026 0:0:1");

    // "k" wins over "M"; the unscaled sum keeps growing.
    EXPECT_DOUBLE_EQ(ScaleToBaseUnits(2.0, "kM"), 2000.0);
    EXPECT_DOUBLE_EQ(ScaleToBaseUnits(2.0, "KHZ"), 2000.0);
    EXPECT_DOUBLE_EQ(ScaleToBaseUnits(2.0, "MHZ"), 2000000.0);
    EXPECT_DOUBLE_EQ(ScaleToBaseUnits(2.0, "mVDC"), 2.0);
    EXPECT_DOUBLE_EQ(ScaleToBaseUnits(2.0, "℃"), 2.0);
    EXPECT_EQ(doc.countedNumber, 2);
    EXPECT_DOUBLE_EQ(doc.summary.average, (12.5 + 0.002) / 2);
    EXPECT_EQ(doc.summary.type, "RES");
}

TEST(Summary, LimitTestUsesTheCurrentReadingNotTheAddedValue) {
    CRoZudozuvDoc doc;
    MeterReading atLimit;
    atLimit.limit = 50.0f;
    atLimit.value = 50.0f;
    AddMain(doc, 50.0, "V", "t0", atLimit);
    EXPECT_EQ(doc.countedNumber, 0);
    EXPECT_DOUBLE_EQ(doc.summary.maximum, -6000.0);
    EXPECT_EQ(doc.summary.dataNumber, 1);  // counted or not
    EXPECT_EQ(doc.summary.startTime, "");  // times follow only counted records

    // The current reading is below its limit, so the (overload) value added counts.
    MeterReading current = CountedReading(1.0f);
    AddMain(doc, kOverloadValue, "V", "t1", current);
    EXPECT_EQ(doc.countedNumber, 1);
    EXPECT_DOUBLE_EQ(doc.summary.maximum, kOverloadValue);
    EXPECT_EQ(doc.summary.startTime, "t0");
    EXPECT_EQ(doc.summary.endTime, "t1");
    EXPECT_EQ(doc.summary.dataNumber, 2);
}

TEST(Summary, SentinelExtremesSurviveOutOfRangeSeries) {
    CRoZudozuvDoc high;
    AddMain(high, 6.0, "KΩ", "a", CountedReading(6.0f));
    AddMain(high, 7000.0, "V", "b", CountedReading(7000.0f));
    EXPECT_DOUBLE_EQ(high.summary.minimum, 6000.0);
    EXPECT_EQ(high.summary.minimumTime, "");
    EXPECT_DOUBLE_EQ(high.summary.maximum, 7000.0);

    CRoZudozuvDoc low;
    AddMain(low, -6000.0, "V", "a", CountedReading(-6000.0f));
    AddMain(low, -7.0, "kV", "b", CountedReading(-7.0f));
    EXPECT_DOUBLE_EQ(low.summary.maximum, -6000.0);
    EXPECT_EQ(low.summary.maximumTime, "");
    EXPECT_DOUBLE_EQ(low.summary.minimum, -7000.0);
    EXPECT_EQ(low.summary.minimumTime, "b");
}

TEST(Summary, CompanionRecordsAndDeleteContentsLeaveTheSummaryAlone) {
    CRoZudozuvDoc doc;
    RecordingView view(doc);
    AddMain(doc, 1.0, "V", "a", CountedReading(1.0f));
    const DocumentSummary before = doc.summary;
    const int refreshes = view.summaryRefreshes;

    doc.AddReading(1, 99.0, "V", 1.0, 0, "b", "Max", CountedReading(99.0f));
    doc.AddReading(2, 99.0, "V", 1.0, 0, "b", "Max", CountedReading(99.0f));
    doc.AddReading(3, 99.0, "V", 1.0, 0, "b", "Max", CountedReading(99.0f));  // ignored
    EXPECT_EQ(doc.summary, before);
    EXPECT_EQ(view.summaryRefreshes, refreshes);
    EXPECT_EQ(doc.channels[1].size(), 1u);
    EXPECT_EQ(doc.channels[2].size(), 1u);

    doc.DeleteContents();
    for (const auto& channel : doc.channels) {
        EXPECT_TRUE(channel.empty());
    }
    EXPECT_EQ(doc.summary, before);
    doc.DeleteContents();  // empty: nothing happens
    EXPECT_EQ(doc.summary, before);
}

TEST(Summary, EveryViewIsToldOfEachMainReadingUntilItLeaves) {
    CRoZudozuvDoc doc;
    RecordingView first(doc);
    MeterReading overload;
    overload.limit = 1.0f;
    overload.value = 2.0f;
    {
        RecordingView second(doc);
        AddMain(doc, kOverloadValue, "V", "a", overload);  // not counted, still told
        EXPECT_EQ(first.summaryRefreshes, 1);
        EXPECT_EQ(second.summaryRefreshes, 1);
    }
    AddMain(doc, 1.0, "V", "b", CountedReading(1.0f));
    EXPECT_EQ(first.summaryRefreshes, 2);
}

TEST(Summary, BulkSummaryOfAdoptedRecords) {
    DocumentSummary s;
    std::vector<CObData> records = {
        {3.0, "VDC", 5.0, 0, "t0", "VDC"},
        {-2.0, "VDC", 5.0, 1, "t1", "VDC"},
        {7000.0, "KΩ", 5.0, 2, "t2", "RES"},  // no scaling, no overload test
    };
    ApplyBulkSummary(s, records);
    EXPECT_DOUBLE_EQ(s.sum, 7001.0);
    EXPECT_DOUBLE_EQ(s.average, 7001.0 / 3);
    EXPECT_DOUBLE_EQ(s.maximum, 7000.0);
    EXPECT_EQ(s.maximumTime, "t2");
    EXPECT_DOUBLE_EQ(s.minimum, -2.0);
    EXPECT_EQ(s.minimumTime, "t1");
    EXPECT_DOUBLE_EQ(s.sampleRate, 5.0);
    EXPECT_EQ(s.type, "VDC");
    EXPECT_EQ(s.startTime, "t0");
    EXPECT_EQ(s.endTime, "t2");
    EXPECT_EQ(s.dataNumber, 3);

    DocumentSummary empty;
    ApplyBulkSummary(empty, {});
    EXPECT_EQ(empty, DocumentSummary{});
}

TEST(Summary, YRangeSpanRules) {
    DocumentSummary s;
    s.maximum = 20.0;
    s.minimum = 10.0;
    EXPECT_EQ(YRangeFromSummary(s), (YRange{21.0, 9.0}));
    EXPECT_EQ(YRangeForAutoScaleSetting(s), (YRange{21.0, 9.0}));

    s.maximum = 10.05;
    s.minimum = 10.0;  // spread below 0.1: opening widens, the setting keeps it
    const YRange opened = YRangeFromSummary(s);
    EXPECT_DOUBLE_EQ(opened.top, 10.06);
    EXPECT_DOUBLE_EQ(opened.bottom, 9.99);
    const YRange set = YRangeForAutoScaleSetting(s);
    EXPECT_NEAR(set.top, 10.055, 1e-9);
    EXPECT_NEAR(set.bottom, 9.995, 1e-9);

    s.maximum = s.minimum = 4.0;
    EXPECT_EQ(YRangeForAutoScaleSetting(s), (YRange{4.01, 3.99}));
}

TEST(Summary, SummaryTextFormat) {
    DocumentSummary s;
    s.startTime = "3/5/2018 9:7:5";
    s.endTime = "3/5/2018 9:7:9";
    s.maximum = 12.5;
    s.maximumTime = "3/5/2018 9:7:6";
    s.minimum = -1.25;
    s.minimumTime = "3/5/2018 9:7:7";
    s.average = 5.0;
    s.dataNumber = 4;
    s.type = "VDC";
    EXPECT_EQ(FormatSummaryText(s),
              "---------------------------Summary---------------------------\r\n\r\n"
              "StartTime: 3/5/2018 9:7:5 \r\n\r\nEndTime: 3/5/2018 9:7:9\r\n\r\n"
              "Maximum: 12.5000\r\n\r\nMaxinum Time: 3/5/2018 9:7:6 \r\n\r\n"
              "Minimum: -1.2500\r\n\r\nMinimum Time: 3/5/2018 9:7:7\r\n\r\n"
              "Average:5.0000\r\n\r\nDataNumber: 4\r\n\r\nType:VDC\r\n\r\n");

    // A fresh document's summary still formats (sentinel extremes shown as they are).
    const std::string fresh = FormatSummaryText(DocumentSummary{});
    EXPECT_NE(fresh.find("Maximum: -6000.0000\r\n"), std::string::npos);
    EXPECT_NE(fresh.find("Minimum: 6000.0000\r\n"), std::string::npos);
    EXPECT_NE(fresh.find("DataNumber: 0\r\n"), std::string::npos);
}
