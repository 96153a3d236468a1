// The spreadsheet export: exact bytes, 8-bit texts, the file name and failures.
#include <gtest/gtest.h>

#include "DocviewTestSupport.h"
#include "docview/DataFile.h"
#include "docview/Export.h"
#include "support/ResultAssert.h"

using namespace docview_test;

TEST(Export, ExactContent) {
    const CRoZudozuvDoc doc = SampleDocument();
    const std::string expected =
        "StartTime\t3/5/2018 9:7:5\t\r\n"
        "Max\t12.3456 @ 3/5/2018 9:7:5\t\r\n"
        "Min\t-21.5000 @ 3/5/2018 9:7:8\t\r\n"
        "Average\t0.6250\t\r\n"
        "EndTime\t3/5/2018 9:7:8\t\r\n"
        "ID\tUnit\tValue\tType\tDateTime\t\r\n"
        "1\tV\t12.3456\tVDC\t3/5/2018 9:7:5\t\r\n"
        "2\tKOhm\t10.0200\tRES\t3/5/2018 9:7:6\t\r\n"
        "3\tmVDC\tOL\tmVDC\t3/5/2018 9:7:7\t\r\n"
        "4\t\xB0"
        "C\t-21.5000\tTEMP\t3/5/2018 9:7:8\t\r\n";
    EXPECT_EQ(ExportBytes(doc), expected);
    EXPECT_TRUE(HasExportableRecords(doc));
}

TEST(Export, UsesTheLastRecordsTimeAndTheStoredSummary) {
    CRoZudozuvDoc doc;
    doc.channels[1].push_back(Record(1.0, "V", 1.0, 0, "00:00:01", "Max"));
    EXPECT_FALSE(HasExportableRecords(doc));  // companion records alone export nothing

    doc.channels[0].push_back(Record(0.00005, "V", 0.0, 0, "a", "VDC"));
    doc.channels[0].push_back(Record(499999.99999, "V", 0.0, 1, "last", "VDC"));
    doc.summary.endTime = "stored end";
    doc.summary.maximum = 1e7;
    const std::string bytes = ExportBytes(doc);
    EXPECT_NE(bytes.find("EndTime\tlast\t\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("stored end"), std::string::npos);
    EXPECT_NE(bytes.find("Max\t10000000.0000 @ \t\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n1\tV\t0.0001\tVDC\ta\t\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n2\tV\t500000.0000\tVDC\tlast\t\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("Max\t"), bytes.find("\r\n") + 2);
    // channel 1 is not exported
    EXPECT_EQ(bytes.find("00:00:01"), std::string::npos);
}

TEST(Export, EightBitTexts) {
    CRoZudozuvDoc doc;
    doc.channels[0].push_back(Record(1.0, "MΩ", 0.0, 0, "Ω ℃ ℉ Ω", "é€✓\U0001F600"));
    doc.channels[0].push_back(Record(1.0, std::string("\xC3\x28\xFF", 3), 0.0, 0, "", "x\ny"));
    const std::string bytes = ExportBytes(doc);
    // Greek omega and the ohm sign, both degree signs, Latin-1 kept, others "?"
    EXPECT_NE(bytes.find("1\tMOhm\t1.0000\t\xE9???\tOhm \xB0"
                         "C \xB0"
                         "F Ohm\t\r\n"),
              std::string::npos);
    // invalid UTF-8 never stops the export; a line feed is written as CR LF
    EXPECT_NE(bytes.find("2\t?(?\t1.0000\tx\r\ny\t\t\r\n"), std::string::npos);
}

TEST(Export, DefaultFileName) {
    std::tm t{};
    t.tm_year = 2018 - 1900;
    t.tm_mon = 4;
    t.tm_mday = 3;
    t.tm_hour = 9;
    t.tm_min = 7;
    t.tm_sec = 5;
    EXPECT_EQ(DefaultExportFileName(t), "2018-5-3 9-7.xls");
    t.tm_mon = 11, t.tm_mday = 31, t.tm_hour = 23, t.tm_min = 59;
    EXPECT_EQ(DefaultExportFileName(t), "2018-12-31 23-59.xls");
    t.tm_hour = 0, t.tm_min = 0;
    EXPECT_EQ(DefaultExportFileName(t), "2018-12-31 0-0.xls");
}

TEST(Export, FileWrittenOrFailureReported) {
    TempDir dir;
    const std::string path = dir.File("out.xls");
    EXPECT_TRUE(Succeeded(ExportDocumentFile(SampleDocument(), path)));
    const Bytes written = ReadFileBytes(path);
    const std::string expected = ExportBytes(SampleDocument());
    EXPECT_EQ(std::string(written.begin(), written.end()), expected);

    const std::string badPath = dir.File("missing/out.xls");
    const Status failed = ExportDocumentFile(SampleDocument(), badPath);
    ASSERT_FALSE(failed) << "an export into a missing folder reported success";
    EXPECT_NE(failed.Message().find(badPath), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(badPath));
    EXPECT_FALSE(ExportDocumentFile(SampleDocument(), dir.Path().string()));
}
