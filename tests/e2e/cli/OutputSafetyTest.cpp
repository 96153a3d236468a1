// What the commands do with their output files when something is wrong with
// them: refused before anything starts, never written over an input, never
// turned from a device into a file, and a session kept when its save fails.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/docview/DocviewTestSupport.h"
#include "docview/DataFile.h"
#include "docview/Export.h"
#include "record/Journal.h"
#include "support/ChildProcess.h"
#include "support/ResultAssert.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace docview_test;
using test_support::ChildProcess;
using test_support::ChildResult;
using test_support::ChildSetup;
using test_support::ProgramPath;

namespace {

ChildResult Cli(std::vector<std::string> args, ChildSetup setup = {}) {
    args.insert(args.begin(), ProgramPath("vavirir-cli"));
    return test_support::RunToEnd(args, std::move(setup));
}

ChildSetup StdoutTo(const std::string& path) {
    ChildSetup setup;
    setup.stdoutPath = path;
    return setup;
}

class OutputSafety : public ::testing::Test {
  protected:
    TempDir dir;
};

TEST_F(OutputSafety, UnwritableOrClashingOutputsAreRefusedBeforeThePortOpens) {
    const std::string folder = dir.Path().string();
    const std::string existing = dir.File("existing.txt");
    std::ofstream(existing) << "kept";
    fs::create_symlink(existing, dir.File("link.txt"));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"record", "--out", folder}, 1, "--out cannot be saved: " + folder + " is a directory"},
        {{"record", "--out", dir.File("no/rec.txt")},
         1,
         "--out cannot be saved: the folder " + dir.File("no") + " does not exist"},
        {{"record", "--out", dir.File("new.txt"), "--xls", folder},
         1,
         "--xls cannot be saved: " + folder + " is a directory"},
        {{"download", "--out", "/proc/vavirir.txt"},
         1,
         "--out cannot be saved: cannot write in /proc"},
        {{"record", "--out", dir.File("same.txt"), "--xls", dir.File("same.txt")},
         2,
         "--xls " + dir.File("same.txt") + " is the same file as --out " + dir.File("same.txt")},
        {{"record", "--out", existing, "--xls", dir.File("link.txt")},
         2,
         "--xls " + dir.File("link.txt") + " is the same file as --out " + existing},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, {"--port", "987"});  // a port that would fail to open
        const ChildResult result = Cli(args);
        SCOPED_TRACE(result.err);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.err.rfind("vavirir-cli " + c.args[0] + ": " + c.message, 0), 0u);
        EXPECT_EQ(result.err.find("Can't open"), std::string::npos) << "checked before the port";
    }
    EXPECT_FALSE(fs::exists(dir.File("new.txt")));
    EXPECT_FALSE(fs::exists(dir.File("same.txt")));
    EXPECT_EQ(ReadFileBytes(existing), HexBytes("6b 65 70 74"));  // "kept"
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2)
        << "no probe file is left behind";
}

TEST_F(OutputSafety, ExportNeverWritesOverItsInputAndWritesDevicesInPlace) {
    const std::string data = dir.File("rec.txt");
    EXPECT_TRUE(Succeeded(SaveDocumentFile(SampleDocument(), data)));
    const Bytes original = ReadFileBytes(data);
    fs::create_symlink(data, dir.File("soft.txt"));
    fs::create_hard_link(data, dir.File("hard.txt"));
    for (const std::string& output : {data, dir.File("soft.txt"), dir.File("hard.txt")}) {
        const ChildResult result = Cli({"export", data, output});
        EXPECT_EQ(result.exitCode, 2) << output;
        EXPECT_NE(result.err.find("is the same file as the input " + data), std::string::npos)
            << result.err;
    }
    EXPECT_EQ(ReadFileBytes(data), original);

    const ChildResult toStdout = Cli({"export", data, "/dev/stdout"});
    EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, ExportBytes(SampleDocument()));
    EXPECT_EQ(Cli({"export", data, "/dev/null"}).exitCode, 0);
    struct stat null {};
    ASSERT_EQ(stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));
}

