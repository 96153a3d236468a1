// Recording past a full document and watching high and low limits.
#include <gtest/gtest.h>

#include "RecordingFakes.h"
#include "decode/Clock.h"
#include "decode/MeterReading.h"
#include "frames/FrameEncoder.h"
#include "record/HeadlessHost.h"
#include "record/LimitWatcher.h"
#include "record/MeterSession.h"

namespace {

frames::Bytes LiveFrame(int n) {
    frames::PlainFrame f;
    f.value = static_cast<float>(n % 5000) / 1000.0f;  // 0.000 … 4.999, one step a reading
    f.limit = 50.0f;
    f.range = 2;
    return frames::Encode(f);
}

}  // namespace

// A recording that continues when full: the reading that finds a document
// full opens the next one and is its first record, so the documents join with
// no reading lost or doubled, the count limit runs on across them, and a
// full document can be freed while the recording goes on.
TEST(LongLog, ContinuesInANewDocumentWhenFullWithNoReadingLostAtTheSeam) {
    UseUtc();
    FixedClock clock{0};
    CHeadlessSessionHost host(100);
    CMeterSession session(host, clock);
    std::vector<std::pair<std::size_t, std::size_t>> seams;  // full's size, next's size
    std::vector<std::vector<CObData>> kept;
    host.ContinueWhenFull([&](CRoZudozuvDoc& full, CRoZudozuvDoc& next) {
        seams.emplace_back(full.channels[0].size(), next.channels[0].size());
        EXPECT_EQ(full.Role(), DocumentRole::NotRecording);
        kept.push_back(full.channels[0]);
    });
    const std::size_t total = 2 * CRoZudozuvDoc::kLiveCapacity + 7;
    host.SetLiveRecordLimit(total);

    // Several readings a block, so a seam falls inside a block.
    frames::Bytes block;
    bool started = false;
    for (int n = 0; n < static_cast<int>(total) + 20; ++n) {
        const frames::Bytes frame = LiveFrame(n);
        block.insert(block.end(), frame.begin(), frame.end());
        if (n % 3 != 2) {
            continue;
        }
        if (!started) {
            started = session.StartAsDataArrives();
        }
        session.OnReceiveBytes(block.data(), block.size());
        block.clear();
        // The first full document is freed as soon as it is complete.
        if (host.Documents().size() == 2 && seams.size() == 1) {
            host.CloseDocument(*host.Documents().front(), session.Registry());
        }
    }
    ASSERT_EQ(seams.size(), 2u);
    for (const auto& [fullSize, nextSize] : seams) {
        EXPECT_EQ(fullSize, CRoZudozuvDoc::kLiveCapacity);
        EXPECT_EQ(nextSize, 0u) << "told before the next document takes its first reading";
    }
    const std::vector<const CRoZudozuvDoc*> open = host.Documents();
    ASSERT_EQ(open.size(), 2u) << "the freed document is gone";
    kept.push_back(open.back()->channels[0]);
    EXPECT_EQ(session.Registry().Documents().size(), 2u);

    std::vector<CObData> all;
    for (const std::vector<CObData>& part : kept) {
        EXPECT_EQ(part.front().sequence, 0) << "each document numbers its own records";
        EXPECT_EQ(part.back().sequence, static_cast<std::int32_t>(part.size() - 1));
        all.insert(all.end(), part.begin(), part.end());
    }
    ASSERT_EQ(all.size(), total) << "the count runs on across the documents";
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_NEAR(all[i].value, static_cast<double>(i % 5000) / 1000.0, 1e-6) << "reading " << i;
    }
    EXPECT_EQ(open.back()->summary.dataNumber, 7) << "each document has its own summary";
}

