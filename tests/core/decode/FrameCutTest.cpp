// Cutting the received byte stream into frames: marker window, odd positions,
// live precedence, the sync marker, incomplete and split frames, junk.
#include <gtest/gtest.h>

#include "RecorderHost.h"

using frames::Bytes;
using frames::Family;

namespace {

Bytes PlainVolts(float value, Family family = Family::Live) {
    frames::PlainFrame f;
    f.family = family;
    f.function = 2;
    f.value = value;
    f.unit = frames::Unit("VDC");
    return frames::Encode(f);
}

Bytes MinMaxVolts(float value, Family family = Family::Live) {
    frames::MinMaxFrame f;
    f.family = family;
    f.value = value;
    return frames::Encode(f);
}

}  // namespace

TEST(FrameCut, HandWrittenFrameDecodesAndStampsTheChunk) {
    EngineFixture fx;
    fx.clock.Set(1234567);
    // Kind 0, function RES, value 2000.0, limit 6000.0, unit "ko  ", range 2.
    fx.FeedHex("a08004000000fa440080bb456b6f202002000000");
    ASSERT_EQ(fx.host.decoded.size(), 1u);
    EXPECT_EQ(fx.Last().function, "RES");
    EXPECT_EQ(fx.Last().unit, "KΩ");
    EXPECT_FLOAT_EQ(fx.Last().value, 2.0f);
    EXPECT_FLOAT_EQ(fx.Last().limit, 6.0f);
    EXPECT_EQ(fx.Last().decimals, 3);
    EXPECT_EQ(fx.host.decoded[0].face, 1);
    EXPECT_EQ(fx.host.decoded[0].dial, 8);
    EXPECT_EQ(fx.engine.LastReceiveTime(), 1234567);
    EXPECT_TRUE(fx.engine.HasReceivedData());
    EXPECT_TRUE(fx.engine.PendingHex().empty());
    EXPECT_EQ(fx.engine.LastFrameKind(), FrameKind::Plain);
    EXPECT_TRUE(fx.engine.LastFrameWasLive());
}

TEST(FrameCut, MarkerWindowCoversCharactersZeroToFourIncludingOddPositions) {
    const std::string frame = frames::ToHex(PlainVolts(1.25f));
    {
        EngineFixture fx;  // two junk bytes: marker at character 4
        fx.FeedHex("1234" + frame);
        ASSERT_EQ(fx.host.decoded.size(), 1u);
        EXPECT_FLOAT_EQ(fx.Last().value, 1.25f);
    }
    {
        EngineFixture fx;  // marker straddling two bytes, at character 1
        fx.FeedHex("1" + frame + "0");
        ASSERT_EQ(fx.host.decoded.size(), 1u);
        EXPECT_FLOAT_EQ(fx.Last().value, 1.25f);
        EXPECT_EQ(fx.Last().unit, "VDC");
    }
    {
        EngineFixture fx;  // three junk bytes: marker at character 6, all dropped
        fx.FeedHex("123456" + frames::ToHex(MinMaxVolts(1.0f)));
        EXPECT_TRUE(fx.host.decoded.empty());
        EXPECT_TRUE(fx.engine.PendingHex().empty());
    }
    {
        EngineFixture fx;  // junk without any marker is dropped
        fx.FeedHex("00112233445566778899a0a0a0");
        EXPECT_TRUE(fx.host.decoded.empty());
        // ... but for its last byte, which may begin a marker
        EXPECT_EQ(fx.engine.PendingHex(), "a0");
        fx.FeedHex("7777");
        EXPECT_TRUE(fx.engine.PendingHex().empty());
    }
}

TEST(FrameCut, EveryCompleteFrameOfAChunkIsDecodedInOrder) {
    EngineFixture fx;
    frames::FrequencyFrame freq;
    freq.value = 50.0f;
    fx.Feed(Concat({PlainVolts(1.0f), MinMaxVolts(2.0f), frames::FromHex("55"), PlainVolts(3.0f),
                    frames::Encode(freq)}));
    ASSERT_EQ(fx.host.decoded.size(), 4u);
    EXPECT_FLOAT_EQ(fx.host.decoded[0].reading.value, 1.0f);
    EXPECT_FLOAT_EQ(fx.host.decoded[1].reading.value, 2.0f);
    EXPECT_EQ(fx.host.decoded[1].face, 2);
    EXPECT_FLOAT_EQ(fx.host.decoded[2].reading.value, 3.0f);
    EXPECT_FLOAT_EQ(fx.host.decoded[3].reading.value, 50.0f);
    EXPECT_EQ(fx.host.decoded[3].face, 7);
    EXPECT_TRUE(fx.engine.PendingHex().empty());
}

