// The writer's bytes, checked against hand-assembled layouts.
#include <gtest/gtest.h>

#include "DocviewTestSupport.h"
#include "docview/DataFile.h"

using namespace docview_test;

namespace {

const char* kInitialSummaryHex =
    "00 00 00 00 00 00 00 00 "              // average 0.0
    "00 00 00 00 00 70 B7 C0 "              // maximum -6000.0
    "FF FE FF 00 "                          // maximumTime
    "00 00 00 00 00 70 B7 40 "              // minimum 6000.0
    "FF FE FF 00 "                          // minimumTime
    "00 00 00 00 00 00 F0 3F "              // sampleRate 1.0
    "00 00 00 00 00 00 00 00 "              // sum
    "00 00 00 00 "                          // dataNumber
    "FF FE FF 00 FF FE FF 00 FF FE FF 00";  // startTime, endTime, type

// The bytes of the text field that follows a record's value, when the record
// has unit u and the other texts are empty.
Bytes RecordWithUnit(const std::u16string& unit) {
    CRoZudozuvDoc doc;
    std::string utf8;
    for (char16_t c : unit) {
        utf8 += static_cast<char>(c);  // ASCII only
    }
    doc.channels[0].push_back(Record(0.0, utf8, 0.0, 0, "", ""));
    return WriteDocumentBytes(doc);
}

}  // namespace

TEST(DataFileWrite, EmptyDocumentAndWorkedExample) {
    CRoZudozuvDoc empty;
    EXPECT_EQ(WriteDocumentBytes(empty),
              HexBytes(std::string("00 00 00 00 00 00 ") + kInitialSummaryHex));

    CRoZudozuvDoc doc;
    doc.channels[0].push_back(Record(1.5, "V", 0.0, 0, "1/2/2018 3:4:5", "VDC"));
    const Bytes expected = HexBytes(
        "01 00 | FF FF | 01 00 07 00 43 4F 62 44 61 74 61 | 00 00 00 00 00 00 F8 3F | FF FE FF "
        "01 56 00 | 00 00 00 00 00 00 00 00 | 00 00 00 00 | FF FE FF 0E 31 00 2F 00 32 00 2F 00 "
        "32 00 30 00 31 00 38 00 20 00 33 00 3A 00 34 00 3A 00 35 00 | FF FE FF 03 56 00 44 00 "
        "43 00" +
        std::string(" 00 00 00 00 ") + kInitialSummaryHex);
    EXPECT_EQ(WriteDocumentBytes(doc), expected);
}

TEST(DataFileWrite, LaterRecordsReferToTheClassInEveryChannel) {
    CRoZudozuvDoc doc;
    doc.channels[1].push_back(Record(2.0, "", 1.0, -1, "", ""));
    doc.channels[1].push_back(Record(3.0, "", 1.0, 7, "", ""));
    const Bytes bytes = WriteDocumentBytes(doc);
    // channel 0 empty, then the first record of the file in channel 1
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 17),
              HexBytes("00 00 02 00 FF FF 01 00 07 00 43 4F 62 44 61 74 61"));
    const std::size_t body = 8 + 4 + 8 + 4 + 4 + 4;  // value, unit, rate, sequence, texts
    const std::size_t second = 17 + body;
    EXPECT_EQ(bytes[second], 0x01);
    EXPECT_EQ(bytes[second + 1], 0x80);
    // the sequence of the first record, -1 in two's complement
    EXPECT_EQ(Bytes(bytes.begin() + 17 + 20, bytes.begin() + 17 + 24), HexBytes("FF FF FF FF"));

    // a record in channel 0 takes the descriptor; channel 1 then uses 01 80
    CRoZudozuvDoc both;
    both.channels[0].push_back(Record(1.0, "", 0.0, 0, "", ""));
    both.channels[1].push_back(Record(2.0, "", 1.0, 0, "", ""));
    const Bytes bothBytes = WriteDocumentBytes(both);
    const std::size_t channel1 = 2 + 2 + 11 + body;
    EXPECT_EQ(Bytes(bothBytes.begin() + channel1, bothBytes.begin() + channel1 + 4),
              HexBytes("01 00 01 80"));
}

TEST(DataFileWrite, StringLengthForms) {
    // offset of the unit string: count, tag, descriptor, value
    const std::size_t unitAt = 2 + 2 + 11 + 8;
    const auto lengthBytes = [&](std::size_t units, std::size_t n) {
        const Bytes bytes = RecordWithUnit(std::u16string(units, u'x'));
        return Bytes(bytes.begin() + unitAt, bytes.begin() + unitAt + n);
    };
    EXPECT_EQ(lengthBytes(254, 5), HexBytes("FF FE FF FE 78"));
    EXPECT_EQ(lengthBytes(255, 7), HexBytes("FF FE FF FF FF 00 78"));
    EXPECT_EQ(lengthBytes(65533, 7), HexBytes("FF FE FF FF FD FF 78"));
    EXPECT_EQ(lengthBytes(65534, 11), HexBytes("FF FE FF FF FF FF FE FF 00 00 78"));

    // a character outside the BMP is two code units, "Ω" one
    CRoZudozuvDoc doc;
    doc.channels[0].push_back(Record(0.0, "KΩ\U0001F600", 0.0, 0, "", ""));
    const Bytes bytes = WriteDocumentBytes(doc);
    EXPECT_EQ(Bytes(bytes.begin() + unitAt, bytes.begin() + unitAt + 12),
              HexBytes("FF FE FF 04 4B 00 A9 03 3D D8 00 DE"));
}

TEST(DataFileWrite, InvalidUtf8IsWrittenAsReplacementCharacters) {
    CRoZudozuvDoc doc;
    doc.summary.type = std::string("A\xFF\xC3", 3);  // a stray byte and a cut sequence
    const Bytes bytes = WriteDocumentBytes(doc);
    EXPECT_EQ(Bytes(bytes.end() - 10, bytes.end()), HexBytes("FF FE FF 03 41 00 FD FF FD FF"));
}

TEST(DataFileWrite, LongCountForm) {
    CRoZudozuvDoc doc;
    doc.channels[2].resize(0xFFFE);
    Bytes bytes = WriteDocumentBytes(doc);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), HexBytes("00 00 00 00 FE FF"));

    doc.channels[2].resize(0xFFFF);
    bytes = WriteDocumentBytes(doc);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 10), HexBytes("00 00 00 00 FF FF FF FF 00 00"));

    doc.channels[2].resize(70000);
    bytes = WriteDocumentBytes(doc);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 10), HexBytes("00 00 00 00 FF FF 70 11 01 00"));
}
