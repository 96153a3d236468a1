// How record, download and replay answer a command line they cannot accept,
// and a failure once running: exit codes, the command's name, the usage text.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/ChildProcess.h"

namespace fs = std::filesystem;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string err;
};

CliResult RunCli(std::vector<std::string> args) {
    const fs::path errPath = fs::temp_directory_path() /
                             ("vavirir-e2e-command-line-" + std::to_string(getpid()) + ".err");
    args.insert(args.begin(), std::string(VAVIRIR_BINARY_DIR) + "/vavirir-cli");
    CliResult result;
    {
        test_support::ChildProcess cli(args, test_support::StderrTo(errPath.string()));
        result.exitCode = cli.Wait(std::chrono::seconds(10)).value_or(-1);
        result.err = cli.Stderr();
    }
    fs::remove(errPath);
    return result;
}

// Exit code 2, the message after the command's name, then that command's usage.
void ExpectUsageError(const std::vector<std::string>& args, const std::string& message) {
    SCOPED_TRACE(args[0] + ": " + message);
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.exitCode, 2);
    const std::string expected =
        "vavirir-cli " + args[0] + ": " + message + "\nusage: vavirir-cli " + args[0] + " ";
    EXPECT_EQ(result.err.rfind(expected, 0), 0u) << result.err;
}

TEST(CommandLine, UsageErrorsNameTheCommandAndShowItsUsage) {
    ExpectUsageError({"record", "--out", "x.txt", "--port"}, "--port needs a value");
    ExpectUsageError({"download", "--port", "3", "--out"}, "--out needs a value");
    ExpectUsageError({"replay", "s.bin", "--chunk"}, "--chunk needs a value");

    ExpectUsageError({"record", "--port", "", "--out", "x.txt"},
                     "--port needs a port number or a device, not \"\"");
    ExpectUsageError({"download", "--port", "", "--out", "x.txt"},
                     "--port needs a port number or a device, not \"\"");

    ExpectUsageError({"record", "--out", "x.txt"}, "--port is missing");
    ExpectUsageError({"record", "--port", "3"}, "--out is missing");
    ExpectUsageError({"download", "--out", "x.txt"}, "--port is missing");
    ExpectUsageError({"download", "--port", "3"}, "--out is missing");
    ExpectUsageError({"replay", "--out-dir", "d"}, "STREAM is missing");
    ExpectUsageError({"replay", "s.bin"}, "--out-dir is missing");

    ExpectUsageError({"record", "--port", "3", "--out", "x.txt", "--later"},
                     "unexpected argument --later");
    ExpectUsageError({"download", "--port", "3", "--out", "x.txt", "extra"},
                     "unexpected argument extra");
    ExpectUsageError({"replay", "a.bin", "b.bin", "--out-dir", "d"},
                     "only one STREAM may be given");
}

TEST(CommandLine, AFailureWhileRunningIsReportedWithoutUsage) {
    const std::string missing =
        (fs::temp_directory_path() / ("vavirir-no-such-stream-" + std::to_string(getpid())))
            .string();
    const CliResult replay = RunCli({"replay", missing, "--out-dir", missing + "-out"});
    EXPECT_EQ(replay.exitCode, 1);
    EXPECT_EQ(replay.err, "vavirir-cli replay: cannot open " + missing + "\n");
    EXPECT_FALSE(fs::exists(missing + "-out"));

    const CliResult download = RunCli({"download", "--port", missing, "--out", missing + ".txt"});
    EXPECT_EQ(download.exitCode, 1);
    EXPECT_EQ(download.err.rfind("vavirir-cli download: ", 0), 0u) << download.err;
    EXPECT_EQ(download.err.find("usage:"), std::string::npos) << download.err;
    EXPECT_FALSE(fs::exists(missing + ".txt"));
}

}  // namespace