TEST(FrameCut, FramesSplitByChunkBoundariesAreCompletedByLaterChunks) {
    const Bytes stream = Concat({PlainVolts(1.0f), MinMaxVolts(2.0f), PlainVolts(3.0f)});
    // Every split point, including a lone A0 at the end of the first chunk
    // after a complete frame.
    for (std::size_t split = 1; split < stream.size(); ++split) {
        EngineFixture fx;
        fx.Feed(Bytes(stream.begin(), stream.begin() + static_cast<long>(split)));
        fx.Feed(Bytes(stream.begin() + static_cast<long>(split), stream.end()));
        std::vector<float> values;
        for (const auto& d : fx.host.decoded) {
            values.push_back(d.reading.value);
        }
        // A lone A0 in a call that cut nothing may be a marker cut short: it
        // waits for the next chunk like any other split.
        EXPECT_EQ(values, (std::vector<float>{1.0f, 2.0f, 3.0f})) << "split " << split;
        EXPECT_TRUE(fx.engine.PendingHex().empty()) << "split " << split;
    }
}

TEST(FrameCut, IncompleteFrameWaitsAtTheFront) {
    EngineFixture fx;
    const Bytes frame = MinMaxVolts(4.5f);
    fx.Feed(Concat({frames::FromHex("77"), Bytes(frame.begin(), frame.begin() + 40)}));
    EXPECT_TRUE(fx.host.decoded.empty());
    EXPECT_EQ(fx.engine.PendingHex(), frames::ToHex(Bytes(frame.begin(), frame.begin() + 40)));
    fx.Feed(Bytes(frame.begin() + 40, frame.end()));
    ASSERT_EQ(fx.host.decoded.size(), 1u);
    EXPECT_FLOAT_EQ(fx.Last().value, 4.5f);
}

TEST(FrameCut, SyncMarkerDiscardsWhatCameBeforeAndDrivesTheLinkFlags) {
    EngineFixture fx;
    // A complete frame followed by the marker in the same chunk is discarded.
    fx.Feed(Concat({PlainVolts(1.0f), frames::SyncMarker()}));
    EXPECT_TRUE(fx.host.decoded.empty());
    EXPECT_TRUE(fx.engine.IsSyncMarkerSet());
    EXPECT_FALSE(fx.engine.AreMeterRecordFramesArriving());

    // Meter-record frames after the marker go to the statistics engine and
    // stop live acquisition; no live dispatch happens.
    fx.host.running = true;
    fx.Feed(PlainVolts(2.0f, Family::MeterRecord));
    EXPECT_TRUE(fx.engine.AreMeterRecordFramesArriving());
    EXPECT_FALSE(fx.host.running);
    EXPECT_EQ(fx.host.meterRecordModes, (std::vector<int>{1}));
    EXPECT_FALSE(fx.engine.LastFrameWasLive());
    fx.Feed(MinMaxVolts(2.0f, Family::MeterRecord));
    EXPECT_EQ(fx.host.meterRecordModes, (std::vector<int>{1, 2}));

    // A live frame start ends the meter-record state.
    fx.Feed(PlainVolts(3.0f));
    EXPECT_FALSE(fx.engine.IsSyncMarkerSet());
    EXPECT_FALSE(fx.engine.AreMeterRecordFramesArriving());
    EXPECT_EQ(fx.host.decoded.size(), 3u);
    EXPECT_TRUE(fx.host.dispatched.empty());

    // Without the sync marker a meter-record frame is drawn but not recorded.
    fx.Feed(PlainVolts(4.0f, Family::MeterRecord));
    EXPECT_EQ(fx.host.decoded.size(), 4u);
    EXPECT_EQ(fx.host.meterRecordModes.size(), 2u);
    EXPECT_FALSE(fx.engine.AreMeterRecordFramesArriving());

    // Sync marker and meter-record frames in one chunk: both frames handled.
    fx.Feed(Concat({frames::SyncMarker(), PlainVolts(5.0f, Family::MeterRecord),
                    PlainVolts(6.0f, Family::MeterRecord)}));
    EXPECT_EQ(fx.host.meterRecordModes, (std::vector<int>{1, 2, 1, 1}));
}

