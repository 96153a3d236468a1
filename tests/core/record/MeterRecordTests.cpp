#include <gtest/gtest.h>

#include <cmath>

#include "RecordingFakes.h"
#include "decode/Clock.h"
#include "record/MeterRecords.h"

namespace {

class MeterRecords : public ::testing::Test {
  protected:
    void SetUp() override {
        UseUtc();
        now = MakeLocalTime(2026, 12, 7, 9, 5, 3);
    }

    // A meter-record reading with every field set to something recognisable.
    static MeterReading Frame() {
        MeterReading r;
        r.function = "VDC";
        r.limit = 60.0f;
        r.value = 1.5f;
        r.unit = "VDC";
        r.maxValue = 2.5f;
        r.maxUnit = "VDC";
        r.maxTime = "00:12:41";
        r.minValue = 0.5f;
        r.minUnit = "mVDC";
        r.minTime = "00:03:02";
        r.avgValue = 1.25f;
        r.avgTime = "01:00:00";
        r.startText = "07/12/26 09:05:09 am";
        r.reference = 3.0f;
        r.relative = -1.5f;
        r.alternateValue = 4.5f;
        r.secondValue = 5.5f;
        r.secondUnit = "VAC";
        r.auxValue = 50.0f;
        r.auxText = "Hz  ";
        return r;
    }

    std::vector<CObData> Records(int channel) const {
        return target.document->channels[static_cast<std::size_t>(channel)];
    }

    OpenDocument target;
    std::time_t now = 0;
};

}  // namespace

TEST_F(MeterRecords, MinMaxAndPeakModesUseTheMetersClock) {
    MeterReading r = Frame();
    BuildMeterRecords(*target.document, r, MeterRecordMode::MinMax, now);
    r.firstModeFlag = false;
    BuildMeterRecords(*target.document, r, MeterRecordMode::Peak, now);

    const auto main = Records(0);
    const auto companions = Records(1);
    ASSERT_EQ(main.size(), 2u);
    ASSERT_EQ(companions.size(), 6u);
    EXPECT_EQ(main[0].timeText, "2026/12/07 10:05:09");  // start + avgTime
    EXPECT_EQ(main[0].typeText, "VDC");
    EXPECT_DOUBLE_EQ(main[0].sampleRate, 1.0);
    const char* mode2[] = {"Max", "Min", "Average"};
    const char* mode4[] = {"PeakMax", "PeakMin", "PeakAverage"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(companions[static_cast<std::size_t>(i)].typeText, mode2[i]);
        EXPECT_EQ(companions[static_cast<std::size_t>(i)].sequence, 0);
        EXPECT_EQ(companions[static_cast<std::size_t>(i + 3)].typeText, mode4[i]);
        EXPECT_EQ(companions[static_cast<std::size_t>(i + 3)].sequence, 1);
    }
    EXPECT_EQ(companions[0].timeText, "00:12:41");
    EXPECT_EQ(companions[1].unit, "mVDC");
    EXPECT_EQ(companions[1].timeText, "00:03:02");
    EXPECT_EQ(companions[2].unit, "VDC");  // the average carries the main unit
    EXPECT_DOUBLE_EQ(companions[2].value, 1.25);
    EXPECT_EQ(companions[2].timeText, "01:00:00");

    // One list row per record, always "%.4f".
    const auto& rows = target.view->rows;
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].id, "1");
    EXPECT_EQ(rows[0].valueText, "1.5000");
    EXPECT_EQ(rows[1].typeText, "Max");
    EXPECT_EQ(rows[7].id, "8");
    // Each main record changes the summary its view shows.
    target.document->SetRole(DocumentRole::MeterRecords);
    BuildMeterRecords(*target.document, r, MeterRecordMode::Plain, now);
    EXPECT_EQ(target.view->summaryRefreshes, 3);
}

