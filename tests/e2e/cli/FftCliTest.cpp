// vavirir-cli fft: the JSON of a data file's spectrum, and its exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "core/docview/DocviewTestSupport.h"
#include "docview/DataFile.h"
#include "support/ChildProcess.h"
#include "support/ResultAssert.h"

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

namespace {

double JsonField(const std::string& json, const std::string& name) {
    std::smatch match;
    const std::regex pattern("\"" + name + "\":([-+0-9.eE]+)");
    EXPECT_TRUE(std::regex_search(json, match, pattern)) << name;
    return match.empty() ? NAN : std::stod(match[1]);
}

std::vector<double> JsonBins(const std::string& json) {
    const std::string list = json.substr(json.find("\"bins\":[") + 8);
    std::vector<double> bins;
    const std::regex number("[-+0-9.eE]+");
    for (auto it = std::sregex_iterator(list.begin(), list.end(), number);
         it != std::sregex_iterator(); ++it) {
        bins.push_back(std::stod(it->str()));
    }
    return bins;
}

}  // namespace

// Over random recordings, small (negative dB) and large: highest is the
// highest bin at highestBin, and peak the largest absolute bin.
TEST(FftCli, HighestIsTheHighestBinAndPeakTheLargestMagnitude) {
    docview_test::TempDir dir;
    std::mt19937 random(16);
    bool peakDiffered = false;
    for (const double scale : {0.001, 0.01, 1.0, 1000.0}) {
        CRoZudozuvDoc doc;
        std::uniform_real_distribution<double> value(-scale, scale);
        for (int i = 0; i < 64; ++i) {
            doc.channels[0].push_back(
                docview_test::Record(value(random), "V", 0.0, i, "3/5/2018 9:7:5", "VDC"));
        }
        const std::string path = dir.File("random.txt");
        EXPECT_TRUE(Succeeded(SaveDocumentFile(doc, path)));
        for (const char* kind : {"--window", "--frequency"}) {
            std::vector<std::string> args{path, "--start", "0", "--finish", "63", "--size", "32"};
            args.push_back(kind);
            if (std::string(kind) == "--window") {
                args.push_back("hamming");
            }
            const FftRun run = RunFft(args);
            ASSERT_EQ(run.exitCode, 0) << run.err;
            const std::vector<double> bins = JsonBins(run.out);
            ASSERT_FALSE(bins.empty());
            const auto highest = std::max_element(bins.begin(), bins.end());
            EXPECT_EQ(JsonField(run.out, "highest"), *highest) << scale << kind;
            EXPECT_EQ(JsonField(run.out, "highestBin"), highest - bins.begin()) << scale << kind;
            double largest = 1e-90;
            for (double bin : bins) {
                largest = std::max(largest, std::abs(bin));
            }
            // The magnitudes are printed with 9 digits, the peak with 17.
            const double peak = JsonField(run.out, "peak");
            EXPECT_NEAR(peak, largest, largest * 1e-8) << scale << kind;
            peakDiffered = peakDiffered || std::abs(peak - *highest) > 1.0;
        }
    }
    EXPECT_TRUE(peakDiffered) << "no case where the two differ: the test proves nothing";
}
