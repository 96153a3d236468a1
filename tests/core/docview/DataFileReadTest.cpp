// The reader: golden files from the independent writer, round trips, and
// damaged or hostile input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "DocviewTestSupport.h"
#include "docview/DataFile.h"

using namespace docview_test;

namespace {

// Raw little-endian bytes, assembled by hand rather than by the program's writer.
struct Raw {
    Bytes bytes;
    Raw& Word(std::uint16_t v) { return Put(&v, 2); }
    Raw& Dword(std::uint32_t v) { return Put(&v, 4); }
    Raw& Double(double v) { return Put(&v, 8); }
    Raw& Text(const std::string& s) { return Put(s.data(), s.size()); }
    Raw& Narrow(const std::string& s) {  // 8-bit string, length below 255
        bytes.push_back(static_cast<std::uint8_t>(s.size()));
        return Text(s);
    }
    Raw& Put(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        bytes.insert(bytes.end(), b, b + n);
        return *this;
    }
    Raw& Descriptor() { return Word(0xFFFF).Word(1).Word(7).Text("CObData"); }
    Raw& Body(double value, std::uint32_t sequence) {
        return Double(value).Narrow("V").Double(0.0).Dword(sequence).Narrow("t").Narrow("VDC");
    }
    Raw& InitialSummary() {
        Double(0.0).Double(-6000.0).Narrow("").Double(6000.0).Narrow("").Double(1.0);
        return Double(0.0).Dword(0).Narrow("").Narrow("").Narrow("");
    }
};

CRoZudozuvDoc ReadBytes(const Bytes& bytes) {
    CRoZudozuvDoc doc;
    ReadDocumentBytes(bytes.data(), bytes.size(), doc);
    return doc;
}

std::string ReadError(const Bytes& bytes) {
    CRoZudozuvDoc doc = SampleDocument();
    try {
        ReadDocumentBytes(bytes.data(), bytes.size(), doc);
    } catch (const CDataFileError& e) {
        // a failed read leaves the document as it was
        if (!(doc.channels == SampleDocument().channels &&
              doc.summary == SampleDocument().summary)) {
            return "document changed";
        }
        return e.what();
    }
    return "no error";
}

Bytes Golden(const std::string& name) {
    return ReadFileBytes(DataFilesDir() / "golden" / name);
}

}  // namespace

TEST(DataFileRead, GoldenFilesFromTheIndependentWriter) {
    // The one-record file is byte for byte what the program writes.
    CRoZudozuvDoc one;
    one.channels[0].push_back(Record(1.5, "V", 0.0, 0, "1/2/2018 3:4:5", "VDC"));
    one.summary = {1.5,
                   1.5,
                   1.5,
                   1.5,
                   "1/2/2018 3:4:5",
                   "1/2/2018 3:4:5",
                   "1/2/2018 3:4:5",
                   "1/2/2018 3:4:5",
                   "VDC",
                   1,
                   1.0};
    EXPECT_EQ(WriteDocumentBytes(one), Golden("one_record.txt"));
    const CRoZudozuvDoc readOne = ReadBytes(Golden("one_record.txt"));
    EXPECT_EQ(readOne.channels, one.channels);
    EXPECT_EQ(readOne.summary, one.summary);

    EXPECT_EQ(WriteDocumentBytes(CRoZudozuvDoc()), Golden("empty.txt"));
    const CRoZudozuvDoc empty = ReadBytes(Golden("empty.txt"));
    EXPECT_EQ(empty.summary, DocumentSummary());
    EXPECT_TRUE(empty.channels[0].empty() && empty.channels[1].empty());
}

