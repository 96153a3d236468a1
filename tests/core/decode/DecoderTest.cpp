// The seven decoders: field positions, unit conversions, decimals, texts,
// dial positions and what each hands on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "RecorderHost.h"
#include "decode/BcdText.h"
#include "decode/FunctionNames.h"
#include "decode/HexText.h"

using frames::Family;
using frames::Unit;

namespace {

frames::UnitText RawUnit(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return {a, b, c, d};
}

MeterReading DecodePlain(const frames::PlainFrame& f, EngineFixture& fx) {
    fx.Feed(frames::Encode(f));
    return fx.Last();
}

MeterReading DecodePlainUnit(const char* unit, float value, float limit, int range) {
    EngineFixture fx;
    frames::PlainFrame f;
    f.unit = Unit(unit);
    f.value = value;
    f.limit = limit;
    f.range = static_cast<std::uint8_t>(range);
    return DecodePlain(f, fx);
}

}  // namespace

TEST(Decoders, PlainFrameConversionsAndTexts) {
    MeterReading r = DecodePlainUnit("ko", 2000.0f, 6000.0f, 2);
    EXPECT_EQ(r.unit, "KΩ");
    EXPECT_FLOAT_EQ(r.value, 2.0f);
    EXPECT_FLOAT_EQ(r.limit, 6.0f);
    EXPECT_EQ(r.decimals, 3);

    r = DecodePlainUnit("Mo", 2500000.0f, 6000000.0f, 1);
    EXPECT_EQ(r.unit, "MΩ");
    EXPECT_FLOAT_EQ(r.value, 2.5f);
    EXPECT_FLOAT_EQ(r.limit, 6.0f);

    r = DecodePlainUnit("uF", 4700.0f, 6000.0f, 2);
    EXPECT_EQ(r.unit, "uF");
    EXPECT_FLOAT_EQ(r.value, 4.7f);
    EXPECT_FLOAT_EQ(r.limit, 6.0f);
    EXPECT_EQ(r.decimals, 2);

    r = DecodePlainUnit("mF", 3000000.0f, 6000000.0f, 3);
    EXPECT_FLOAT_EQ(r.value, 3.0f);
    EXPECT_EQ(r.decimals, 1);

    r = DecodePlainUnit("nF", 470.0f, 600.0f, 1);
    EXPECT_FLOAT_EQ(r.value, 470.0f);
    EXPECT_EQ(r.decimals, 3);

    EXPECT_EQ(DecodePlainUnit("s", 21.0f, 400.0f, 4).unit, "℃");
    EXPECT_EQ(DecodePlainUnit("h", 70.0f, 400.0f, 4).unit, "℉");
    EXPECT_EQ(DecodePlainUnit("o", 100.0f, 600.0f, 4).unit, "Ω");
    EXPECT_EQ(DecodePlainUnit("o@", 100.0f, 600.0f, 4).unit, "Ω");
    EXPECT_EQ(DecodePlainUnit("VE", 1.0f, 6.0f, 4).unit, "V");
    // Conversions compare whole texts, case-sensitively.
    r = DecodePlainUnit("KO", 2000.0f, 6000.0f, 2);
    EXPECT_EQ(r.unit, "KO");
    EXPECT_FLOAT_EQ(r.value, 2000.0f);

    // NUL filler is dropped before trimming; bytes are Latin-1.
    EngineFixture fx;
    frames::PlainFrame f;
    f.unit = RawUnit('k', 'o', 0, 0);
    f.value = 1000.0f;
    EXPECT_EQ(DecodePlain(f, fx).unit, "KΩ");
    f.unit = RawUnit('V', ' ', 0, ' ');
    EXPECT_EQ(DecodePlain(f, fx).unit, "V");
    f.unit = RawUnit(0xB0, 'C', 0, 0);
    EXPECT_EQ(DecodePlain(f, fx).unit, "°C");
}

TEST(Decoders, PlainFrameFunctionByteAndStatusBits) {
    EngineFixture fx;
    frames::PlainFrame f;
    f.function = 25;
    f.status = 0x0F;
    MeterReading r = DecodePlain(f, fx);
    EXPECT_EQ(r.function, "DC+AC(uA)");
    EXPECT_TRUE(r.hold);
    EXPECT_FALSE(r.autoRange);
    EXPECT_TRUE(r.firstModeFlag);
    EXPECT_TRUE(r.secondModeFlag);

    f.status = 0x00;
    for (int function : {29, 30, 31, 200, 255}) {
        f.function = static_cast<std::uint8_t>(function);
        r = DecodePlain(f, fx);
        EXPECT_EQ(r.function, "") << function;
        EXPECT_FALSE(r.hold);
        EXPECT_TRUE(r.autoRange);
    }
    EXPECT_EQ(FunctionName(16), "HZ");
    EXPECT_EQ(FunctionName(17), "VAC");
    EXPECT_EQ(FunctionName(-1), "");
}

