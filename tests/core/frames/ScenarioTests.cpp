#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "frames/Scenarios.h"

using namespace frames;

namespace {

const Bytes kAck = AckCommand();

Bytes Repeat(const Bytes& bytes, int times) {
    Bytes out;
    for (int i = 0; i < times; ++i) {
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

float FloatAt(const Bytes& bytes, std::size_t offset) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) {
        bits = (bits << 8) | bytes[offset + static_cast<std::size_t>(i)];
    }
    float f = 0.0f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace

TEST(AckCounter, CountsCommandsSplitAcrossReadsAndIgnoresNoise) {
    AckCounter acks;
    acks.Feed(Bytes{0xF3});
    acks.Feed(Bytes{0x01, 0xF4, 0xF3, 0x01});
    EXPECT_EQ(acks.Count(), 1);
    acks.Feed(Bytes{0xF4});
    EXPECT_EQ(acks.Count(), 2);
    // A broken command does not count; a restart inside it does.
    acks.Feed(Bytes{0xF3, 0x02, 0xF4, 0xF3, 0xF3, 0x01, 0xF4, 0x01, 0xF4});
    EXPECT_EQ(acks.Count(), 3);
    acks.Reset();
    acks.Feed(Bytes{0x01, 0xF4});  // the tail of a command seen before the reset
    EXPECT_EQ(acks.Count(), 0);
}

TEST(DownloadScenario, AdvancesOnlyAfterFiveAcknowledgements) {
    DownloadScenarioOptions options;
    options.blocks = 3;
    options.recordsPerBlock = 4;
    options.interval = 2;
    DownloadScenario download(options);

    const Bytes header = download.NextChunk();
    ASSERT_EQ(header.size(), kDownloadHeaderLength);
    EXPECT_EQ(header[1], kDownloadHeaderMarker);
    EXPECT_EQ(header[21], 3);  // block count
    EXPECT_TRUE(download.WaitingForAcks());

    download.OnBytesFromProgram(Repeat(kAck, 4));
    EXPECT_TRUE(download.NextChunk().empty()) << "four acknowledgements are not enough";
    download.OnBytesFromProgram(Bytes{0xF3, 0x01});
    EXPECT_TRUE(download.NextChunk().empty()) << "half a command is not an acknowledgement";
    download.OnBytesFromProgram(Bytes{0xF4});

    const Bytes block1 = download.NextChunk();
    ASSERT_EQ(block1.size(), kBlockHeaderLength + 4 * kStoredRecordLength + kBlockTrailerLength);
    EXPECT_EQ(ToHex(Bytes(block1.begin(), block1.begin() + 5)), "a0a9040100");
    EXPECT_EQ(block1.back() == 0x00 && block1[block1.size() - 3] == kBlockTrailerMarker, true);

    // Acknowledgements sent before the block do not count for it.
    EXPECT_TRUE(download.NextChunk().empty());
    download.OnBytesFromProgram(Repeat(kAck, 5));
    const Bytes block2 = download.NextChunk();
    ASSERT_FALSE(block2.empty());
    EXPECT_EQ(block2[3], 2);
    EXPECT_FALSE(download.Finished());

    download.OnBytesFromProgram(Repeat(kAck, 5));
    const Bytes block3 = download.NextChunk();
    EXPECT_EQ(block3[3], 3);
    // Nothing is awaited after the last block.
    EXPECT_FALSE(download.WaitingForAcks());
    EXPECT_TRUE(download.Finished());
    EXPECT_TRUE(download.NextChunk().empty());

    // The blocks carry the stored readings in order, seconds counting by the interval.
    ASSERT_EQ(download.Records().size(), 12u);
    EXPECT_EQ(download.Records()[5].seconds, 10);
    EXPECT_FLOAT_EQ(FloatAt(block2, kBlockHeaderLength + 8), download.Records()[5].value);
}

TEST(DownloadScenario, EmptyDownloadAndBadSettings) {
    DownloadScenarioOptions options;
    options.blocks = 0;
    DownloadScenario empty(options);
    const Bytes header = empty.NextChunk();
    EXPECT_EQ(header.size(), kDownloadHeaderLength);
    EXPECT_TRUE(empty.Finished());
    EXPECT_FALSE(empty.WaitingForAcks());

    options.blocks = 1;
    options.recordsPerBlock = 256;
    EXPECT_THROW(DownloadScenario{options}, std::invalid_argument);
    options.recordsPerBlock = 1;
    options.blocks = -1;
    EXPECT_THROW(DownloadScenario{options}, std::invalid_argument);
    options.blocks = 256;  // block numbers are one byte
    EXPECT_THROW(DownloadScenario{options}, std::invalid_argument);
}

TEST(DownloadScenario, BlockBodiesNeverLookLikeAFrameMarker) {
    EXPECT_TRUE(MayBeTakenForMarker(Bytes{0xA0, 0x80, 0x00, 0x00}));
    EXPECT_TRUE(MayBeTakenForMarker(Bytes{0x0A, 0x09, 0x10, 0x00}));  // "a09" at character 1
    EXPECT_TRUE(MayBeTakenForMarker(Bytes{0x00, 0x0A, 0x0A, 0x80}));  // "a0a8" at character 3
    EXPECT_TRUE(MayBeTakenForMarker(Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xF8, 0xF8, 0xF8}));
    EXPECT_TRUE(MayBeTakenForMarker(Bytes{0x00, 0x00, 0xA0, 0x80}));   // character 4: still inside
    EXPECT_FALSE(MayBeTakenForMarker(Bytes{0x00, 0x00, 0x0A, 0x08}));  // character 5: outside
    EXPECT_FALSE(MayBeTakenForMarker(Encode(BlockBody{{{1.5f, 3600}}})));

    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        DownloadScenarioOptions options;
        options.blocks = 3;
        options.recordsPerBlock = 3;
        options.waveform = Waveform::Noise;
        options.seed = seed;
        DownloadScenario download(options);
        download.NextChunk();
        while (!download.Finished()) {
            download.OnBytesFromProgram(Repeat(kAck, 5));
            const Bytes block = download.NextChunk();
            const Bytes body(block.begin() + kBlockHeaderLength, block.end());
            EXPECT_FALSE(MayBeTakenForMarker(body)) << ToHex(body);
        }
    }
}