TEST(DataFileRead, EveryTagAndStringForm) {
    const CRoZudozuvDoc doc = ReadBytes(Golden("mixed_forms.txt"));
    // the null entry is skipped; a second class descriptor and long tags are accepted
    ASSERT_EQ(doc.channels[0].size(), 4u);
    EXPECT_EQ(doc.channels[0][0], Record(10.02, "KΩ", 0.0, 0, "3/5/2018 9:7:5", "RES \U0001F600"));
    // 8-bit strings are Latin-1
    EXPECT_EQ(doc.channels[0][1], Record(-0.5, "°C", 2.0, -7, "2018/05/03 09:07:05", "Über"));
    EXPECT_EQ(doc.channels[0][2], Record(500000.0, "mVDC", 0.0, 1, "3/5/2018 9:7:6", "mVDC"));
    EXPECT_EQ(doc.channels[0][3], Record(-12.345, "HZ", 0.0, 2, "3/5/2018 9:7:7", "HZ"));
    ASSERT_EQ(doc.channels[1].size(), 1u);
    EXPECT_EQ(doc.channels[1][0], Record(3.25, "V", 1.0, 0, "00:12:41", "Max"));
    EXPECT_TRUE(doc.channels[2].empty());
    // the summary is taken as stored, not recomputed
    const DocumentSummary expected{5.0,
                                   2.5,
                                   12.345,
                                   -0.5,
                                   "3/5/2018 9:7:7",
                                   "2018/05/03 09:07:05",
                                   "3/5/2018 9:7:5",
                                   "3/5/2018 9:7:7",
                                   "HZ",
                                   4,
                                   0.5};
    EXPECT_EQ(doc.summary, expected);

    const CRoZudozuvDoc strings = ReadBytes(Golden("long_strings.txt"));
    ASSERT_EQ(strings.channels[0].size(), 1u);
    EXPECT_EQ(strings.channels[0][0].unit, std::string(254, 'a'));
    EXPECT_EQ(strings.channels[0][0].timeText, std::string(255, 'b'));
    std::string e65534;
    for (int i = 0; i < 65534; ++i) {
        e65534 += "é";
    }
    EXPECT_EQ(strings.channels[0][0].typeText, e65534);
    EXPECT_EQ(strings.summary.type, std::string(255, 'c'));
    // and the program writes those lengths exactly as the other writer did
    EXPECT_EQ(WriteDocumentBytes(strings), Golden("long_strings.txt"));
}

TEST(DataFileRead, RoundTripKeepsEveryField) {
    CRoZudozuvDoc doc = SampleDocument();
    doc.channels[0].push_back(Record(std::nan(""), "", -0.0, INT32_MIN, "", ""));
    doc.channels[0].push_back(Record(INFINITY, std::string(300, 'u'), 1e-300, INT32_MAX,
                                     "2018/05/03 09:07:05", "DC+AC(uA)"));
    doc.summary.dataNumber = -3;
    CRoZudozuvDoc back = ReadBytes(WriteDocumentBytes(doc));
    ASSERT_EQ(back.channels[0].size(), doc.channels[0].size());
    EXPECT_TRUE(std::isnan(back.channels[0][4].value));
    EXPECT_TRUE(std::signbit(back.channels[0][4].sampleRate));
    EXPECT_EQ(back.channels[0][4].sequence, INT32_MIN);
    doc.channels[0][4].value = back.channels[0][4].value = 0;  // NaN never compares equal
    EXPECT_EQ(back.channels, doc.channels);
    EXPECT_EQ(back.summary, doc.summary);
}

TEST(DataFileRead, LongCountOfManyRecords) {
    const std::uint32_t n = 65537;
    Raw raw;
    raw.Word(0xFFFF).Dword(n).Descriptor().Body(0.0, 0);
    for (std::uint32_t i = 1; i < n; ++i) {
        raw.Word(0x8001).Body(i * 0.5, i);
    }
    raw.Word(0).Word(0).InitialSummary();
    const CRoZudozuvDoc doc = ReadBytes(raw.bytes);
    ASSERT_EQ(doc.channels[0].size(), n);
    EXPECT_EQ(doc.channels[0][65535].value, 65535 * 0.5);
    EXPECT_EQ(doc.channels[0][65536].sequence, 65536);
    EXPECT_EQ(doc.channels[0][65536].typeText, "VDC");
    // numbers above 0x7FFE are reached with long class tags too
    EXPECT_EQ(ReadBytes(WriteDocumentBytes(doc)).channels, doc.channels);
}

TEST(DataFileRead, ReadingMarksTheDocumentAsNotAcquiring) {
    CRoZudozuvDoc doc;
    doc.countedNumber = 5;
    const Bytes bytes = WriteDocumentBytes(SampleDocument());
    ReadDocumentBytes(bytes.data(), bytes.size(), doc);
    EXPECT_EQ(doc.Role(), DocumentRole::NotRecording);
    EXPECT_EQ(doc.channels, SampleDocument().channels);
    // previous records are replaced, not appended to
    ReadDocumentBytes(bytes.data(), bytes.size(), doc);
    EXPECT_EQ(doc.channels, SampleDocument().channels);
}