TEST_F(MeterRecords, ModesWithThePcsClock) {
    MeterReading r = Frame();
    const std::string nowText = "7/12/2026 9:5:3";
    for (int mode : {1, 3, 6, 7, 8, 9}) {
        BuildMeterRecords(*target.document, r, static_cast<MeterRecordMode>(mode), now);
    }
    const auto main = Records(0);
    const auto companions = Records(1);
    ASSERT_EQ(main.size(), 6u);
    ASSERT_EQ(companions.size(), 4u);
    for (const CObData& record : main) {
        EXPECT_EQ(record.timeText, nowText);
        EXPECT_EQ(record.typeText, "VDC");
    }
    // Mode 3: reference and relative with the main unit.
    EXPECT_EQ(companions[0].typeText, "Ref");
    EXPECT_DOUBLE_EQ(companions[0].value, 3.0);
    EXPECT_EQ(companions[1].typeText, "Rel");
    EXPECT_DOUBLE_EQ(companions[1].value, -1.5);
    EXPECT_EQ(companions[1].unit, "VDC");
    EXPECT_EQ(companions[1].timeText, nowText);
    // Mode 6: the alternate value with the reading's unit, the second value with its own.
    EXPECT_DOUBLE_EQ(main[2].value, 4.5);
    EXPECT_EQ(main[2].unit, "VDC");
    EXPECT_DOUBLE_EQ(companions[2].value, 5.5);
    EXPECT_EQ(companions[2].unit, "VAC");
    EXPECT_EQ(companions[2].typeText, "VDC");
    EXPECT_EQ(companions[2].timeText, nowText);
    EXPECT_EQ(companions[2].sequence, 2);
    // Mode 8: the auxiliary value under its untrimmed text.
    EXPECT_DOUBLE_EQ(companions[3].value, 50.0);
    EXPECT_EQ(companions[3].unit, "Hz  ");
    EXPECT_EQ(companions[3].sequence, 4);
    // Modes 7 and 9 have no companions.
    EXPECT_EQ(main[5].sequence, 5);
}

TEST_F(MeterRecords, CrestFactorIncludingZeroValue) {
    MeterReading r = Frame();
    BuildMeterRecords(*target.document, r, MeterRecordMode::PeakCrest, now);
    MeterReading zero = Frame();
    zero.value = 0.0f;
    BuildMeterRecords(*target.document, zero, MeterRecordMode::PeakCrest, now);
    zero.maxValue = zero.minValue = 0.0f;
    BuildMeterRecords(*target.document, zero, MeterRecordMode::PeakCrest, now);

    const auto main = Records(0);
    const auto companions = Records(1);
    ASSERT_EQ(companions.size(), 3u);
    EXPECT_EQ(main[0].timeText, "2026/12/07 10:05:09");
    EXPECT_EQ(companions[0].timeText, main[0].timeText);
    EXPECT_EQ(companions[0].unit, "Crest Factor");
    EXPECT_EQ(companions[0].typeText, "Crest Factor");
    EXPECT_DOUBLE_EQ(companions[0].value, static_cast<double>((2.5f - 0.5f) / (1.5f * 2.0f)));
    EXPECT_TRUE(std::isinf(companions[1].value));
    EXPECT_GT(companions[1].value, 0.0);
    EXPECT_TRUE(std::isnan(companions[2].value));
    EXPECT_EQ(target.view->rows[3].valueText, "inf");
}

TEST_F(MeterRecords, OverloadClampOfTheEightFields) {
    MeterReading r = Frame();
    r.limit = 1.0f;
    r.relative = 1.0f;  // equal to the limit: kept
    BuildMeterRecords(*target.document, r, MeterRecordMode::Relative, now);
    const float ol = 500000.0f;
    EXPECT_EQ(r.value, ol);
    EXPECT_EQ(r.reference, ol);
    EXPECT_EQ(r.relative, 1.0f);
    EXPECT_EQ(r.alternateValue, ol);
    EXPECT_EQ(r.maxValue, ol);
    EXPECT_EQ(r.minValue, 0.5f);
    EXPECT_EQ(r.avgValue, ol);
    EXPECT_EQ(r.auxValue, ol);
    EXPECT_EQ(r.secondValue, 5.5f);  // never clamped

    EXPECT_DOUBLE_EQ(Records(0)[0].value, kOverloadValue);
    EXPECT_DOUBLE_EQ(Records(1)[0].value, kOverloadValue);
    EXPECT_EQ(target.view->rows[0].valueText, "500000.0000");  // not "OL" here
    // An overloaded main value does not enter the summary.
    EXPECT_EQ(target.document->countedNumber, 0);
    EXPECT_EQ(target.document->summary.dataNumber, 1);

    // A mode outside 1..9 records nothing, but the clamp still happens.
    MeterReading other = Frame();
    other.limit = 0.0f;
    BuildMeterRecords(*target.document, other, static_cast<MeterRecordMode>(10), now);
    EXPECT_EQ(other.value, ol);
    EXPECT_EQ(Records(0).size(), 1u);
}

