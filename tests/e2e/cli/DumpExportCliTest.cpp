// vavirir-cli dump and export on real files, run as a separate program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/docview/DocviewTestSupport.h"
#include "docview/DataFile.h"
#include "docview/Export.h"
#include "support/ChildProcess.h"
#include "support/ResultAssert.h"

using namespace docview_test;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
};

// Runs the CLI with the arguments; stderr follows stdout in out.
CliRun RunCli(const std::vector<std::string>& arguments) {
    std::vector<std::string> args{test_support::ProgramPath("vavirir-cli")};
    args.insert(args.end(), arguments.begin(), arguments.end());
    const test_support::ChildResult result = test_support::RunToEnd(args);
    return {result.exitCode.value_or(-1), result.out + result.err};
}

class Cli : public ::testing::Test {
  protected:
    TempDir dir;
};

}  // namespace

TEST_F(Cli, DumpJsonAndText) {
    const std::string path = dir.File("doc.txt");
    CRoZudozuvDoc doc;
    doc.channels[0].push_back(Record(1.5, "KΩ", 0.0, 0, "3/5/2018 9:7:5", "RES"));
    doc.channels[1].push_back(Record(0.1, "V", 1.0, 0, "00:12:41", "Max"));
    doc.summary.maximum = 1500.0;
    doc.summary.dataNumber = 1;
    EXPECT_TRUE(Succeeded(SaveDocumentFile(doc, path)));

    const CliRun json = RunCli({"dump", "--json", path});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(
        json.out,
        "{\"channels\":[[{\"value\":1.5,\"unit\":\"KΩ\",\"sampleRate\":0,\"sequence\":0,"
        "\"timeText\":\"3/5/2018 9:7:5\",\"typeText\":\"RES\"}],[{\"value\":0.10000000000000001,"
        "\"unit\":\"V\",\"sampleRate\":1,\"sequence\":0,\"timeText\":\"00:12:41\","
        "\"typeText\":\"Max\"}],[]],\"summary\":{\"average\":0,\"maximum\":1500,"
        "\"maximumTime\":\"\",\"minimum\":6000,\"minimumTime\":\"\",\"sampleRate\":1,"
        "\"sum\":0,\"dataNumber\":1,\"startTime\":\"\",\"endTime\":\"\",\"type\":\"\"}}\n");

    const CliRun text = RunCli({"dump", path});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("3/5/2018 9:7:5"), std::string::npos);
    EXPECT_NE(text.out.find("Channel 2: 0 records"), std::string::npos);

    EXPECT_EQ(RunCli({"dump"}).exitCode, 2);
    EXPECT_EQ(RunCli({"dump", "--bogus", path}).exitCode, 2);
    EXPECT_EQ(RunCli({"dump", "a", "b"}).exitCode, 2);
    const CliRun missing = RunCli({"dump", dir.File("none.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "vavirir-cli dump: " + dir.File("none.txt") + " was not found.\n");
}

TEST_F(Cli, ExportWritesTheSpreadsheet) {
    const std::string path = dir.File("doc.txt");
    EXPECT_TRUE(Succeeded(SaveDocumentFile(SampleDocument(), path)));
    const std::string out = dir.File("out.xls");
    EXPECT_EQ(RunCli({"export", path, out}).exitCode, 0);
    const Bytes bytes = ReadFileBytes(out);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ExportBytes(SampleDocument()));

    EXPECT_EQ(RunCli({"export", path}).exitCode, 2);
    EXPECT_EQ(RunCli({"export", path, dir.File("no/out.xls")}).exitCode, 1);
    const std::string empty = dir.File("empty.txt");
    EXPECT_TRUE(Succeeded(SaveDocumentFile(CRoZudozuvDoc(), empty)));
    EXPECT_EQ(RunCli({"export", empty, dir.File("e.xls")}).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("e.xls")));
}

TEST_F(Cli, DamagedFilesGiveTheMessageAndExitOne) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DataFilesDir() / "damaged")) {
        if (files++ % 3 != 0) {
            continue;  // a sample keeps the test quick
        }
        const CliRun dump = RunCli({"dump", "--json", entry.path().string()});
        EXPECT_EQ(dump.exitCode, 1) << entry.path().filename();
        EXPECT_EQ(dump.out,
                  "vavirir-cli dump: " + entry.path().string() + ": Unexpected file format.\n");
    }
    const CliRun exported = RunCli(
        {"export", (DataFilesDir() / "damaged" / "schema_2.txt").string(), dir.File("x.xls")});
    EXPECT_EQ(exported.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.xls")));
}