TEST(LiveScenario, DeterministicKindsCountAndOverloads) {
    LiveScenarioOptions options;
    options.kinds = {0, 1, 6};
    options.waveform = Waveform::Noise;
    options.count = 6;
    options.seed = 42;
    LiveScenario a(options);
    LiveScenario b(options);
    std::vector<Bytes> chunks;
    while (!a.Finished()) {
        chunks.push_back(a.NextChunk());
        EXPECT_EQ(chunks.back(), b.NextChunk()) << "same seed, same bytes";
    }
    ASSERT_EQ(chunks.size(), 6u);
    EXPECT_TRUE(a.NextChunk().empty());
    const int expectedKinds[] = {0, 1, 6, 0, 1, 6};
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i][0], 0xA0);
        EXPECT_EQ(chunks[i][1], 0x80 + expectedKinds[i]);
        EXPECT_EQ(chunks[i].size(), FrameLength(expectedKinds[i]));
    }

    options.seed = 43;
    LiveScenario other(options);
    EXPECT_NE(other.NextChunk(), chunks[0]) << "another seed gives other values";

    // Every plain frame above its limit when overloads are certain, none when they are off.
    options.kinds = {0};
    options.count = 20;
    options.overloadChance = 1.0;
    LiveScenario overloaded(options);
    options.overloadChance = 0.0;
    LiveScenario normal(options);
    for (int i = 0; i < 20; ++i) {
        const Bytes over = overloaded.NextChunk();
        EXPECT_GT(FloatAt(over, 4), FloatAt(over, 8));
        const Bytes fine = normal.NextChunk();
        EXPECT_LE(FloatAt(fine, 4), FloatAt(fine, 8));
    }

    options.kinds = {7};
    EXPECT_THROW(LiveScenario{options}, std::invalid_argument);
}

TEST(LiveScenario, FunctionChangesAndRunningStatistics) {
    LiveScenarioOptions options;
    options.kinds = {1};
    options.functionChangeEvery = 3;
    options.intervalMs = 1000;
    LiveScenario live(options);
    std::vector<int> functions;
    float lastMax = -1e30f;
    for (int i = 0; i < 9; ++i) {
        const AnyFrame frame = live.NextFrame();
        const auto& m = std::get<MinMaxFrame>(frame);
        functions.push_back(m.function);
        if (i % 3 != 0) {
            // Within one function the maximum never falls and brackets the value.
            EXPECT_GE(m.maxValue, lastMax);
        } else {
            // A new function starts its statistics afresh.
            EXPECT_EQ(m.maxValue, m.value);
            EXPECT_EQ(m.minValue, m.value);
        }
        EXPECT_GE(m.maxValue, m.value);
        EXPECT_LE(m.minValue, m.value);
        lastMax = m.maxValue;
        EXPECT_EQ(m.avgTime, MakeBcdTime(0, 0, i));  // one tick per second
    }
    EXPECT_EQ(functions[0], functions[2]);
    EXPECT_NE(functions[2], functions[3]);
    EXPECT_NE(functions[5], functions[6]);
}

