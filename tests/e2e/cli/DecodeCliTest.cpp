// vavirir-cli decode on the sample stream, compared with its golden output.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace {

struct RunResult {
    std::string out;
    int exitCode = -1;
};

RunResult RunCli(const std::vector<std::string>& arguments) {
    std::vector<std::string> args{test_support::ProgramPath("vavirir-cli")};
    args.insert(args.end(), arguments.begin(), arguments.end());
    const test_support::ChildResult result = test_support::RunToEnd(args);
    return {result.out, result.exitCode.value_or(-1)};
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(CliDecode, SampleStreamMatchesGoldenOutputAndErrorsGiveExitCodes) {
    const std::string data = VAVIRIR_TEST_DATA;
    const RunResult sample = RunCli({"decode", "--hex", data + "/sample-stream.hex"});
    EXPECT_EQ(sample.exitCode, 0);
    EXPECT_EQ(sample.out, ReadFile(data + "/decode-golden.jsonl"));
    // One line per frame, all seven kinds, the meter-record one first.
    EXPECT_NE(sample.out.find("{\"kind\":6,\"live\":false,\"face\":7,\"dial\":10,"),
              std::string::npos);
    EXPECT_NE(sample.out.find("\"unit\":\"KΩ\""), std::string::npos);
    EXPECT_NE(sample.out.find("\"startText\":\"07/12/26 09:05:09 pm\""), std::string::npos);

    EXPECT_EQ(RunCli({"decode", data + "/no-such-file.bin"}).exitCode, 1);
    EXPECT_EQ(RunCli({"decode", "--hex", "/dev/null"}).exitCode, 0);
    EXPECT_EQ(RunCli({"decode"}).exitCode, 2);
    EXPECT_EQ(RunCli({"decode", "--chunk", "0", data + "/sample-stream.hex"}).exitCode, 2);
    EXPECT_EQ(RunCli({"decode", "--bogus", data + "/sample-stream.hex"}).exitCode, 2);

    const std::string badHex = testing::TempDir() + "/bad.hex";
    std::ofstream(badHex) << "a0 8g";
    EXPECT_EQ(RunCli({"decode", "--hex", badHex}).exitCode, 2);
    std::ofstream(badHex) << "a0 8";
    EXPECT_EQ(RunCli({"decode", "--hex", badHex}).exitCode, 2);
}

TEST(CliDecode, RawBytesAndNonFiniteValues) {
    // A plain frame with a NaN value and an infinite limit, as raw bytes.
    const std::string raw = testing::TempDir() + "/frame.bin";
    {
        const unsigned char frame[] = {0xA0, 0x80, 0x02, 0x00, 0x00, 0x00, 0xC0, 0x7F, 0x00, 0x00,
                                       0x80, 0x7F, 'V',  'D',  'C',  ' ',  0x02, 0x00, 0x00, 0x00};
        std::ofstream(raw, std::ios::binary).write(reinterpret_cast<const char*>(frame), 20);
    }
    const RunResult result = RunCli({"decode", "--chunk", "3", raw});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("\"limit\":\"inf\",\"value\":\"nan\",\"unit\":\"VDC\""),
              std::string::npos)
        << result.out;
}
