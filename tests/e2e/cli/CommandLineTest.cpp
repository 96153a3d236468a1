// How the commands answer a command line they cannot accept, a failure once
// running and a reader that went away: exit codes, the command's name, the
// usage text.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/ChildProcess.h"

namespace fs = std::filesystem;

extern char** environ;

namespace {

const std::string kCurve = std::string(VAVIRIR_TEST_DATA) + "/graph/curve.txt";
const std::string kStream = std::string(VAVIRIR_TEST_DATA) + "/sample-stream.hex";

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
        "vavirir-cli " + args[0] + ": " + message + "\nusage: vavirir-cli " + args[0];
    EXPECT_EQ(result.err.rfind(expected, 0), 0u) << result.err;
    // The usage goes on with the arguments, or ends there for a command without any.
    EXPECT_TRUE(result.err.size() > expected.size() &&
                (result.err[expected.size()] == ' ' || result.err[expected.size()] == '\n'))
        << result.err;
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

// Every command reads its options the same way: one wording for an option it
// does not know, for an option at the end without its value and for a shared
// option's bad value; each value of a repeated option is checked; "--" ends
// the options.
TEST(CommandLine, EveryCommandWordsItsUsageErrorsTheSameWay) {
    const std::vector<std::string> commands = {"decode", "replay",   "dump",     "export",  "ports",
                                               "record", "download", "journals", "recover", "fft"};
    for (const std::string& command : commands) {
        ExpectUsageError({command, "--no-such-option"}, "unexpected argument --no-such-option");
    }
    const std::vector<std::vector<std::string>> withoutValue = {
        {"decode", "f.bin", "--chunk"}, {"replay", "s.bin", "--now"},
        {"record", "--seconds"},        {"record", "--high"},
        {"download", "--timeout"},      {"recover", "ID", "--out"},
        {"fft", kCurve, "--window"},    {"record", "--port", "3", "--mqtt-cafile"},
    };
    for (const auto& args : withoutValue) {
        ExpectUsageError(args, args.back() + " needs a value");
    }
    for (const std::string command : {"decode", "replay"}) {
        ExpectUsageError({command, "--chunk", "0", "s.bin"},
                         "--chunk needs a whole number from 1 to 1000000");
    }
    // Before "--" what looks like an option is one; a negative number is a value.
    ExpectUsageError({"dump", "---x", kCurve}, "unexpected argument ---x");
    ExpectUsageError({"dump", kCurve, "-5"}, "unexpected argument -5");
    ExpectUsageError({"dump", "--json=yes", kCurve}, "unexpected argument --json=yes");
    ExpectUsageError({"fft", kCurve, "--start", "-1", "--finish", "9"},
                     "the range needs 0 <= start < finish");
    ExpectUsageError({"record", "--port", "3", "--out", "", "--out", "x.txt"},
                     "--out needs a file name, not \"\"");
    const CliResult operand = RunCli({"dump", "--", "--json"});
    EXPECT_EQ(operand.exitCode, 1);
    EXPECT_EQ(operand.err, "vavirir-cli dump: --json was not found.\n");
}

TEST(CommandLine, EmptyFileNamesAndDashForAFileToWriteAreUsageErrors) {
    const std::string empty = "FILE needs a file name, not \"\"";
    const std::string dash = "needs a file name; \"-\" (the standard output) is not one";
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"dump", ""}, empty},
        {{"dump", "--json"}, "FILE is missing"},
        {{"dump", "a.txt", "b.txt"}, "unexpected argument b.txt"},
        {{"decode", ""}, empty},
        {{"fft", "", "--start", "0", "--finish", "9"}, empty},
        {{"export", kCurve, ""}, "OUT needs a file name, not \"\""},
        {{"export", "--csv", "", "out.csv"}, empty},
        {{"export", kCurve, "-"}, "OUT " + dash},
        {{"replay", "", "--out-dir", "d"}, "STREAM needs a file name, not \"\""},
        {{"replay", "s.bin", "--out-dir", ""}, "--out-dir needs a file name, not \"\""},
        {{"replay", "s.bin", "--out-dir", "-"}, "--out-dir " + dash},
        {{"record", "--port", "3", "--out", ""}, "--out needs a file name, not \"\""},
        {{"record", "--port", "3", "--out", "-"}, "--out " + dash},
        {{"record", "--port", "3", "--out", "x.txt", "--xls", "-"}, "--xls " + dash},
        {{"record", "--port", "3", "--jsonl", ""}, "--jsonl needs a file name, not \"\""},
        {{"download", "--port", "3", "--out", "-"}, "--out " + dash},
        {{"recover", "ID", "--out", "-"}, "--out " + dash},
        {{"fft", kCurve, "--start", "0", "--finish", "30"},
         "--finish 30 is past the last record: " + kCurve +
             " has 30 records, counted from 0 to 29"},
    };
    for (const auto& c : cases) {
        ExpectUsageError(c.args, c.message);
    }
}

