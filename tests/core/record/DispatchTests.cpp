#include <gtest/gtest.h>

#include "RecordingFakes.h"
#include "record/Dispatch.h"
#include "record/DocumentRegistry.h"

namespace {

const std::time_t kMoment = 1770000000;  // the PC clock when the reading was taken

// Live documents in a registry, and a stop that does the Stop command's work.
struct LiveSetup {
    std::vector<OpenDocument> documents;
    CDocumentRegistry registry;
    std::vector<CRoZudozuvDoc*> stoppedBy;

    explicit LiveSetup(int count) {
        documents.resize(static_cast<std::size_t>(count));
        for (OpenDocument& d : documents) {
            registry.Add(d.document.get());
        }
    }
    RecordingView& View(int i) { return *documents[static_cast<std::size_t>(i)].view; }
    CRoZudozuvDoc& Doc(int i) { return *documents[static_cast<std::size_t>(i)].document; }

    void Dispatch(MeterReading& reading, const std::string& time = "1/2/2026 3:4:5") {
        DispatchReading(registry, reading, 0, reading.value, reading.unit, 0.0, time, kMoment,
                        reading.function, reading.decimals, [this](CRoZudozuvDoc& full) {
                            stoppedBy.push_back(&full);
                            for (CRoZudozuvDoc* d : registry.Documents()) {
                                if (d->Role() == DocumentRole::Live) {
                                    d->SetRole(DocumentRole::NotRecording);
                                }
                            }
                            return static_cast<CRoZudozuvDoc*>(nullptr);
                        });
    }
};

MeterReading Reading(float value, float limit, int decimals, const std::string& function) {
    MeterReading r;
    r.value = value;
    r.limit = limit;
    r.decimals = decimals;
    r.function = function;
    r.unit = function;
    return r;
}

void Fill(CRoZudozuvDoc& doc, std::size_t count) {
    doc.channels[0].resize(count);
}

}  // namespace

TEST(Dispatch, RecordsListsAndRefreshesEveryLiveView) {
    LiveSetup live(3);
    // Stopped earlier: takes nothing while others acquire.
    live.Doc(1).SetRole(DocumentRole::NotRecording);
    MeterReading r = Reading(3.14159f, 50.0f, 2, "VDC");
    live.Dispatch(r);
    r.value = 2.5f;
    live.Dispatch(r, "1/2/2026 3:4:6");

    for (int i : {0, 2}) {
        const auto& records = live.Doc(i).channels[0];
        ASSERT_EQ(records.size(), 2u);
        EXPECT_FLOAT_EQ(static_cast<float>(records[0].value), 3.14159f);
        EXPECT_EQ(records[0].sequence, 0);
        EXPECT_EQ(records[1].sequence, 1);
        EXPECT_EQ(records[1].timeText, "1/2/2026 3:4:6");
        EXPECT_EQ(records[1].typeText, "VDC");
        EXPECT_DOUBLE_EQ(records[1].sampleRate, 0.0);
        ASSERT_EQ(live.View(i).rows.size(), 2u);
        const ListRow& row = live.View(i).rows[0];
        EXPECT_EQ(row.id, "1");
        EXPECT_EQ(row.timeText, "1/2/2026 3:4:5");
        EXPECT_EQ(row.unit, "VDC");
        EXPECT_EQ(row.valueText, "3.14");
        EXPECT_EQ(row.typeText, "VDC");
        EXPECT_EQ(live.View(i).rows[1].id, "2");
        EXPECT_EQ(live.View(i).graphRefreshes, 2);
    }
    EXPECT_TRUE(live.Doc(1).channels[0].empty());
    EXPECT_TRUE(live.View(1).rows.empty());
}

TEST(Dispatch, OverloadIsAboveTheLimitOnly) {
    LiveSetup live(1);
    MeterReading atLimit = Reading(50.0f, 50.0f, 2, "VDC");
    live.Dispatch(atLimit);
    EXPECT_DOUBLE_EQ(live.Doc(0).channels[0][0].value, 50.0);
    EXPECT_EQ(live.View(0).rows[0].valueText, "50.00");

    MeterReading negative = Reading(-70.0f, 50.0f, 1, "VDC");
    live.Dispatch(negative);
    EXPECT_DOUBLE_EQ(live.Doc(0).channels[0][1].value, -70.0);

    MeterReading over = Reading(50.01f, 50.0f, 2, "VDC");
    live.Dispatch(over);
    EXPECT_FLOAT_EQ(over.value, 500000.0f);  // the meter face and statistics see it too
    EXPECT_DOUBLE_EQ(live.Doc(0).channels[0][2].value, kOverloadValue);
    EXPECT_EQ(live.View(0).rows[2].valueText, "OL");
    // The overload never entered the summary.
    EXPECT_EQ(live.Doc(0).countedNumber, 1);
    EXPECT_EQ(live.Doc(0).summary.dataNumber, 3);

    // Each record keeps what it was made from: the reading's decimals, whether
    // it was over its limit, and the moment it was taken.
    const std::vector<CObData>& records = live.Doc(0).channels[0];
    EXPECT_EQ((std::vector<bool>{records[0].overload, records[1].overload, records[2].overload}),
              (std::vector<bool>{false, false, true}));
    EXPECT_EQ(records[1].Decimals(), 1);
    EXPECT_EQ(records[2].Decimals(), 2);
    EXPECT_EQ(records[2].Time(), kMoment);
}

