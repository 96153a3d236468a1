// The expected byte strings below were worked out by hand from the meter's
// frame layouts (IEEE singles little-endian, units blank-padded), not produced
// by the encoder.
#include <gtest/gtest.h>

#include <stdexcept>

#include "frames/FrameEncoder.h"

using namespace frames;

namespace {

std::string Hex(const Bytes& bytes) {
    return ToHex(bytes);
}

}  // namespace

TEST(FrameEncoder, PlainAndFrequencyFramesByteForByte) {
    // Kind 0, resistance: 2000 ohm against a 6000 ohm limit, unit "ko  ".
    PlainFrame plain{Family::Live, 4, 0x00, 2000.0f, 6000.0f, Unit("ko"), 2};
    EXPECT_EQ(Hex(Encode(plain)),
              "a0800400"
              "0000fa44"
              "0080bb45"
              "6b6f2020"
              "02"
              "000000");

    plain.family = Family::MeterRecord;
    plain.filler = {0x11, 0x22, 0x33};
    EXPECT_EQ(Hex(Encode(plain)),
              "a0900400"
              "0000fa44"
              "0080bb45"
              "6b6f2020"
              "02"
              "112233");

    // Kind 6 meter-record, first mode flag: 600 kHz at 25 % duty.
    FrequencyFrame freq{Family::MeterRecord, StatusByte({.firstModeFlag = true}), 600000.0f, 0.25f};
    EXPECT_EQ(Hex(Encode(freq)),
              "a09604"
              "007c1249"
              "0000803e"
              "000000");
}

TEST(FrameEncoder, StatisticsFramesPutEveryFieldAtItsOffset) {
    MinMaxFrame minMax;
    minMax.function = 2;
    minMax.value = 1.0f;
    minMax.maxValue = 2.0f;
    minMax.minValue = -1.0f;
    minMax.avgValue = 0.5f;
    minMax.limit = 6.0f;
    minMax.range = PackRanges(3, 2, 1, 0);
    minMax.unit = Unit("V");
    minMax.maxUnit = Unit("mV");
    minMax.minUnit = Unit("A");
    minMax.avgUnit = Unit("HZ");
    minMax.maxTime = MakeBcdTime(1, 2, 3);
    minMax.minTime = MakeBcdTime(4, 5, 6);
    minMax.avgTime = MakeBcdTime(7, 8, 9);
    minMax.start = MakeBcdStamp(26, 12, 7, 21, 5, 9);
    EXPECT_EQ(Hex(Encode(minMax)),
              "a0810200"
              "0000803f"
              "00000040"
              "000080bf"
              "0000003f"
              "0000c040"
              "1b"
              "56202020"
              "6d562020"
              "41202020"
              "485a2020"
              "010203"
              "040506"
              "070809"
              "261207210509"
              "000000");

    PeakFrame peak;
    peak.family = Family::MeterRecord;
    peak.function = 1;
    peak.status = StatusByte({.firstModeFlag = true});
    peak.value = 1.0f;
    peak.maxValue = 2.0f;
    peak.minValue = -1.0f;
    peak.avgValue = 0.5f;
    peak.limit = 600.0f;
    peak.unit = Unit("VAC");
    peak.range = 0xFF;
    peak.maxTime = MakeBcdTime(0, 0, 12);
    peak.minTime = MakeBcdTime(0, 0, 22);
    peak.avgTime = MakeBcdTime(0, 0, 30);
    peak.start = MakeBcdStamp(26, 12, 7, 9, 5, 9);
    EXPECT_EQ(Hex(Encode(peak)),
              "a0930104"
              "0000803f"
              "00000040"
              "000080bf"
              "0000003f"
              "00001644"
              "56414320"
              "ff"
              "000012"
              "000022"
              "000030"
              "261207090509"
              "000000");
}

TEST(FrameEncoder, RelativeAcDcAndVacFramesByteForByte) {
    AuxFrame aux{Family::Live, 4,          StatusByte({.autoRange = false}),
                 2000.0f,      1000.0f,    1000.0f,
                 6000.0f,      Unit("ko"), 2};
    EXPECT_EQ(Hex(Encode(aux)),
              "a0820402"
              "0000fa44"
              "00007a44"
              "00007a44"
              "0080bb45"
              "6b6f2020"
              "02"
              "000000");

    AcDcFrame acdc;
    acdc.function = 21;
    acdc.status = 0x02;
    acdc.alternateValue = 1.0f;
    acdc.secondValue = 2.0f;
    acdc.value = 0.5f;
    acdc.unit = Unit("V");
    acdc.limit = 600.0f;
    acdc.range = 2;
    acdc.acdcMode = 2;
    EXPECT_EQ(Hex(Encode(acdc)),
              "a0841502"
              "0000803f"
              "00000040"
              "0000003f"
              "56202020"
              "00001644"
              "02"
              "02"
              "000000");

    VacFrame vac;
    vac.status = 0x01;
    vac.value = 1.0f;
    vac.unit = Unit("VAC");
    vac.range = 4;
    vac.limit = 600.0f;
    vac.auxValue = 50.0f;
    vac.auxText = Unit("Hz");
    EXPECT_EQ(Hex(Encode(vac)),
              "a08501"
              "0000803f"
              "56414320"
              "04"
              "00001644"
              "00004842"
              "487a2020"
              "000000");
}