TEST_F(OutputSafety, AFullDiskOrADirectoryIsReportedAsSuch) {
    const std::string data = dir.File("rec.txt");
    EXPECT_TRUE(Succeeded(SaveDocumentFile(SampleDocument(), data)));
    const std::string stream = std::string(VAVIRIR_TEST_DATA) + "/sample-stream.hex";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"decode", "--hex", stream},
          {"dump", "--json", data},
          {"replay", "--hex", stream, "--out-dir", dir.File("replayed")}}) {
        const ChildResult full = Cli(args, StdoutTo("/dev/full"));
        EXPECT_EQ(full.exitCode, 1) << args[0];
        EXPECT_EQ(full.err, "vavirir-cli " + args[0] +
                                ": cannot write the output: No space left on device\n");
    }
    const std::string folder = dir.Path().string();
    const ChildResult replay = Cli({"replay", folder, "--out-dir", dir.File("out")});
    EXPECT_EQ(replay.exitCode, 1);
    EXPECT_EQ(replay.err, "vavirir-cli replay: " + folder + " is a directory\n");
    const ChildResult dump = Cli({"dump", folder});
    EXPECT_EQ(dump.exitCode, 1);
    EXPECT_EQ(dump.err, "vavirir-cli dump: " + folder + " is a directory.\n");
    const ChildResult decode = Cli({"decode", folder});
    EXPECT_EQ(decode.exitCode, 1);
    EXPECT_EQ(decode.err, "vavirir-cli decode: " + folder + " is a directory\n");
}

TEST_F(OutputSafety, HangUpEndsARecordingAndAFailedSaveKeepsItInTheStateFolder) {
    ChildSetup simSetup;
    ChildProcess sim({ProgramPath("vavirir-sim"), "--seed", "5", "--interval-ms", "30", "live"},
                     simSetup);
    const std::string pty = sim.ReadLine(5s).value_or("");
    ASSERT_FALSE(pty.empty());

    // The folder of --out is there at the start and gone (a file in its place)
    // when the recording ends, so the save fails however privileged the user.
    const fs::path folder = dir.Path() / "session";
    fs::create_directory(folder);
    ChildSetup setup;
    setup.env = {"XDG_STATE_HOME=" + dir.File("state")};
    ChildProcess record({ProgramPath("vavirir-cli"), "record", "--port", pty, "--out",
                         (folder / "rec.txt").string(), "--jsonl", dir.File("rec.jsonl")},
                        setup);
    EXPECT_TRUE(test_support::WaitForLines(dir.File("rec.jsonl"), 5, 30s)) << record.Stderr();
    fs::remove_all(folder);
    std::ofstream(folder) << "in the way";
    record.Signal(SIGHUP);
    EXPECT_EQ(record.Wait(10s), 1);
    const std::string err = record.Stderr();
    EXPECT_NE(err.find("record: interrupted"), std::string::npos) << err;
    EXPECT_NE(err.find("cannot save to " + (folder / "rec.txt").string()), std::string::npos)
        << err;

    const fs::path kept = dir.Path() / "state" / "vavirir";
    ASSERT_TRUE(fs::is_directory(kept)) << err;
    // Beside the kept file lies the journal folder: the recording was not
    // saved where it was asked to be, so its journal stays too.
    auto entry = fs::directory_iterator(kept);
    while (entry != fs::directory_iterator() && !entry->is_regular_file()) {
        ++entry;
    }
    ASSERT_NE(entry, fs::directory_iterator()) << err;
    const std::string file = entry->path().string();
    EXPECT_EQ(entry->path().filename().string().rfind("rec-", 0), 0u) << file;
    EXPECT_EQ(ListJournalIds((kept / "journal").string()).Value().size(), 1u);
    EXPECT_NE(err.find("records saved to " + file + " instead"), std::string::npos) << err;
    CRoZudozuvDoc doc;
    EXPECT_TRUE(Succeeded(LoadDocumentFile(file, doc)));
    EXPECT_GE(doc.channels[0].size(), 5u);
}

}  // namespace