TEST(Dispatch, ValueTextFollowsTheReadingsDecimals) {
    EXPECT_EQ(LiveValueText(3.14159, 2), "3.14");
    EXPECT_EQ(LiveValueText(3.14159, 4), "3.1416");
    EXPECT_EQ(LiveValueText(-0.5, 0), "-0");
    EXPECT_EQ(LiveValueText(12.0, 3), "12.000");
    EXPECT_EQ(LiveValueText(kOverloadValue, 3), "OL");
    // Decimals from an odd range byte must not produce a broken format.
    EXPECT_EQ(LiveValueText(2.5, -250), "2");
    EXPECT_EQ(LiveValueText(1.0, 1000).size(), 22u);
}

TEST(Dispatch, CapacityStopsAcquisitionAndEndsTheWholeDispatch) {
    LiveSetup live(2);
    Fill(live.Doc(0), CRoZudozuvDoc::kLiveCapacity - 1);
    MeterReading r = Reading(1.0f, 50.0f, 2, "VDC");

    live.Dispatch(r);  // the 20000th record still goes in, to both documents
    EXPECT_EQ(live.Doc(0).channels[0].size(), CRoZudozuvDoc::kLiveCapacity);
    EXPECT_EQ(live.Doc(0).channels[0].back().sequence, 19999);
    EXPECT_EQ(live.Doc(1).channels[0].size(), 1u);
    EXPECT_TRUE(live.stoppedBy.empty());

    live.Dispatch(r);  // full: stop, and the second document gets nothing either
    EXPECT_EQ(live.Doc(0).channels[0].size(), CRoZudozuvDoc::kLiveCapacity);
    EXPECT_EQ(live.Doc(1).channels[0].size(), 1u);
    ASSERT_EQ(live.stoppedBy.size(), 1u);
    EXPECT_EQ(live.stoppedBy[0], &live.Doc(0));
    EXPECT_EQ(live.Doc(0).Role(), DocumentRole::NotRecording);
    EXPECT_EQ(live.Doc(1).Role(), DocumentRole::NotRecording);

    live.Dispatch(r);  // after Stop nothing is live
    EXPECT_EQ(live.Doc(1).channels[0].size(), 1u);
    EXPECT_EQ(live.stoppedBy.size(), 1u);
}

TEST(Dispatch, RangeTableByDecimalsAndFunction) {
    EXPECT_EQ(RangeForReading(4, "VAC"), (YRange{5.0, 0.0}));
    EXPECT_EQ(RangeForReading(4, "mVDC"), (YRange{5.0, -5.0}));
    EXPECT_EQ(RangeForReading(3, "Diode"), (YRange{50.0, 0.0}));
    EXPECT_EQ(RangeForReading(3, "uADC"), (YRange{50.0, -50.0}));
    EXPECT_EQ(RangeForReading(2, "RES"), (YRange{500.0, 0.0}));
    EXPECT_EQ(RangeForReading(2, "ADC"), (YRange{500.0, -500.0}));
    EXPECT_EQ(RangeForReading(1, "mAAC"), (YRange{1000.0, 0.0}));
    EXPECT_EQ(RangeForReading(1, "uAAC"), (YRange{5000.0, 0.0}));
    EXPECT_EQ(RangeForReading(1, "mADC"), (YRange{1000.0, -1000.0}));
    EXPECT_EQ(RangeForReading(1, "uADC"), (YRange{5000.0, -5000.0}));
    for (const char* f : {"HZ", "CAP", "TEMP", "DC+AC(V)", "DC+AC(uA)", "", "vdc"}) {
        EXPECT_FALSE(RangeForReading(2, f).has_value()) << f;
    }
    for (int decimals : {0, 5, -1}) {
        EXPECT_FALSE(RangeForReading(decimals, "VDC").has_value()) << decimals;
    }
}

TEST(Dispatch, AutomaticRangeSpreadsTheExtremes) {
    LiveSetup live(2);
    live.Doc(1).autoScale = false;
    MeterReading r = Reading(12.0f, 50.0f, 2, "VDC");
    live.Dispatch(r);
    // After the first reading the extremes were equal and were moved apart.
    EXPECT_DOUBLE_EQ(live.Doc(0).summary.maximum, 12.1);
    EXPECT_DOUBLE_EQ(live.Doc(0).summary.minimum, 11.9);
    live.Dispatch(r);
    EXPECT_DOUBLE_EQ(live.Doc(0).summary.maximum, 12.1);
    EXPECT_DOUBLE_EQ(live.Doc(0).summary.minimum, 11.9);
    ASSERT_EQ(live.View(0).ranges.size(), 2u);
    EXPECT_EQ(live.View(0).ranges[0], (YRange{500.0, -500.0}));

    // Without automatic scale the extremes stay the summary's own.
    EXPECT_DOUBLE_EQ(live.Doc(1).summary.maximum, 12.0);
    EXPECT_TRUE(live.View(1).ranges.empty());

    // A first reading the summary did not take: the start values are replaced.
    LiveSetup fresh(1);
    MeterReading over = Reading(99.0f, 50.0f, 2, "HZ");
    fresh.Dispatch(over);
    EXPECT_DOUBLE_EQ(fresh.Doc(0).summary.maximum, 5000.0);
    EXPECT_DOUBLE_EQ(fresh.Doc(0).summary.minimum, -5000.0);
    EXPECT_TRUE(fresh.View(0).ranges.empty());  // "HZ" keeps the graph's range
}