TEST(DataFileRead, HostileStructuresAreUnexpectedFormat) {
    const std::string bad = kUnexpectedFileFormat;
    const auto oneEntry = [](const Raw& entry) {
        Raw raw;
        raw.Word(1).Put(entry.bytes.data(), entry.bytes.size()).Word(0).Word(0).InitialSummary();
        return raw.bytes;
    };
    EXPECT_EQ(ReadError(oneEntry(Raw().Word(0xFFFF).Word(2).Word(7).Text("CObData").Body(1, 0))),
              bad);  // schema 2
    EXPECT_EQ(ReadError(oneEntry(Raw().Word(0xFFFF).Word(1).Word(7).Text("CObDatA").Body(1, 0))),
              bad);
    EXPECT_EQ(ReadError(oneEntry(Raw().Word(0xFFFF).Word(1).Word(64).Text(std::string(64, 'C')))),
              bad);
    EXPECT_EQ(ReadError(oneEntry(Raw().Word(0x8001).Body(1, 0))), bad);  // class not read yet
    EXPECT_EQ(ReadError(oneEntry(Raw().Word(0x7FFF).Dword(0x80000000).Body(1, 0))), bad);
    EXPECT_EQ(ReadError(oneEntry(Raw().Word(0x0001))), bad);  // object not read yet

    // the same record twice, by short and by long reference
    for (const Raw& reference : {Raw().Word(0x0002), Raw().Word(0x7FFF).Dword(2)}) {
        Raw raw;
        raw.Word(2).Descriptor().Body(1, 0);
        raw.Put(reference.bytes.data(), reference.bytes.size()).Word(0).Word(0).InitialSummary();
        EXPECT_EQ(ReadError(raw.bytes), bad);
    }
    // a class tag naming an object number
    Raw classIsObject;
    classIsObject.Word(2).Descriptor().Body(1, 0).Word(0x8002).Body(2, 1);
    classIsObject.Word(0).Word(0).InitialSummary();
    EXPECT_EQ(ReadError(classIsObject.bytes), bad);

    // counts and lengths far beyond the bytes that are left
    EXPECT_EQ(ReadError(Raw().Word(0xFFFF).Dword(0xFFFFFFFF).Descriptor().bytes), bad);
    EXPECT_EQ(ReadError(Raw().Word(0xFFFE).Word(0).Word(0).bytes), bad);
    Raw giantText;
    giantText.Word(1).Descriptor().Double(1).Text("\xFF\xFE\xFF\xFF\xFF\xFF");
    giantText.Dword(0xFFFFFFFF).Dword(0xFFFFFFFF).Dword(0x7FFFFFFF).Text("ab");
    EXPECT_EQ(ReadError(giantText.bytes), bad);
}

TEST(DataFileRead, EveryTruncationIsUnexpectedFormat) {
    const Bytes whole = WriteDocumentBytes(SampleDocument());
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + size);
        ASSERT_EQ(ReadError(cut), kUnexpectedFileFormat) << "cut at " << size;
    }
    // bytes after the summary are left alone
    Bytes longer = whole;
    longer.push_back(0x42);
    EXPECT_EQ(ReadBytes(longer).channels, SampleDocument().channels);
}

TEST(DataFileRead, EveryDamagedFileIsRefused) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DataFilesDir() / "damaged")) {
        const Bytes bytes = ReadFileBytes(entry.path());
        EXPECT_EQ(ReadError(bytes), kUnexpectedFileFormat) << entry.path().filename();
        ++files;
    }
    EXPECT_GE(files, 50);
}

TEST(DataFileRead, SingleByteDamageNeverCrashes) {
    // Every byte of a sample file set to each of a few values: the reader either
    // succeeds or reports the format error, and never throws anything else.
    const Bytes whole = WriteDocumentBytes(SampleDocument());
    int refused = 0;
    for (std::size_t at = 0; at < whole.size(); ++at) {
        for (const std::uint8_t value :
             std::initializer_list<std::uint8_t>{0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF}) {
            Bytes damaged = whole;
            damaged[at] = value;
            CRoZudozuvDoc doc;
            try {
                ReadDocumentBytes(damaged.data(), damaged.size(), doc);
            } catch (const CDataFileError& e) {
                ASSERT_STREQ(e.what(), kUnexpectedFileFormat);
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 100);
}
