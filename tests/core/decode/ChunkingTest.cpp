// The same bytes give the same readings and the same download however the
// link cuts them into chunks: frames, download blocks and markers split at
// any byte are completed by the chunks that follow.
#include <gtest/gtest.h>

#include "RecorderHost.h"

using frames::Bytes;
using frames::Family;

namespace {

struct Outcome {
    std::vector<float> decodedValues;
    std::vector<int> faces;
    std::vector<int> meterRecordModes;
    std::vector<CObData> downloaded;
    std::vector<std::uint8_t> written;
    std::vector<int> progress;
    int finished = 0;
};

Outcome FeedInChunks(const Bytes& stream, std::size_t chunk) {
    EngineFixture fx;
    fx.FeedChunked(stream, chunk);
    Outcome out;
    for (const RecorderHost::Decoded& d : fx.host.decoded) {
        out.decodedValues.push_back(d.reading.value);
        out.faces.push_back(d.face);
    }
    out.meterRecordModes = fx.host.meterRecordModes;
    out.downloaded = fx.engine.DownloadedRecords();
    out.written = fx.host.written;
    out.progress = fx.host.progress;
    out.finished = fx.host.finished;
    return out;
}

Bytes Plain(float value) {
    frames::PlainFrame f;
    f.value = value;
    return frames::Encode(f);
}

Bytes Download() {
    frames::DownloadHeader header;
    header.start = frames::MakeBcdStamp(26, 12, 7, 9, 5, 9);
    header.interval = 2;
    header.blockCount = 2;
    return Concat({frames::Encode(header), frames::EncodeBlock(1, {{1.0f, 0}, {2.0f, 2}}),
                   frames::EncodeBlock(2, {{3.0f, 4}})});
}

}  // namespace

TEST(Chunking, EveryChunkSizeGivesTheSameReadingsAndDownload) {
    frames::MinMaxFrame minMax;
    minMax.value = 2.5f;
    frames::FrequencyFrame frequency;
    frequency.value = 60.0f;
    const Bytes stream = Concat({Plain(0.5f), frames::Encode(minMax), Download(), Plain(1.5f),
                                 frames::Encode(frequency), Plain(4.5f)});

    const Outcome whole = FeedInChunks(stream, stream.size());
    EXPECT_EQ(whole.decodedValues, (std::vector<float>{0.5f, 2.5f, 1.5f, 60.0f, 4.5f}));
    EXPECT_EQ(whole.faces, (std::vector<int>{1, 2, 1, 7, 1}));
    ASSERT_EQ(whole.downloaded.size(), 3u);
    EXPECT_EQ(whole.downloaded[2].timeText, "7/12/2026 9:5:13");
    EXPECT_EQ(whole.progress, (std::vector<int>{1}));
    EXPECT_EQ(whole.written.size(), 30u);  // two bursts of five commands
    EXPECT_EQ(whole.finished, 1);

    for (std::size_t chunk : {1u, 2u, 3u, 5u, 7u, 13u, 100u}) {
        SCOPED_TRACE(chunk);
        const Outcome got = FeedInChunks(stream, chunk);
        EXPECT_EQ(got.decodedValues, whole.decodedValues);
        EXPECT_EQ(got.faces, whole.faces);
        EXPECT_EQ(got.downloaded, whole.downloaded);
        EXPECT_EQ(got.written, whole.written);
        EXPECT_EQ(got.progress, whole.progress);
        EXPECT_EQ(got.finished, 1);
    }
}

TEST(Chunking, MarkersSplitAcrossChunksAreStillRecognised) {
    {
        // The sync marker one byte at a time, then a meter-record frame.
        EngineFixture fx;
        for (int i = 0; i < 4; ++i) {
            fx.FeedHex("f8");
        }
        EXPECT_TRUE(fx.engine.IsSyncMarkerSet());
        frames::PlainFrame record;
        record.family = Family::MeterRecord;
        record.value = 1.0f;
        fx.Feed(frames::Encode(record));
        EXPECT_EQ(fx.host.meterRecordModes, (std::vector<int>{1}));
    }
    {
        // A frame's first byte alone after junk: the junk goes, the A0 waits.
        EngineFixture fx;
        const Bytes frame = Plain(2.0f);
        fx.Feed(Concat({frames::FromHex("1122"), Bytes(frame.begin(), frame.begin() + 1)}));
        EXPECT_EQ(fx.engine.PendingHex(), "a0");
        fx.Feed(Bytes(frame.begin() + 1, frame.end()));
        ASSERT_EQ(fx.host.decoded.size(), 1u);
        EXPECT_FLOAT_EQ(fx.Last().value, 2.0f);
    }
    {
        // A sync marker cut short is kept only while it may still complete;
        // the text around it follows the usual rules.
        EngineFixture fx;
        fx.FeedHex("3344f8f8");
        EXPECT_EQ(fx.engine.PendingHex(), "f8f8");
        fx.FeedHex("5566");
        EXPECT_TRUE(fx.engine.PendingHex().empty());
        EXPECT_FALSE(fx.engine.IsSyncMarkerSet());
    }
}
