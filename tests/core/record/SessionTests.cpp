#include <gtest/gtest.h>

#include <list>

#include "RecordingFakes.h"
#include "frames/FrameEncoder.h"
#include "record/DataTimeout.h"
#include "record/MeterSession.h"

namespace {

// The program around the session: documents with recording views, the bytes
// written to the meter and the progress window's life.
class FakeHost : public ISessionHost {
  public:
    std::list<OpenDocument> documents;
    bool refuseDocuments = false;
    std::vector<std::uint8_t> written;
    int readSize = 100;
    std::vector<std::string> progress;
    std::vector<CRoZudozuvDoc*> adopted;

    CRoZudozuvDoc* OpenNewDocument() override {
        if (refuseDocuments) {
            return nullptr;
        }
        documents.emplace_back();
        return documents.back().document.get();
    }
    void ReadingDecoded(const MeterReading&, FaceNumber, DialPosition, bool) override {}
    void WriteToMeter(const std::uint8_t* bytes, std::size_t count) override {
        written.insert(written.end(), bytes, bytes + count);
    }
    int ReadSize() const override { return readSize; }
    void SetReadSize(int bytes) override { readSize = bytes; }
    void ShowDownloadProgress(int blockCount) override {
        progress.push_back("show " + std::to_string(blockCount));
    }
    void SetDownloadProgress(int blocksDone) override {
        progress.push_back("at " + std::to_string(blocksDone));
    }
    void CloseDownloadProgress() override { progress.push_back("close"); }
    void DownloadAdopted(CRoZudozuvDoc& document) override { adopted.push_back(&document); }

    OpenDocument& Doc(std::size_t i) { return *std::next(documents.begin(), static_cast<long>(i)); }
};

class Session : public ::testing::Test {
  protected:
    void SetUp() override {
        UseUtc();
        clock.Set(MakeLocalTime(2026, 12, 7, 9, 5, 3));
    }

    // One call of the receive routine per block of bytes, as the reader delivers them.
    void Receive(const frames::Bytes& bytes) { session.OnReceiveBytes(bytes.data(), bytes.size()); }

    static frames::Bytes LiveFrame(float value, float limit = 50.0f) {
        frames::PlainFrame f;
        f.value = value;
        f.limit = limit;
        f.range = 2;  // three decimals
        return frames::Encode(f);
    }

    FakeHost host;
    FixedClock clock{0};
    CMeterSession session{host, clock};
};

}  // namespace

TEST_F(Session, StartAndStopRules) {
    EXPECT_FALSE(session.Start());  // the meter is silent: nothing opens
    EXPECT_TRUE(host.documents.empty());
    EXPECT_FALSE(session.IsRunning());

    Receive(LiveFrame(1.0f));  // shown, not recorded
    ASSERT_TRUE(session.Start());
    EXPECT_TRUE(session.IsRunning());
    Receive(LiveFrame(1.25f));
    session.Stop();
    EXPECT_FALSE(session.IsRunning());
    ASSERT_TRUE(session.Start());
    Receive(LiveFrame(2.5f));

    ASSERT_EQ(host.documents.size(), 2u);
    EXPECT_EQ(host.Doc(0).document->Role(), DocumentRole::NotRecording);
    EXPECT_EQ(host.Doc(1).document->Role(), DocumentRole::Live);
    ASSERT_EQ(host.Doc(0).document->channels[0].size(), 1u);
    EXPECT_DOUBLE_EQ(host.Doc(0).document->channels[0][0].value, 1.25);
    EXPECT_EQ(host.Doc(0).document->channels[0][0].timeText, "7/12/2026 9:5:3");
    EXPECT_EQ(host.Doc(0).view->rows[0].valueText, "1.250");
    ASSERT_EQ(host.Doc(1).document->channels[0].size(), 1u);
    EXPECT_EQ(session.Registry().Documents().size(), 2u);

    // The running document is closed, then Stop: running is cleared all the same.
    session.Registry().Remove(host.Doc(1).document.get());
    session.Stop();
    EXPECT_FALSE(session.IsRunning());

    // A host that cannot open a document does not start acquisition.
    host.refuseDocuments = true;
    EXPECT_FALSE(session.Start());
    EXPECT_FALSE(session.IsRunning());
}