TEST(Decoders, MinMaxFrameDecimalsGroupsAndTimes) {
    EngineFixture fx;
    frames::MinMaxFrame f;
    f.range = 0x1B;
    f.value = 1500.0f;
    f.maxValue = 2000000.0f;
    f.minValue = 12.0f;
    f.avgValue = 1.0f;
    f.limit = 6000.0f;
    f.unit = Unit("ko");
    f.maxUnit = Unit("Mo");
    f.minUnit = Unit("o");
    f.avgUnit = Unit("V");
    f.maxTime = frames::MakeBcdTime(1, 2, 3);
    f.minTime = frames::MakeBcdTime(0, 10, 59);
    f.avgTime = frames::MakeBcdTime(12, 0, 0);
    f.start = frames::MakeBcdStamp(26, 12, 7, 21, 5, 9);
    fx.Feed(frames::Encode(f));
    MeterReading r = fx.Last();
    EXPECT_EQ(r.decimals, 2);
    EXPECT_EQ(r.maxDecimals, 3);
    EXPECT_EQ(r.minDecimals, 4);
    EXPECT_EQ(r.avgDecimals, 5);
    EXPECT_EQ(r.unit, "KΩ");
    EXPECT_FLOAT_EQ(r.value, 1.5f);
    EXPECT_FLOAT_EQ(r.limit, 6.0f);
    EXPECT_EQ(r.maxUnit, "MΩ");
    EXPECT_FLOAT_EQ(r.maxValue, 2.0f);
    EXPECT_EQ(r.minUnit, "Ω");
    EXPECT_FLOAT_EQ(r.minValue, 12.0f);
    EXPECT_EQ(r.avgUnit, "V");
    EXPECT_EQ(r.maxTime, "01:02:03");
    EXPECT_EQ(r.minTime, "00:10:59");
    EXPECT_EQ(r.avgTime, "12:00:00");
    EXPECT_EQ(r.startText, "07/12/26 09:05:09 pm");
    EXPECT_EQ(fx.host.decoded.back().face, 2);

    // Temperature: every group takes the main unit.
    f.unit = Unit("h");
    fx.Feed(frames::Encode(f));
    r = fx.Last();
    EXPECT_EQ(r.unit, "℉");
    EXPECT_EQ(r.maxUnit, "℉");
    EXPECT_EQ(r.minUnit, "℉");
    EXPECT_EQ(r.avgUnit, "℉");
    EXPECT_FLOAT_EQ(r.maxValue, 2000000.0f);

    // Frequency: the function becomes "HZ", the unit text stays.
    f.function = 2;
    f.unit = Unit("kHZ");
    f.maxUnit = Unit("MHZ");
    f.minUnit = Unit("kHZ");
    f.avgUnit = Unit("HZ");
    f.value = 1500.0f;
    f.maxValue = 3000000.0f;
    f.minValue = 500.0f;
    f.avgValue = 70.0f;
    fx.Feed(frames::Encode(f));
    r = fx.Last();
    EXPECT_EQ(r.function, "HZ");
    EXPECT_EQ(r.unit, "kHZ");
    EXPECT_FLOAT_EQ(r.value, 1.5f);
    EXPECT_FLOAT_EQ(r.limit, 6.0f);
    EXPECT_FLOAT_EQ(r.maxValue, 3.0f);
    EXPECT_FLOAT_EQ(r.minValue, 0.5f);
    EXPECT_FLOAT_EQ(r.avgValue, 70.0f);
    f.unit = Unit("HZ");
    fx.Feed(frames::Encode(f));
    EXPECT_EQ(fx.Last().function, "HZ");
    EXPECT_FLOAT_EQ(fx.Last().value, 1500.0f);
}

