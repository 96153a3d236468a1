// The stored-record download: header, acknowledged blocks, record times, the
// finish, and the ways a download can stall or be split across chunks.
#include <gtest/gtest.h>

#include "RecorderHost.h"
#include "frames/Scenarios.h"

using frames::Bytes;
using frames::StoredRecord;

namespace {

Bytes Header(int blockCount, frames::BcdStamp start = frames::MakeBcdStamp(26, 12, 7, 9, 5, 9)) {
    frames::DownloadHeader h;
    h.function = 2;
    h.start = start;
    h.interval = 5;
    h.blockCount = static_cast<std::uint16_t>(blockCount);
    return frames::Encode(h);
}

std::vector<std::string> TimeTexts(const std::vector<CObData>& records) {
    std::vector<std::string> texts;
    for (const CObData& r : records) {
        texts.push_back(r.timeText);
    }
    return texts;
}

}  // namespace

TEST(Download, TwoBlocksAreAcknowledgedRecordedAndFinished) {
    EngineFixture fx;
    fx.host.running = true;
    fx.Feed(Header(2));
    EXPECT_EQ(fx.host.stops, 1);
    EXPECT_FALSE(fx.host.running);
    EXPECT_TRUE(fx.engine.IsDownloading());
    EXPECT_TRUE(fx.engine.IsAwaitingBlockHeader());
    EXPECT_EQ(fx.engine.DownloadInfo().function, "VDC");
    EXPECT_EQ(fx.engine.DownloadInfo().startText, "07/12/26 09:05:09");
    EXPECT_EQ(fx.engine.DownloadInfo().interval, 5);
    EXPECT_EQ(fx.engine.DownloadInfo().blockCount, 2);
    EXPECT_EQ(fx.host.AckCount(), 5);
    EXPECT_EQ(fx.host.written.size(), 15u);
    EXPECT_EQ(fx.host.startedBlockCounts, (std::vector<int>{2}));
    EXPECT_EQ(fx.host.readSize, 1000);
    EXPECT_TRUE(fx.engine.PendingHex().empty());

    fx.Feed(frames::EncodeBlock(1, {{1.5f, 0}, {2.5f, 5}, {-3.0f, 10}}));
    EXPECT_EQ(fx.engine.DownloadedRecords().size(), 3u);
    EXPECT_EQ(fx.host.AckCount(), 10);
    EXPECT_EQ(fx.host.progress, (std::vector<int>{1}));
    EXPECT_EQ(fx.host.finished, 0);

    fx.Feed(frames::EncodeBlock(2, {{4.0f, 15}}));
    EXPECT_EQ(fx.host.AckCount(), 10);  // none after the last block
    EXPECT_EQ(fx.host.finished, 1);
    EXPECT_EQ(fx.host.events.back(), "finished");
    EXPECT_FALSE(fx.engine.IsDownloading());
    EXPECT_FALSE(fx.engine.IsAwaitingBlockHeader());

    const std::vector<CObData>& list = fx.engine.DownloadedRecords();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[2], (CObData{-3.0, "VDC", 5.0, 2, "7/12/2026 9:5:19", "VDC"}));
    EXPECT_EQ(TimeTexts(list), (std::vector<std::string>{"7/12/2026 9:5:9", "7/12/2026 9:5:14",
                                                         "7/12/2026 9:5:19", "7/12/2026 9:5:24"}));
    EXPECT_EQ(list[3].sequence, 3);
    EXPECT_EQ(list[3].Time(), MakeLocalTime(2026, 12, 7, 9, 5, 24)) << "the moment behind the text";
    // The header stops acquisition before anything is written to the meter.
    EXPECT_EQ(fx.host.events.front(), "stop");
}

TEST(Download, RecordTimesRollOverMidnightAndMayLieBeforeTheStart) {
    EngineFixture fx;
    // Hand-built header: function 16 (HZ), start 07/12/26 23:30:00, interval
    // 60, one block.
    fx.FeedHex(
        "a0a810261207233000"
        "3c000000"
        "00000000"
        "00000000"
        "0100"
        "000000");
    EXPECT_EQ(fx.engine.DownloadInfo().function, "HZ");
    EXPECT_EQ(fx.engine.DownloadInfo().interval, 60);
    // Block 1 with two records: 50.0 at +3600 s and 1.0 at -60 s.
    fx.FeedHex(
        "a0a9020100"
        "00004842100e0000"
        "0000803fc4ffffff"
        "a10000");
    ASSERT_EQ(fx.engine.DownloadedRecords().size(), 2u);
    EXPECT_EQ(fx.engine.DownloadedRecords()[0].timeText, "8/12/2026 0:30:0");
    EXPECT_DOUBLE_EQ(fx.engine.DownloadedRecords()[0].value, 50.0);
    EXPECT_EQ(fx.engine.DownloadedRecords()[0].unit, "HZ");
    EXPECT_DOUBLE_EQ(fx.engine.DownloadedRecords()[0].sampleRate, 60.0);
    EXPECT_EQ(fx.engine.DownloadedRecords()[1].timeText, "7/12/2026 23:29:0");
    EXPECT_EQ(fx.host.finished, 1);
}