TEST_F(MeterRecords, MeterClockArithmeticAndOddTexts) {
    EXPECT_EQ(MeterTimeText("31/12/18 11:59:30 pm", "00:01:00", now), "2019/01/01 00:00:30");
    EXPECT_EQ(MeterTimeText("28/02/24 12:00:00 am", "24:00:00", now), "2024/02/29 00:00:00");
    EXPECT_EQ(MeterTimeText("01/03/26 00:00:00 am", "00:00:00", now), "2026/03/01 00:00:00");

    const auto parsed = ParseMeterDateTime("07/12/26 09:05:09 pm");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->year, 2026);
    EXPECT_EQ(parsed->month, 12);
    EXPECT_EQ(parsed->day, 7);
    EXPECT_EQ(parsed->hour, 21);
    EXPECT_TRUE(ParseMeterDateTime("07/12/26 09:05:09").has_value());  // no suffix: am

    // Unreadable or impossible start texts fall back to the PC's time.
    for (const char* bad : {"", "garbage", "1a/12/26 09:05:09 am", "31/02/26 09:05:09 am",
                            "07/13/26 09:05:09 am", "07/12/26 13:05:09 pm", "07/12/26 24:05:09 pm",
                            "07/12/26 09:60:09 am", "07/12/126 09:05:09 am"}) {
        EXPECT_FALSE(ParseMeterDateTime(bad).has_value()) << bad;
        EXPECT_EQ(MeterTimeText(bad, "00:01:00", now), "2026/12/07 09:05:03") << bad;
    }
    // An unreadable elapsed time counts as zero.
    EXPECT_EQ(MeterTimeText("07/12/26 09:05:09 am", "ff:ff:ff", now), "2026/12/07 09:05:09");
    EXPECT_EQ(ParseElapsedSeconds("99:59:59"), 99 * 3600 + 59 * 60 + 59);
    EXPECT_FALSE(ParseElapsedSeconds("-1:00:00").has_value());
}

TEST_F(MeterRecords, RoutingOpensOneTargetAndStopsLiveAcquisition) {
    CDocumentRegistry registry;
    OpenDocument live;
    registry.Add(live.document.get());
    std::vector<OpenDocument> opened;
    opened.reserve(4);
    int stops = 0;
    MeterRecordRouting routing;
    routing.openTarget = [&]() -> CRoZudozuvDoc* {
        opened.emplace_back();
        CRoZudozuvDoc* document = opened.back().document.get();
        document->SetRole(DocumentRole::MeterRecords);
        registry.Add(document);
        return document;
    };
    routing.stop = [&] {
        ++stops;
        live.document->SetRole(DocumentRole::NotRecording);
    };

    MeterReading r = Frame();
    RecordMeterFrame(registry, r, MeterRecordMode::Plain, now, routing);
    RecordMeterFrame(registry, r, MeterRecordMode::Relative, now, routing);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(live.document->Role(), DocumentRole::NotRecording);
    EXPECT_TRUE(live.document->channels[0].empty());
    EXPECT_EQ(opened[0].document->channels[0].size(), 2u);
    EXPECT_EQ(opened[0].document->channels[1].size(), 2u);
    EXPECT_EQ(opened[0].view->graphInvalidations, 2);
    EXPECT_EQ(opened[0].document->Role(), DocumentRole::MeterRecords);

    // When no target can be opened the frame is dropped, not retried.
    CDocumentRegistry empty;
    int attempts = 0;
    MeterRecordRouting failing{[&]() -> CRoZudozuvDoc* {
                                   ++attempts;
                                   return nullptr;
                               },
                               [&] { ++stops; }};
    RecordMeterFrame(empty, r, MeterRecordMode::Plain, now, failing);
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(stops, 2);
}