TEST(Decoders, AuxFrameRelativeModeConversions) {
    EngineFixture fx;
    frames::AuxFrame f;
    f.status = 0x00;  // the automatic-range bit says automatic, yet relative mode is manual
    f.unit = Unit("kHZ");
    f.value = 1500.0f;
    f.reference = 1000.0f;
    f.relative = 500.0f;
    f.limit = 10000.0f;
    f.range = 3;
    fx.Feed(frames::Encode(f));
    MeterReading r = fx.Last();
    EXPECT_FALSE(r.autoRange);
    EXPECT_EQ(r.unit, "KHZ");
    EXPECT_EQ(r.function, "HZ");
    EXPECT_FLOAT_EQ(r.value, 1.5f);
    EXPECT_FLOAT_EQ(r.reference, 1.0f);
    EXPECT_FLOAT_EQ(r.relative, 0.5f);
    EXPECT_FLOAT_EQ(r.limit, 10.0f);
    EXPECT_EQ(r.decimals, 2);
    EXPECT_EQ(fx.host.decoded.back().face, 3);

    // Kilo-ohms divide the value and limit only.
    f.function = 4;
    f.unit = Unit("ko");
    fx.Feed(frames::Encode(f));
    r = fx.Last();
    EXPECT_EQ(r.unit, "KΩ");
    EXPECT_EQ(r.function, "RES");
    EXPECT_FLOAT_EQ(r.value, 1.5f);
    EXPECT_FLOAT_EQ(r.reference, 1000.0f);

    // Farads divide all four; mega-hertz keeps its unit text.
    f.unit = Unit("mF");
    fx.Feed(frames::Encode(f));
    EXPECT_FLOAT_EQ(fx.Last().relative, 0.0005f);
    EXPECT_EQ(fx.Last().unit, "mF");
    f.unit = Unit("MHZ");
    fx.Feed(frames::Encode(f));
    EXPECT_EQ(fx.Last().unit, "MHZ");
    EXPECT_EQ(fx.Last().function, "HZ");
    EXPECT_FLOAT_EQ(fx.Last().reference, 0.001f);
}

TEST(Decoders, PeakFrameDecimalsUnitsAndModeNumbers) {
    EngineFixture fx;
    fx.Feed(frames::SyncMarker());
    frames::PeakFrame f;
    f.family = Family::MeterRecord;
    f.range = 0x00;
    f.unit = Unit("VAC");
    f.value = 230.0f;
    f.maxValue = 325.0f;
    f.start = frames::MakeBcdStamp(26, 12, 7, 12, 0, 0);
    fx.Feed(frames::Encode(f));
    MeterReading r = fx.Last();
    EXPECT_EQ(r.decimals, 1);
    EXPECT_EQ(r.maxDecimals, 5);
    EXPECT_EQ(r.minDecimals, 5);
    EXPECT_EQ(r.avgDecimals, 5);
    EXPECT_EQ(r.unit, "VAC");
    EXPECT_EQ(r.maxUnit, "VAC");
    EXPECT_EQ(r.avgUnit, "VAC");
    EXPECT_EQ(r.startText, "07/12/26 12:00:00 pm");
    EXPECT_EQ(fx.host.decoded.back().face, 4);

    f.range = 0x01;
    f.status = frames::StatusByte({.firstModeFlag = true});
    fx.Feed(frames::Encode(f));
    EXPECT_EQ(fx.Last().decimals, 4);
    EXPECT_TRUE(fx.Last().firstModeFlag);
    EXPECT_EQ(fx.host.meterRecordModes, (std::vector<int>{4, 5}));
}

TEST(Decoders, AcDcFrameModes) {
    EngineFixture fx;
    fx.Feed(frames::SyncMarker());
    frames::AcDcFrame f;
    f.family = Family::MeterRecord;
    f.unit = Unit("V");
    f.range = 2;
    f.acdcMode = 2;
    f.alternateValue = 1.0f;
    f.secondValue = 2.0f;
    f.value = 3.0f;
    fx.Feed(frames::Encode(f));
    MeterReading r = fx.Last();
    EXPECT_EQ(r.unit, "Vdc+ac");
    EXPECT_EQ(r.decimals, 2);
    EXPECT_EQ(r.acdcMode, 2);
    EXPECT_FLOAT_EQ(r.alternateValue, 1.0f);
    EXPECT_FLOAT_EQ(r.secondValue, 2.0f);
    EXPECT_FLOAT_EQ(r.value, 3.0f);
    EXPECT_EQ(r.secondUnit, "");

    f.acdcMode = 3;
    fx.Feed(frames::Encode(f));
    EXPECT_EQ(fx.Last().unit, "VDC");
    EXPECT_EQ(fx.Last().secondUnit, "VAC");
    EXPECT_EQ(fx.Last().decimals, 3);
    EXPECT_EQ(fx.host.meterRecordModes, (std::vector<int>{7, 6}));

    // Other modes hand nothing over and leave acquisition alone.
    fx.host.running = true;
    f.acdcMode = 1;
    fx.Feed(frames::Encode(f));
    EXPECT_EQ(fx.Last().unit, "VDC");
    EXPECT_EQ(fx.host.meterRecordModes.size(), 2u);
    EXPECT_TRUE(fx.host.running);
    EXPECT_EQ(fx.host.decoded.back().face, 5);
}