TEST_F(Session, LiveOverloadIsRecordedButNotCounted) {
    Receive(LiveFrame(1.0f));
    ASSERT_TRUE(session.Start());
    Receive(LiveFrame(12.0f));
    Receive(LiveFrame(50.5f));  // above the limit
    Receive(LiveFrame(11.0f));

    CRoZudozuvDoc& doc = *host.Doc(0).document;
    ASSERT_EQ(doc.channels[0].size(), 3u);
    EXPECT_DOUBLE_EQ(doc.channels[0][1].value, kOverloadValue);
    EXPECT_EQ(host.Doc(0).view->rows[1].valueText, "OL");
    EXPECT_FLOAT_EQ(session.Engine().Reading().value, 11.0f);
    EXPECT_EQ(doc.countedNumber, 2);
    EXPECT_DOUBLE_EQ(doc.summary.sum, 23.0);
    EXPECT_DOUBLE_EQ(doc.summary.maximum, 12.1);  // spread by automatic scaling
    EXPECT_DOUBLE_EQ(doc.summary.minimum, 11.0);
    EXPECT_EQ(doc.summary.dataNumber, 3);
    EXPECT_EQ(host.Doc(0).view->summaryRefreshes, 3);
    EXPECT_EQ(host.Doc(0).view->ranges.back(), (YRange{50.0, -50.0}));
}

TEST_F(Session, MeterRecordFramesGoToTheirOwnDocument) {
    Receive(LiveFrame(1.0f));
    ASSERT_TRUE(session.Start());
    Receive(LiveFrame(2.0f));

    frames::MinMaxFrame record;
    record.family = frames::Family::MeterRecord;
    record.value = 1.5f;
    record.maxValue = 2.5f;
    record.minValue = 0.5f;
    record.avgValue = 1.25f;
    record.limit = 60.0f;
    record.range = 0xFF;  // two decimals everywhere
    record.maxTime = frames::MakeBcdTime(0, 12, 41);
    record.minTime = frames::MakeBcdTime(0, 3, 2);
    record.avgTime = frames::MakeBcdTime(0, 1, 0);
    record.start = frames::MakeBcdStamp(18, 12, 31, 23, 59, 30);
    Receive(frames::SyncMarker());
    Receive(frames::Encode(record));
    record.value = 1.75f;
    Receive(frames::Encode(record));

    ASSERT_EQ(host.documents.size(), 2u);
    EXPECT_FALSE(session.IsRunning());
    EXPECT_EQ(host.Doc(0).document->Role(), DocumentRole::NotRecording);
    EXPECT_EQ(host.Doc(0).document->channels[0].size(), 1u);

    OpenDocument& target = host.Doc(1);
    EXPECT_EQ(target.document->Role(), DocumentRole::MeterRecords);
    const auto& main = target.document->channels[0];
    const auto& companions = target.document->channels[1];
    ASSERT_EQ(main.size(), 2u);
    ASSERT_EQ(companions.size(), 6u);
    EXPECT_EQ(main[0].timeText, "2019/01/01 00:00:30");
    EXPECT_EQ(main[0].typeText, "VDC");
    EXPECT_DOUBLE_EQ(main[1].value, 1.75);
    EXPECT_EQ(companions[0].typeText, "Max");
    EXPECT_EQ(companions[0].timeText, "00:12:41");
    EXPECT_EQ(companions[5].typeText, "Average");
    EXPECT_EQ(companions[5].sequence, 1);
    EXPECT_EQ(target.view->rows.size(), 8u);
    EXPECT_EQ(target.document->summary.dataNumber, 2);
    EXPECT_DOUBLE_EQ(target.document->summary.average, 1.625);
    // Each main record changes the summary its view shows.
    EXPECT_EQ(target.view->summaryRefreshes, 2);
}