// A reader that took what it wanted and went away (`| head -2`) ends every
// command quietly with the exit code it would have had.
TEST(CommandLine, AClosedOutputPipeEndsQuietly) {
    const std::string outDir =
        (fs::temp_directory_path() / ("vavirir-e2e-closed-pipe-" + std::to_string(getpid())))
            .string();
    std::vector<std::vector<std::string>> commands = {
        {"dump", kCurve},
        {"dump", "--json", kCurve},
        {"fft", kCurve, "--start", "0", "--finish", "29", "--frequency"},
        {"decode", "--hex", kStream},
        {"replay", "--hex", kStream, "--out-dir", outDir},
        {"--help"},
        {"fft", "--help"},
        {"--version"},
    };
    const std::string errPath = outDir + ".err";
    // A stream long enough that decode meets the closed pipe while it runs.
    const std::string longStream = outDir + ".hex";
    {
        std::ifstream in(kStream);
        const std::string hex(std::istreambuf_iterator<char>(in), {});
        std::ofstream out(longStream);
        for (int i = 0; i < 200; ++i) {
            out << hex << "\n";
        }
    }
    commands.push_back({"decode", "--hex", longStream});
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0] + " " + command.back());
        std::vector<std::string> args{std::string(VAVIRIR_BINARY_DIR) + "/vavirir-cli"};
        args.insert(args.end(), command.begin(), command.end());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        // The reading end is closed before the command starts.
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        close(pipeEnds[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        std::ifstream err(errPath);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(err), {}), "");
    }
    fs::remove(errPath);
    fs::remove(longStream);
    fs::remove_all(outDir);
}

TEST(CommandLine, AFailureWhileRunningIsReportedWithoutUsage) {
    const std::string missing =
        (fs::temp_directory_path() / ("vavirir-no-such-stream-" + std::to_string(getpid())))
            .string();
    const CliResult replay = RunCli({"replay", missing, "--out-dir", missing + "-out"});
    EXPECT_EQ(replay.exitCode, 1);
    EXPECT_EQ(replay.err, "vavirir-cli replay: cannot open " + missing + "\n");
    EXPECT_FALSE(fs::exists(missing + "-out"));

    // A file that is not a data file is named with the reader's own text.
    const std::string notData = missing + ".txt";
    std::ofstream(notData) << "not a recording";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"dump", notData},
          {"export", notData, missing + ".xls"},
          {"fft", notData, "--start", "0", "--finish", "1"}}) {
        EXPECT_EQ(RunCli(args).err,
                  "vavirir-cli " + args[0] + ": " + notData + ": Unexpected file format.\n");
    }
    fs::remove(notData);

    const CliResult download = RunCli({"download", "--port", missing, "--out", missing + ".txt"});
    EXPECT_EQ(download.exitCode, 1);
    EXPECT_EQ(download.err.rfind("vavirir-cli download: ", 0), 0u) << download.err;
    EXPECT_EQ(download.err.find("usage:"), std::string::npos) << download.err;
    EXPECT_FALSE(fs::exists(missing + ".txt"));
}

}  // namespace