TEST(Download, WrongBlockHeadersAreDroppedAndTheExpectedOneStillAccepted) {
    EngineFixture fx;
    fx.Feed(Header(1));
    // Block number 2 while block 1 is expected: dropped, nothing recorded.
    fx.FeedHex("a0a9030200");
    EXPECT_TRUE(fx.engine.IsAwaitingBlockHeader());
    EXPECT_EQ(fx.engine.BlocksDone(), 0);
    // A wrong marker is dropped as well.
    fx.FeedHex("a0aa030100");
    EXPECT_TRUE(fx.engine.IsAwaitingBlockHeader());
    EXPECT_TRUE(fx.engine.DownloadedRecords().empty());
    EXPECT_EQ(fx.host.AckCount(), 5);

    fx.Feed(frames::EncodeBlock(1, {{1.0f, 0}, {2.0f, 1}, {3.0f, 2}}));
    EXPECT_EQ(fx.engine.DownloadedRecords().size(), 3u);
    EXPECT_EQ(fx.host.finished, 1);
}

TEST(Download, EmptyDownloadFinishesAtOnce) {
    EngineFixture fx;
    fx.Feed(Header(0));
    EXPECT_EQ(fx.host.AckCount(), 5);
    EXPECT_EQ(fx.host.startedBlockCounts, (std::vector<int>{0}));
    EXPECT_EQ(fx.host.finished, 1);
    EXPECT_FALSE(fx.engine.IsDownloading());
    EXPECT_TRUE(fx.engine.DownloadedRecords().empty());
}

TEST(Download, HeaderAndBlocksSplitAcrossChunks) {
    EngineFixture fx;
    const Bytes header = Header(2);
    // The first call drops what came before the marker and raises the read size.
    fx.Feed(Concat({frames::FromHex("1234"), Bytes(header.begin(), header.begin() + 10)}));
    EXPECT_FALSE(fx.engine.IsDownloading());
    EXPECT_EQ(fx.engine.PendingHex(), frames::ToHex(Bytes(header.begin(), header.begin() + 10)));
    EXPECT_EQ(fx.host.readSize, 1000);
    fx.Feed(Bytes(header.begin() + 10, header.end()));
    EXPECT_TRUE(fx.engine.IsDownloading());
    EXPECT_EQ(fx.host.AckCount(), 5);

    // Block 1 arrives byte by byte; the body is taken once it is complete.
    fx.FeedChunked(frames::EncodeBlock(1, {{1.0f, 0}, {2.0f, 5}}), 1);
    EXPECT_EQ(fx.engine.DownloadedRecords().size(), 2u);
    EXPECT_EQ(fx.host.AckCount(), 10);

    // The last block in two chunks: nothing is decoded before its records
    // and trailer are there, and nothing is lost after.
    const Bytes last = frames::EncodeBlock(2, {{3.0f, 10}, {4.0f, 15}, {5.0f, 20}});
    fx.Feed(Bytes(last.begin(), last.begin() + 12));
    EXPECT_EQ(fx.engine.DownloadedRecords().size(), 2u);
    EXPECT_EQ(fx.host.finished, 0);
    fx.Feed(Bytes(last.begin() + 12, last.end()));
    ASSERT_EQ(fx.engine.DownloadedRecords().size(), 5u);
    EXPECT_DOUBLE_EQ(fx.engine.DownloadedRecords()[4].value, 5.0);
    EXPECT_EQ(fx.host.finished, 1);
    EXPECT_EQ(fx.host.AckCount(), 10);
}

TEST(Download, BlockHeaderCutAtTheChunkBoundaryIsNotTakenForABody) {
    EngineFixture fx;
    fx.Feed(Header(1));
    // 161 records: the record-count byte A1 looks like a trailer mark.
    std::vector<StoredRecord> records(161, StoredRecord{7.0f, 1});
    const Bytes block = frames::EncodeBlock(1, records);
    fx.Feed(Bytes(block.begin(), block.begin() + 3));
    EXPECT_EQ(fx.host.AckCount(), 5);
    fx.FeedChunked(Bytes(block.begin() + 3, block.end()), 1000);
    EXPECT_EQ(fx.engine.DownloadedRecords().size(), 161u);
    EXPECT_EQ(fx.host.finished, 1);
}

