// vavirir-cli fft: the JSON of a data file's spectrum, and its exit codes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace {

const std::string kCurve = std::string(VAVIRIR_TEST_DATA) + "/graph/curve.txt";

struct FftRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

FftRun RunFft(const std::vector<std::string>& arguments) {
    std::vector<std::string> args{test_support::ProgramPath("vavirir-cli"), "fft"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    const test_support::ChildResult result = test_support::RunToEnd(args);
    return {result.exitCode.value_or(-1), result.out, result.err};
}

}  // namespace

TEST(FftCli, PrintsTheGoldenSpectra) {
    const std::vector<std::vector<std::string>> commands = {
        {kCurve, "--start", "0", "--finish", "29", "--window", "hanning"},
        {kCurve, "--start", "2", "--finish", "29", "--size", "64", "--window", "blackman-harris",
         "--frequency"},
    };
    std::ifstream golden(std::string(VAVIRIR_TEST_DATA) + "/fft/curve.jsonl");
    for (const auto& command : commands) {
        std::string expected;
        ASSERT_TRUE(std::getline(golden, expected));
        const FftRun run = RunFft(command);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, expected + "\n");
    }
}

TEST(FftCli, BadRangesAndSizesAreUsageErrorsAndAMissingFileFails) {
    const std::vector<std::vector<std::string>> usage = {
        {kCurve, "--start", "5", "--finish", "5"},
        {kCurve, "--start", "0", "--finish", "30"},
        {kCurve, "--start", "0", "--finish", "9", "--size", "4096"},
        {kCurve, "--start", "0", "--finish", "9", "--size", "100"},
        {kCurve, "--start", "0", "--finish", "9", "--window", "kaiser"},
        {kCurve, "--finish", "9"},
    };
    for (const auto& args : usage) {
        const FftRun run = RunFft(args);
        EXPECT_EQ(run.exitCode, 2) << args[2] << " " << args.back();
        EXPECT_NE(run.err.find("usage: vavirir-cli fft"), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
    EXPECT_EQ(RunFft({"/nonexistent/file.txt", "--start", "0", "--finish", "9"}).exitCode, 1);
}