TEST_F(Session, DownloadIsAcknowledgedAndAdopted) {
    Receive(LiveFrame(1.0f));
    ASSERT_TRUE(session.Start());

    frames::DownloadHeader header;
    header.function = 2;  // VDC
    header.start = frames::MakeBcdStamp(26, 12, 7, 23, 30, 0);
    header.interval = 2;
    header.blockCount = 2;
    Receive(frames::Encode(header));
    EXPECT_FALSE(session.IsRunning());
    EXPECT_EQ(host.readSize, 1000);
    Receive(frames::EncodeBlock(1, {{1.5f, 0}, {-2.0f, 2}}));
    Receive(frames::EncodeBlock(2, {{7.25f, 3600}}));

    // Two bursts of five acknowledgements: after the header and after block 1.
    frames::Bytes expected;
    for (int i = 0; i < 10; ++i) {
        const frames::Bytes ack = frames::AckCommand();
        expected.insert(expected.end(), ack.begin(), ack.end());
    }
    EXPECT_EQ(host.written, expected);
    EXPECT_EQ(host.progress, (std::vector<std::string>{"show 2", "at 1", "close"}));

    ASSERT_EQ(host.documents.size(), 2u);
    // The header stopped live acquisition.
    EXPECT_EQ(host.Doc(0).document->Role(), DocumentRole::NotRecording);
    OpenDocument& adopted = host.Doc(1);
    ASSERT_EQ(host.adopted, (std::vector<CRoZudozuvDoc*>{adopted.document.get()}));
    EXPECT_EQ(adopted.document->Role(), DocumentRole::NotRecording);
    EXPECT_TRUE(session.Engine().DownloadedRecords().empty());

    const auto& records = adopted.document->channels[0];
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].timeText, "7/12/2026 23:30:0");
    EXPECT_EQ(records[2].timeText, "8/12/2026 0:30:0");
    EXPECT_EQ(records[2].sequence, 2);
    EXPECT_EQ(adopted.view->rows[1].valueText, "-2.0000");

    const DocumentSummary& s = adopted.document->summary;
    EXPECT_DOUBLE_EQ(s.maximum, 7.25);
    EXPECT_DOUBLE_EQ(s.minimum, -2.0);
    EXPECT_DOUBLE_EQ(s.average, (1.5 - 2.0 + 7.25) / 3);
    EXPECT_DOUBLE_EQ(s.sampleRate, 2.0);
    EXPECT_EQ(s.type, "VDC");
    EXPECT_EQ(s.dataNumber, 3);
    ASSERT_EQ(adopted.view->ranges.size(), 1u);
    EXPECT_DOUBLE_EQ(adopted.view->ranges[0].top, 7.25 + 0.925);
    EXPECT_DOUBLE_EQ(adopted.view->ranges[0].bottom, -2.0 - 0.925);

    // Later live readings do not reach the adopted document.
    ASSERT_TRUE(session.Start());
    Receive(LiveFrame(3.0f));
    EXPECT_EQ(records.size(), 3u);
    EXPECT_EQ(host.Doc(2).document->channels[0].size(), 1u);
}

TEST_F(Session, EmptyDownloadOpensAnEmptyDocumentThatIsNotLive) {
    frames::DownloadHeader header;
    header.start = frames::MakeBcdStamp(26, 12, 7, 9, 0, 0);
    header.blockCount = 0;
    Receive(frames::Encode(header));
    ASSERT_EQ(host.documents.size(), 1u);
    EXPECT_TRUE(host.Doc(0).document->channels[0].empty());
    EXPECT_EQ(host.Doc(0).document->Role(), DocumentRole::NotRecording);
    EXPECT_EQ(host.Doc(0).document->summary, DocumentSummary{});
    EXPECT_TRUE(host.Doc(0).view->ranges.empty());
    EXPECT_EQ(host.progress, (std::vector<std::string>{"show 0", "close"}));
}

TEST_F(Session, FrequencyReadingsAreNotJudgedByAnotherFunctionsLimit) {
    Receive(LiveFrame(5.0f, 6.0f));  // a voltage frame leaves the limit at 6
    ASSERT_TRUE(session.Start());
    frames::FrequencyFrame hertz;
    hertz.value = 50.0f;  // mains frequency, well above the voltage limit
    hertz.duty = 0.5f;
    Receive(frames::Encode(hertz));

    CRoZudozuvDoc& doc = *host.Doc(0).document;
    ASSERT_EQ(doc.channels[0].size(), 1u);
    EXPECT_DOUBLE_EQ(doc.channels[0][0].value, 50.0);
    EXPECT_EQ(doc.channels[0][0].unit, "HZ");
    EXPECT_EQ(doc.summary.dataNumber, 1);
    EXPECT_DOUBLE_EQ(doc.summary.sum, 50.0);                  // counted, not treated as an overload
    EXPECT_FLOAT_EQ(session.Engine().Reading().limit, 6.0f);  // the reading keeps its fields

    // A meter-record frequency frame is not clamped to the overload value either.
    Receive(frames::SyncMarker());
    hertz.family = frames::Family::MeterRecord;
    Receive(frames::Encode(hertz));
    const CRoZudozuvDoc& records = *host.Doc(1).document;
    ASSERT_EQ(records.channels[0].size(), 1u);
    EXPECT_DOUBLE_EQ(records.channels[0][0].value, 50.0);
}