TEST(Download, EndDownloadEarlyKeepsCompleteRecords) {
    {
        EngineFixture fx;  // all records there, trailer missing
        fx.Feed(Header(3));
        fx.Feed(frames::EncodeBlock(1, {{1.0f, 0}}));
        const Bytes block = frames::EncodeBlock(2, {{2.0f, 5}, {3.0f, 10}});
        fx.Feed(Bytes(block.begin(), block.end() - 3));
        EXPECT_EQ(fx.engine.DownloadedRecords().size(), 1u);
        fx.engine.EndDownloadEarly();
        EXPECT_EQ(fx.engine.DownloadedRecords().size(), 3u);
        EXPECT_EQ(fx.host.finished, 1);
        EXPECT_FALSE(fx.engine.IsDownloading());
        EXPECT_FALSE(fx.engine.IsAwaitingBlockHeader());
        EXPECT_TRUE(fx.engine.PendingHex().empty());
        fx.engine.EndDownloadEarly();  // nothing runs any more
        EXPECT_EQ(fx.host.finished, 1);
    }
    {
        EngineFixture fx;  // a block cut inside its records is left out
        fx.Feed(Header(2));
        const Bytes block = frames::EncodeBlock(1, {{2.0f, 5}, {3.0f, 10}});
        fx.Feed(Bytes(block.begin(), block.begin() + 15));
        fx.engine.EndDownloadEarly();
        EXPECT_TRUE(fx.engine.DownloadedRecords().empty());
        EXPECT_EQ(fx.host.finished, 1);
    }
    {
        EngineFixture fx;
        fx.engine.EndDownloadEarly();
        EXPECT_EQ(fx.host.finished, 0);
    }
}

TEST(Download, GarbageDuringADownloadStaysBounded) {
    EngineFixture fx;
    fx.Feed(Header(2));
    Bytes junk(1000, 0x55);
    for (int i = 0; i < 100; ++i) {
        fx.Feed(junk);
        EXPECT_LE(fx.engine.PendingHex().size(), CReceiveEngine::kMaxPendingHex);
    }
    EXPECT_TRUE(fx.engine.IsDownloading());
}

TEST(Download, NewHeaderRestartsTheDownloadAndKeepsEarlierRecords) {
    EngineFixture fx;
    fx.Feed(Header(2));
    fx.Feed(frames::EncodeBlock(1, {{1.0f, 0}}));
    EXPECT_EQ(fx.engine.BlocksDone(), 1);
    fx.Feed(Header(1));
    EXPECT_EQ(fx.engine.BlocksDone(), 0);
    EXPECT_EQ(fx.host.AckCount(), 15);
    fx.Feed(frames::EncodeBlock(1, {{9.0f, 0}}));
    ASSERT_EQ(fx.engine.DownloadedRecords().size(), 2u);
    EXPECT_EQ(fx.engine.DownloadedRecords()[1].sequence, 1);
    EXPECT_EQ(fx.host.finished, 1);
}

TEST(Download, ConversationWithTheSimulatedMeter) {
    EngineFixture fx;
    frames::DownloadScenarioOptions options;
    options.blocks = 3;
    options.recordsPerBlock = 40;
    options.interval = 2;
    frames::DownloadScenario meter(options);
    std::size_t answered = 0;
    for (int tick = 0; tick < 100 && !meter.Finished(); ++tick) {
        fx.Feed(meter.NextChunk());
        meter.OnBytesFromProgram(std::span(fx.host.written).subspan(answered));
        answered = fx.host.written.size();
    }
    EXPECT_TRUE(meter.Finished());
    EXPECT_EQ(fx.host.finished, 1);
    EXPECT_EQ(fx.host.AckCount(), 15);
    EXPECT_EQ(fx.host.progress, (std::vector<int>{1, 2}));
    const std::vector<frames::StoredRecord>& sent = meter.Records();
    ASSERT_EQ(fx.engine.DownloadedRecords().size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(fx.engine.DownloadedRecords()[i].value, static_cast<double>(sent[i].value));
        EXPECT_DOUBLE_EQ(fx.engine.DownloadedRecords()[i].sampleRate, 2.0);
    }
}

namespace {

// A download of three blocks as the meter sends it, without waiting for the
// acknowledgements: header, then each block header with its body.
Bytes WholeDownload() {
    return Concat({Header(3), frames::EncodeBlock(1, {{1.0f, 0}, {2.0f, 5}, {3.0f, 10}}),
                   frames::EncodeBlock(2, {{4.0f, 15}, {5.0f, 20}}),
                   frames::EncodeBlock(3, {{6.0f, 25}, {7.0f, 30}, {8.0f, 35}, {9.0f, 40}})});
}

Bytes LiveFrame(float value) {
    frames::PlainFrame frame;
    frame.value = value;
    return frames::Encode(frame);
}

}  // namespace