TEST(RecordsScenario, SyncMarkerThenNineMeterRecordFrames) {
    RecordsScenario records;
    const Bytes sync = records.NextChunk();
    EXPECT_EQ(sync, SyncMarker());
    std::vector<std::string> markers;
    std::vector<Bytes> frames;
    while (!records.Finished()) {
        frames.push_back(records.NextChunk());
        markers.push_back(ToHex(frames.back()).substr(0, 4));
        EXPECT_EQ(frames.back().size(), FrameLength(frames.back()[1] & 0x0F));
    }
    EXPECT_EQ(markers, (std::vector<std::string>{"a090", "a091", "a092", "a093", "a093", "a094",
                                                 "a094", "a095", "a096"}));
    // The two peak frames differ in the first mode flag, the AC+DC frames in their mode.
    EXPECT_EQ(frames[3][3] & 0x04, 0);
    EXPECT_EQ(frames[4][3] & 0x04, 0x04);
    EXPECT_EQ(frames[5][25], 3);
    EXPECT_EQ(frames[6][25], 2);
}

TEST(SequenceScenario, MixedRunsEveryPartAndPassesAcknowledgements) {
    LiveScenarioOptions live;
    live.count = 2;
    DownloadScenarioOptions download;
    download.blocks = 1;
    download.recordsPerBlock = 2;
    auto mixed = MakeMixedScenario(live, download);

    std::vector<std::string> starts;
    for (int tick = 0; tick < 40 && !mixed->Finished(); ++tick) {
        const Bytes chunk = mixed->NextChunk();
        if (chunk.empty()) {
            mixed->OnBytesFromProgram(Repeat(kAck, 5));
            continue;
        }
        starts.push_back(ToHex(chunk).substr(0, 4));
    }
    EXPECT_TRUE(mixed->Finished());
    const std::vector<std::string> expected{"a080", "a080", "f8f8", "a090", "a091", "a092",
                                            "a093", "a093", "a094", "a094", "a095", "a096",
                                            "a0a8", "a0a9", "a080", "a080"};
    EXPECT_EQ(starts, expected);
}

TEST(Replay, SplitsStreamsAndWaitsForAcknowledgementsAsTheMeterDoes) {
    DownloadHeader header;
    header.blockCount = 2;
    const Bytes live = Encode(PlainFrame{});
    const Bytes block1 = EncodeBlock(1, {{1.0f, 0}});
    const Bytes block2 = EncodeBlock(2, {{2.0f, 1}, {3.0f, 2}});
    Bytes stream{0x00, 0x11};  // noise before the first frame
    for (const Bytes& part : {live, SyncMarker(), Encode(header), block1, block2}) {
        stream.insert(stream.end(), part.begin(), part.end());
    }
    const std::vector<Bytes> chunks = SplitMeterStream(stream);
    ASSERT_EQ(chunks.size(), 6u);
    EXPECT_EQ(chunks[0], (Bytes{0x00, 0x11}));
    EXPECT_EQ(chunks[1], live);
    EXPECT_EQ(chunks[2], SyncMarker());
    EXPECT_EQ(chunks[4], block1);
    EXPECT_EQ(chunks[5], block2);

    ReplayScenario replay(chunks, 100);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(replay.NextChunk(), chunks[static_cast<std::size_t>(i)]);
    }
    EXPECT_TRUE(replay.NextChunk().empty()) << "waits after the header";
    replay.OnBytesFromProgram(Repeat(kAck, 5));
    EXPECT_EQ(replay.NextChunk(), block1);
    EXPECT_TRUE(replay.NextChunk().empty()) << "waits after block 1 of 2";
    replay.OnBytesFromProgram(Repeat(kAck, 5));
    EXPECT_EQ(replay.NextChunk(), block2);
    EXPECT_TRUE(replay.Finished());

    // A frame cut off at the end of a recording is kept as it is.
    const Bytes cut(live.begin(), live.begin() + 7);
    EXPECT_EQ(SplitMeterStream(cut), std::vector<Bytes>{cut});
}

TEST(Replay, HexLinesWithCommentsAndBadDigits) {
    const auto chunks =
        ParseHexLines("# a recording\n\na0 80 02\r\n  # indented comment\nf8f8f8f8\n");
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0], (Bytes{0xA0, 0x80, 0x02}));
    EXPECT_EQ(chunks[1], SyncMarker());
    try {
        ParseHexLines("a080\nzz\n");
        FAIL() << "bad digits must be reported";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
}