// Without the continue option a full document stops the recording, as always.
TEST(LongLog, WithoutContinuingAFullDocumentStopsTheRecording) {
    FixedClock clock{0};
    CHeadlessSessionHost host(100);
    CMeterSession session(host, clock);
    for (int n = 0; n < static_cast<int>(CRoZudozuvDoc::kLiveCapacity) + 3; ++n) {
        const frames::Bytes frame = LiveFrame(n);
        if (n == 0) {
            ASSERT_TRUE(session.StartAsDataArrives());
        }
        session.OnReceiveBytes(frame.data(), frame.size());
    }
    ASSERT_EQ(host.Documents().size(), 1u);
    EXPECT_EQ(host.Documents()[0]->channels[0].size(), CRoZudozuvDoc::kLiveCapacity);
    EXPECT_FALSE(session.IsRunning());
}

// One table of readings per set of limits: the side of each reading, where a
// crossing falls (a change of side, not every reading outside) and the
// excursion counts.
TEST(LongLog, LimitCrossingsAreChangesOfSide) {
    const double OL = kOverloadValue;
    struct Case {
        const char* name;
        Limits limits;
        std::vector<double> values;
        std::string sides;    // W within, H high, L low, per reading
        std::string crossed;  // x where a reading crossed
        std::size_t above, below;
    };
    const std::vector<Case> cases = {
        {"both", {5.0, 1.0}, {3, 5, 5.2, 6, 4, 0.9, 0.5, 1, 5.1}, "WWHHWLLWH", "  x xx xx", 2, 1},
        {"high only", {5.0, std::nullopt}, {-100, 6, OL, 4, OL}, "WHHWH", " x xx", 2, 0},
        {"low only: an overload is within",
         {std::nullopt, 1.0},
         {OL, 0, OL, 2},
         "WLWW",
         " xx ",
         0,
         1},
        {"straight from high to low", {5.0, 1.0}, {6, 0, 6}, "HLH", "xxx", 2, 1},
        {"no limits", {}, {OL, -1e9, 1e9}, "WWW", "   ", 0, 0},
    };
    for (const Case& c : cases) {
        CLimitWatcher watcher(c.limits);
        std::string sides, crossed;
        for (double v : c.values) {
            const CLimitWatcher::Step step = watcher.Watch(v);
            sides += step.side == LimitSide::High ? 'H' : step.side == LimitSide::Low ? 'L' : 'W';
            crossed += step.crossed ? 'x' : ' ';
        }
        EXPECT_EQ(sides, c.sides) << c.name;
        EXPECT_EQ(crossed, c.crossed) << c.name;
        EXPECT_EQ(watcher.AboveHigh(), c.above) << c.name;
        EXPECT_EQ(watcher.BelowLow(), c.below) << c.name;
    }
}

// Crossings kept in a document give the Remark of their rows only; a
// document without crossings keeps channel 2 empty.
TEST(LongLog, CrossingsGiveTheRemarkOfTheirRowsOnly) {
    CRoZudozuvDoc doc;
    CLimitWatcher watcher({5.0, 1.0});
    for (double v : {3.0, 6.0, 7.0, 0.0, 2.0}) {
        CObData reading;
        reading.value = v;
        reading.sequence = static_cast<std::int32_t>(doc.channels[0].size());
        doc.AppendRecord(0, reading);
        const CLimitWatcher::Step step = watcher.Watch(v);
        if (step.crossed) {
            KeepCrossing(doc, reading, step.side);
        }
    }
    std::vector<std::string> remarks;
    for (std::int32_t row = 0; row < 5; ++row) {
        remarks.push_back(RemarkOfRow(doc, row));
    }
    EXPECT_EQ(remarks, (std::vector<std::string>{"", "High", "", "Low", ""}));
    EXPECT_EQ(doc.channels[2].size(), 2u);
    doc.channels[2].push_back({4.0, "V", 1.0, 2, "x", "from another tool"});
    EXPECT_EQ(RemarkOfRow(doc, 2), "") << "only crossings give a remark";
    EXPECT_EQ(ExcursionText({5.0, std::nullopt}, 3, 0), "Above high: 3\r\n\r\n");
    EXPECT_EQ(ExcursionText({5.0, 1.0}, 3, 0), "Above high: 3\r\n\r\nBelow low: 0\r\n\r\n");
    EXPECT_EQ(ExcursionText({}, 3, 0), "");
}