TEST(Download, BlocksArrivingTogetherAreAllTakenWhateverTheChunkSize) {
    EngineFixture whole;
    whole.Feed(WholeDownload());
    const std::vector<CObData>& list = whole.engine.DownloadedRecords();
    ASSERT_EQ(list.size(), 9u);
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_DOUBLE_EQ(list[i].value, static_cast<double>(i + 1));
        EXPECT_EQ(list[i].sequence, static_cast<std::int32_t>(i));
    }
    EXPECT_EQ(list[8].timeText, "7/12/2026 9:5:49");
    // One burst after the header and one after each block but the last.
    EXPECT_EQ(whole.host.AckCount(), 15);
    EXPECT_EQ(whole.host.written.size(), 45u);
    EXPECT_EQ(whole.host.progress, (std::vector<int>{1, 2}));
    EXPECT_EQ(whole.host.finished, 1);
    EXPECT_EQ(whole.host.events.back(), "finished");
    EXPECT_FALSE(whole.engine.IsDownloading());
    EXPECT_TRUE(whole.engine.PendingHex().empty());

    for (std::size_t chunk : {1u, 7u, 100u}) {
        SCOPED_TRACE(chunk);
        EngineFixture fx;
        fx.FeedChunked(WholeDownload(), chunk);
        EXPECT_EQ(fx.engine.DownloadedRecords(), list);
        EXPECT_EQ(fx.host.written, whole.host.written);
        EXPECT_EQ(fx.host.progress, whole.host.progress);
        EXPECT_EQ(fx.host.finished, 1);
    }
}

TEST(Download, FramesAfterTheLastBlockAreDecodedNotDropped) {
    {
        // Two live frames right behind the download, and the first five bytes
        // of a third, which the next chunk completes.
        EngineFixture fx;
        const Bytes third = LiveFrame(3.25f);
        fx.Feed(Concat({WholeDownload(), LiveFrame(1.5f), LiveFrame(2.5f),
                        Bytes(third.begin(), third.begin() + 5)}));
        EXPECT_EQ(fx.engine.DownloadedRecords().size(), 9u);
        EXPECT_EQ(fx.host.finished, 1);
        ASSERT_EQ(fx.host.decoded.size(), 2u);
        EXPECT_FLOAT_EQ(fx.host.decoded[0].reading.value, 1.5f);
        EXPECT_FLOAT_EQ(fx.host.decoded[1].reading.value, 2.5f);
        EXPECT_EQ(fx.engine.PendingHex(), frames::ToHex(Bytes(third.begin(), third.begin() + 5)));
        fx.Feed(Bytes(third.begin() + 5, third.end()));
        ASSERT_EQ(fx.host.decoded.size(), 3u);
        EXPECT_FLOAT_EQ(fx.host.decoded[2].reading.value, 3.25f);
        // The download stopped acquisition: the frames are shown, not recorded.
        EXPECT_TRUE(fx.host.dispatched.empty());
    }
    {
        // A download that announces no blocks, then a live frame.
        EngineFixture fx;
        fx.Feed(Concat({Header(0), LiveFrame(4.0f)}));
        EXPECT_EQ(fx.host.finished, 1);
        ASSERT_EQ(fx.host.decoded.size(), 1u);
        EXPECT_FLOAT_EQ(fx.host.decoded[0].reading.value, 4.0f);
    }
    {
        // Text behind the last block that is no frame is kept for the next
        // chunk, like the tail after a frame cut, and dropped by it.
        EngineFixture fx;
        fx.Feed(Concat({WholeDownload(), frames::FromHex("1234")}));
        EXPECT_EQ(fx.engine.PendingHex(), "1234");
        fx.Feed(frames::FromHex("5678"));
        EXPECT_TRUE(fx.engine.PendingHex().empty());
        EXPECT_EQ(fx.engine.DownloadedRecords().size(), 9u);
    }
}

TEST(Download, TrailerMarkMustLieInsideItsOwnBlock) {
    EngineFixture fx;
    fx.Feed(Header(2));
    // Block 1 with a trailer lacking A1, followed by block 2 whose trailer has it.
    frames::BlockHeader h1;
    h1.recordCount = 1;
    h1.number = 1;
    frames::BlockBody b1;
    b1.records = {{1.0f, 0}};
    b1.trailer = {0x00, 0x00, 0x00};
    fx.Feed(Concat({frames::Encode(h1), frames::Encode(b1), frames::EncodeBlock(2, {{2.0f, 5}})}));
    EXPECT_TRUE(fx.engine.DownloadedRecords().empty());
    EXPECT_EQ(fx.host.AckCount(), 5);
    EXPECT_TRUE(fx.engine.IsDownloading());
}