TEST(FrameCut, LiveMarkerAnywhereTakesPrecedenceOverAMeterRecordMarkerAtTheFront) {
    EngineFixture fx;
    fx.Feed(frames::SyncMarker());
    // A kind-1 meter-record frame at the front, "a081" later in the text:
    // kind 1 does not match, no other kind does, the text is dropped.
    const Bytes record = MinMaxVolts(1.0f, Family::MeterRecord);
    const Bytes live = MinMaxVolts(2.0f);
    fx.Feed(Concat({record, live}));
    EXPECT_TRUE(fx.host.decoded.empty());
    EXPECT_TRUE(fx.engine.PendingHex().empty());

    // A live marker of another kind does not stand in the way.
    fx.Feed(Concat({record, PlainVolts(3.0f)}));
    ASSERT_EQ(fx.host.decoded.size(), 2u);
    EXPECT_EQ(fx.host.decoded[0].face, 2);
    EXPECT_FLOAT_EQ(fx.host.decoded[1].reading.value, 3.0f);
}

TEST(FrameCut, OnlyLiveFramesAreDispatchedAndOnlyWhileRunning) {
    EngineFixture fx;
    fx.Feed(PlainVolts(1.5f));
    EXPECT_TRUE(fx.host.dispatched.empty());

    fx.host.running = true;
    fx.Feed(PlainVolts(2.5f));
    ASSERT_EQ(fx.host.dispatched.size(), 1u);
    const RecorderHost::Dispatched& d = fx.host.dispatched[0];
    EXPECT_EQ(fx.host.dispatchChannel, 0);
    EXPECT_DOUBLE_EQ(d.value, 2.5);
    EXPECT_EQ(d.unit, "VDC");
    EXPECT_DOUBLE_EQ(d.sampleRate, 0.0);
    EXPECT_EQ(d.timeText, "7/12/2026 9:5:9");
    EXPECT_EQ(d.typeText, "VDC");
    EXPECT_EQ(d.decimals, 3);
    EXPECT_EQ(fx.host.events.back(), "dispatch");

    // A meter-record frame without the sync marker: drawn, not dispatched.
    fx.Feed(PlainVolts(3.5f, Family::MeterRecord));
    EXPECT_EQ(fx.host.dispatched.size(), 1u);
    EXPECT_TRUE(fx.host.running);
}

TEST(FrameCut, AccumulatorStaysBoundedOnJunk) {
    EngineFixture fx;
    Bytes junk(5000);
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<std::uint8_t>((i * 37 + 11) & 0x7F);
    }
    for (int i = 0; i < 20; ++i) {
        fx.Feed(junk);
        EXPECT_TRUE(fx.engine.PendingHex().empty());
    }
    // A zero-length chunk changes nothing.
    fx.engine.OnReceiveBytes(junk.data(), 0);
    EXPECT_TRUE(fx.host.decoded.empty());
}

TEST(FrameCut, CountersAccountForEveryByteAsFrameJunkOrPending) {
    EngineFixture fx;
    const Bytes frame = PlainVolts(1.25f);
    Bytes junk(300);
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<std::uint8_t>((i * 37 + 11) & 0x7F);  // no A0, no F8
    }
    Bytes stream = {0x12, 0x34};  // two bytes before a marker at character 4
    stream.insert(stream.end(), frame.begin(), frame.end());
    fx.Feed(stream);
    fx.Feed(junk);
    fx.Feed({0xF8, 0xF8, 0xF8, 0xF8});  // the sync marker is neither frame nor junk
    fx.Feed(frame);
    fx.Feed(Bytes(frame.begin(), frame.begin() + 6));  // waits for the rest

    EXPECT_EQ(fx.engine.FramesDecoded(), 2u);
    EXPECT_EQ(fx.engine.JunkBytesDropped(), 2u + junk.size());
    EXPECT_EQ(fx.engine.BytesReceived(), 2u + frame.size() + junk.size() + 4 + frame.size() + 6);
    EXPECT_EQ(fx.engine.PendingHex().size(), 12u);
}