TEST_F(Session, DataTimeoutStopsASilentMeterAndEndsAStalledDownload) {
    CDataTimeout timeout(session);
    Receive(LiveFrame(1.0f));
    ASSERT_TRUE(session.Start());
    const FaceState shown{FaceNumber::Standard, DialPosition::VoltsDc};

    clock.Advance(9);
    EXPECT_FALSE(timeout.Tick(shown).silent);
    EXPECT_TRUE(session.IsRunning());
    clock.Advance(1);
    const DataTimeoutResult silent = timeout.Tick(shown);
    EXPECT_TRUE(silent.silent);
    EXPECT_EQ(silent.face, (FaceState{FaceNumber::Disconnected, DialPosition::Off}));
    EXPECT_FALSE(session.IsRunning());
    EXPECT_FALSE(session.Engine().HasReceivedData());
    EXPECT_EQ(host.Doc(0).document->Role(), DocumentRole::NotRecording);
    EXPECT_FALSE(silent.downloadEnded);

    // The sync marker suspends it.
    Receive(frames::SyncMarker());
    clock.Advance(60);
    EXPECT_FALSE(timeout.Tick(shown).silent);
    Receive(LiveFrame(2.0f));  // a live frame ends the sync state

    // A download that stalls after its first block ends with what arrived.
    frames::DownloadHeader header;
    header.blockCount = 2;
    Receive(frames::Encode(header));
    Receive(frames::EncodeBlock(1, {{1.0f, 0}, {2.0f, 1}}));
    clock.Advance(10);
    EXPECT_TRUE(timeout.Tick(shown).downloadEnded);
    EXPECT_FALSE(session.Engine().IsDownloading());
    ASSERT_EQ(host.adopted.size(), 1u);
    EXPECT_EQ(host.adopted[0]->channels[0].size(), 2u);

    // Counted from a given moment instead of the last block.
    CDataTimeout fromNow(session, SilenceSecondsAtLeast(0.5));
    fromNow.CountFromNow();
    clock.Advance(1);
    EXPECT_FALSE(fromNow.Tick().silent);
    clock.Advance(1);
    EXPECT_TRUE(fromNow.Tick().silent);
}

TEST_F(Session, APendingReconnectKeepsTheRecordingButEndsAStalledDownload) {
    CDataTimeout timeout(session);
    Receive(LiveFrame(1.0f));
    ASSERT_TRUE(session.Start());
    Receive(LiveFrame(1.5f));
    const FaceState shown{FaceNumber::Standard, DialPosition::VoltsDc};

    // A minute without the device: DISCONNECTED, but the recording waits for it.
    clock.Advance(60);
    const DataTimeoutResult kept = timeout.Tick(shown, true);
    EXPECT_TRUE(kept.silent);
    EXPECT_TRUE(kept.recordingKept);
    EXPECT_EQ(kept.face, (FaceState{FaceNumber::Disconnected, DialPosition::Off}));
    EXPECT_TRUE(session.IsRunning());
    EXPECT_EQ(host.Doc(0).document->Role(), DocumentRole::Live);

    // Back: counted afresh, and the readings go on with the next sequence numbers.
    timeout.CountFromNow();
    clock.Advance(9);
    EXPECT_FALSE(timeout.Tick(shown).silent);
    Receive(LiveFrame(2.0f));
    const auto& records = host.Doc(0).document->channels[0];
    ASSERT_EQ(records.size(), 2u);  // 1.5 before the gap, 2.0 after it
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].sequence, static_cast<std::int32_t>(i));
    }

    // A download that stalls while the link is away ends with what arrived.
    frames::DownloadHeader header;
    header.blockCount = 2;
    Receive(frames::Encode(header));
    Receive(frames::EncodeBlock(1, {{1.0f, 0}, {2.0f, 1}}));
    clock.Advance(10);
    EXPECT_TRUE(timeout.Tick(shown, true).downloadEnded);
    EXPECT_FALSE(session.Engine().IsDownloading());
    ASSERT_EQ(host.adopted.size(), 1u);
    EXPECT_EQ(host.adopted[0]->channels[0].size(), 2u);
}

TEST_F(Session, ADocumentStoppedBySilenceTakesNoReadingsAfterTheNextStart) {
    CDataTimeout timeout(session);
    Receive(LiveFrame(1.0f));
    ASSERT_TRUE(session.Start());
    Receive(LiveFrame(1.5f));
    clock.Advance(10);
    ASSERT_TRUE(timeout.Tick({FaceNumber::Standard, DialPosition::VoltsDc}).silent);

    // The meter speaks again and the user starts anew: only the new document records.
    Receive(LiveFrame(2.0f));
    ASSERT_TRUE(session.Start());
    Receive(LiveFrame(2.5f));
    ASSERT_EQ(host.documents.size(), 2u);
    EXPECT_EQ(host.Doc(0).document->channels[0].size(), 1u);
    EXPECT_EQ(host.Doc(0).view->rows.size(), 1u);
    EXPECT_EQ(host.Doc(0).view->roles, (std::vector<DocumentRole>{DocumentRole::NotRecording}));
    EXPECT_EQ(host.Doc(1).document->channels[0].size(), 1u);
}