TEST(Decoders, VacFrameCarriesItsAuxiliaryTextUntrimmed) {
    EngineFixture fx;
    frames::VacFrame f;
    f.status = 0x01;
    f.value = 230.5f;
    f.unit = Unit("VAC");
    f.range = 4;
    f.limit = 600.0f;
    f.auxValue = 50.0f;
    f.auxText = RawUnit(' ', 'H', 'z', 0);
    fx.Feed(frames::Encode(f));
    MeterReading r = fx.Last();
    EXPECT_EQ(r.function, "VAC");
    EXPECT_TRUE(r.hold);
    EXPECT_FLOAT_EQ(r.value, 230.5f);
    EXPECT_EQ(r.unit, "VAC");
    EXPECT_EQ(r.decimals, 1);
    EXPECT_FLOAT_EQ(r.limit, 600.0f);
    EXPECT_FLOAT_EQ(r.auxValue, 50.0f);
    EXPECT_EQ(r.auxText, " Hz");
    EXPECT_EQ(fx.host.decoded.back().face, 6);
    EXPECT_EQ(fx.host.decoded.back().dial, 5);
}

TEST(Decoders, FrequencyFrameScalingKeepsEarlierLimitAndDecimals) {
    EngineFixture fx;
    frames::PlainFrame plain;
    plain.range = 1;
    plain.limit = 6.0f;
    fx.Feed(frames::Encode(plain));

    frames::FrequencyFrame f;
    f.value = 600000.0f;
    f.duty = 0.25f;
    fx.host.running = true;
    fx.Feed(frames::Encode(f));
    MeterReading r = fx.Last();
    EXPECT_EQ(r.function, "HZ");
    EXPECT_EQ(r.unit, "MHZ");
    EXPECT_FLOAT_EQ(r.value, 0.6f);
    EXPECT_FLOAT_EQ(r.duty, 25.0f);
    EXPECT_FLOAT_EQ(r.limit, 6.0f);
    EXPECT_EQ(r.decimals, 4);
    EXPECT_EQ(fx.host.dispatched.back().decimals, 4);
    EXPECT_EQ(fx.host.decoded.back().face, 7);

    f.value = 500.0f;
    fx.Feed(frames::Encode(f));
    EXPECT_EQ(fx.Last().unit, "HZ");
    EXPECT_FLOAT_EQ(fx.Last().value, 500.0f);
    f.value = 500000.0f;
    fx.Feed(frames::Encode(f));
    EXPECT_EQ(fx.Last().unit, "KHZ");
    EXPECT_FLOAT_EQ(fx.Last().value, 500.0f);
}

TEST(Decoders, StartTextAndBcdTimes) {
    auto start = [](std::uint8_t hour) {
        const std::uint8_t bytes[] = {0x26, 0x12, 0x07, hour, 0x05, 0x09};
        return BcdStartText(bytes);
    };
    // Every hour of the day: TwelveHourClockTest.cpp.
    EXPECT_EQ(start(0x24), "07/12/26 24:05:09 pm");  // beyond the day, as received
    EXPECT_FALSE(start(0xFF).empty());               // malformed BCD still gives a text

    const std::uint8_t time[] = {0x23, 0x59, 0x0a};
    EXPECT_EQ(BcdTimeText(time), "23:59:0a");
    const std::uint8_t header[] = {0x26, 0x12, 0x07, 0x23, 0x30, 0x00};
    EXPECT_EQ(BcdDateTimeText(header), "07/12/26 23:30:00");
}