TEST(FrameEncoder, LengthsAndMarkersOfEveryKindAndFamily) {
    const std::vector<AnyFrame> all{PlainFrame{}, MinMaxFrame{}, AuxFrame{},      PeakFrame{},
                                    AcDcFrame{},  VacFrame{},    FrequencyFrame{}};
    const std::size_t lengths[] = {20, 59, 28, 47, 29, 27, 14};
    for (std::size_t kind = 0; kind < all.size(); ++kind) {
        AnyFrame frame = all[kind];
        EXPECT_EQ(KindOf(frame), static_cast<int>(kind));
        EXPECT_EQ(FrameLength(static_cast<int>(kind)), lengths[kind]);
        Bytes live = Encode(frame);
        ASSERT_EQ(live.size(), lengths[kind]) << "kind " << kind;
        EXPECT_EQ(live[0], 0xA0);
        EXPECT_EQ(live[1], 0x80 + kind);
        std::visit([](auto& f) { f.family = Family::MeterRecord; }, frame);
        Bytes record = Encode(frame);
        EXPECT_EQ(record[1], 0x90 + kind);
        EXPECT_TRUE(std::equal(live.begin() + 2, live.end(), record.begin() + 2));
    }
    EXPECT_THROW(FrameLength(7), std::out_of_range);
    EXPECT_THROW(FrameLength(-1), std::out_of_range);
}

TEST(FrameEncoder, DownloadHeaderBlocksAndCommands) {
    DownloadHeader header;
    header.function = 2;
    header.start = MakeBcdStamp(26, 12, 7, 9, 5, 9);
    header.interval = 1;
    header.blockCount = 2;
    EXPECT_EQ(Hex(Encode(header)),
              "a0a802"
              "261207090509"
              "01000000"
              "00000000"
              "00000000"
              "0200"
              "000000");
    header.interval = -2;
    header.unused1 = 0x04030201;
    header.blockCount = 0x0102;
    EXPECT_EQ(Hex(Encode(header)),
              "a0a802"
              "261207090509"
              "feffffff"
              "01020304"
              "00000000"
              "0201"
              "000000");

    EXPECT_EQ(Hex(Encode(BlockHeader{3, 2, 0})), "a0a9030200");
    EXPECT_EQ(Hex(EncodeBlock(1, {{1.5f, 3600}, {-1.0f, -1}})),
              "a0a9020100"
              "0000c03f"
              "100e0000"
              "000080bf"
              "ffffffff"
              "a10000");
    EXPECT_EQ(Hex(Encode(BlockBody{{}, {0x00, 0xA1, 0x00}})), "00a100");
    EXPECT_THROW(EncodeBlock(1, std::vector<StoredRecord>(256)), std::invalid_argument);

    EXPECT_EQ(Hex(SyncMarker()), "f8f8f8f8");
    EXPECT_EQ(Hex(AckCommand()), "f301f4");
}

TEST(FrameEncoder, FieldHelpers) {
    EXPECT_EQ(StatusByte({}), 0x00);
    EXPECT_EQ(StatusByte({.hold = true}), 0x01);
    EXPECT_EQ(StatusByte({.autoRange = false}), 0x02);
    EXPECT_EQ(
        StatusByte(
            {.hold = true, .autoRange = false, .firstModeFlag = true, .secondModeFlag = true}),
        0x0F);

    EXPECT_EQ(PackRanges(3, 2, 1, 0), 0x1B);
    EXPECT_EQ(PackRanges(0, 0, 0, 3), 0xC0);
    EXPECT_THROW(PackRanges(4, 0, 0, 0), std::invalid_argument);

    EXPECT_EQ(ToBcd(0), 0x00);
    EXPECT_EQ(ToBcd(59), 0x59);
    EXPECT_EQ(ToBcd(99), 0x99);
    EXPECT_THROW(ToBcd(100), std::invalid_argument);
    EXPECT_THROW(ToBcd(-1), std::invalid_argument);

    EXPECT_EQ(Unit(""), (UnitText{' ', ' ', ' ', ' '}));
    EXPECT_EQ(Unit("mVDC"), (UnitText{'m', 'V', 'D', 'C'}));
    EXPECT_THROW(Unit("mVDCx"), std::invalid_argument);
}

TEST(FrameEncoder, HexTextRoundTripAndErrors) {
    const Bytes all = [] {
        Bytes b;
        for (int i = 0; i < 256; ++i) {
            b.push_back(static_cast<std::uint8_t>(i));
        }
        return b;
    }();
    EXPECT_EQ(FromHex(ToHex(all)), all);
    EXPECT_EQ(ToHex(Bytes{0xA0, 0x0F}), "a00f");
    EXPECT_EQ(FromHex("A0 80\t0f,1e:ff\r\n"), (Bytes{0xA0, 0x80, 0x0F, 0x1E, 0xFF}));
    EXPECT_TRUE(FromHex("").empty());
    EXPECT_THROW(FromHex("a"), std::invalid_argument);
    EXPECT_THROW(FromHex("a 0"), std::invalid_argument);
    EXPECT_THROW(FromHex("0g"), std::invalid_argument);
    EXPECT_THROW(FromHex("0x10"), std::invalid_argument);
}