TEST(Decoders, DialPositionFollowsTheUnit) {
    EngineFixture fx;
    const std::pair<const char*, int> rows[] = {
        {"uADC", 1}, {"mADC", 2}, {"ADC", 3}, {"℉", 4},  {"℃", 4},  {"VAC", 5}, {"VDC", 6},
        {"mVDC", 7}, {"Ω", 8},    {"KΩ", 8},  {"MΩ", 8}, {"uF", 9}, {"nF", 9},  {"mF", 9},
    };
    for (const auto& [unit, position] : rows) {
        EXPECT_EQ(DialPositionForUnit(unit), static_cast<DialPosition>(position)) << unit;
        fx.engine.SetUnitIcon(unit);
        EXPECT_EQ(ToNumber(fx.engine.CurrentDial()), position) << unit;
    }
    EXPECT_FALSE(DialPositionForUnit("V"));
    // No match: the position stays, unless the second mode flag is set.
    EXPECT_FALSE(fx.engine.SetUnitIcon("V"));
    EXPECT_EQ(ToNumber(fx.engine.CurrentDial()), 9);
    frames::PlainFrame secondMode;  // a capacitance reading with the second mode flag
    secondMode.status = 0x08;
    secondMode.unit = Unit("uF");
    fx.Feed(frames::Encode(secondMode));
    EXPECT_TRUE(fx.engine.SetUnitIcon("V"));
    EXPECT_EQ(ToNumber(fx.engine.CurrentDial()), 10);
    EXPECT_TRUE(fx.engine.SetUnitIcon("ADC"));
    EXPECT_FALSE(fx.engine.SetUnitIcon("ADC"));

    // The host hears whether the dial moved.
    fx.host.decoded.clear();
    frames::PlainFrame f;
    f.unit = Unit("VDC");
    fx.Feed(frames::Encode(f));
    fx.Feed(frames::Encode(f));
    ASSERT_EQ(fx.host.decoded.size(), 2u);
    EXPECT_TRUE(fx.host.decoded[0].dialChanged);
    EXPECT_FALSE(fx.host.decoded[1].dialChanged);
    EXPECT_EQ(fx.host.decoded[1].dial, 6);
}

TEST(Decoders, HexHelpersReadBytesAndFloatsAtTheirPositions) {
    const std::string text = "a08000000000803f";
    // The byte at offset b is read with position 2b+2.
    EXPECT_EQ(HexToBytes(text, 2, 2), (std::vector<std::uint8_t>{0xA0, 0x80}));
    EXPECT_FLOAT_EQ(HexToFloat(text, 10), 1.0f);
    // Beyond the text, bytes read as zero rather than out of range.
    EXPECT_EQ(HexToBytes(text, 2, 16), (std::vector<std::uint8_t>{0x3F, 0x00}));
    EXPECT_EQ(HexByteAt("ZZ", 0), 0);
    EXPECT_EQ(HexByteAt("Ff", 0), 0xFF);

    std::string hex;
    const std::uint8_t bytes[] = {0x00, 0x0F, 0xA0, 0xFF};
    AppendHex(hex, bytes, 4);
    EXPECT_EQ(hex, "000fa0ff");
}

TEST(Decoders, HexTextReadsTheSameBytesInPiecesOfAnySize) {
    std::mt19937 random(8);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> bytes(random() % 64);
        std::string text;
        for (std::uint8_t& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
            AppendHex(text, &byte, 1);
            if (random() % 2 == 0) {
                text += " \t\r\n,:"[random() % 6];
            }
        }
        if (round % 2 == 0) {
            for (char& c : text) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
        }
        CHexTextReader reader;
        std::vector<std::uint8_t> read;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t piece = std::min<std::size_t>(1 + random() % 7, text.size() - at);
            reader.Read(std::string_view(text).substr(at, piece), read);
            at += piece;
        }
        reader.Finish();
        EXPECT_EQ(read, bytes) << text;
        EXPECT_EQ(ParseHexText(text), bytes) << text;
    }

    auto offsetOfFault = [](std::string_view text) -> long {
        try {
            ParseHexText(text);
        } catch (const HexTextError& error) {
            return static_cast<long>(error.Offset());
        }
        return -1;
    };
    EXPECT_EQ(offsetOfFault("a0 8g"), 4);   // not a hex digit
    EXPECT_EQ(offsetOfFault("a0 8 0"), 4);  // a separator inside a byte
    EXPECT_EQ(offsetOfFault("a0 8"), 4);    // half a byte at the end
    EXPECT_EQ(offsetOfFault("a0,b1:C2\n"), -1);
}
