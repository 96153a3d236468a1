// vavirir --print graph|data FILE --pdf OUT.pdf: the printout written offscreen.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace {

const std::string kCurve = std::string(VAVIRIR_TEST_DATA) + "/graph/curve.txt";
const std::string kEmpty = std::string(VAVIRIR_TEST_DATA) + "/datafiles/golden/empty.txt";

int RunVavirir(const std::vector<std::string>& args) {
    std::vector<std::string> command{test_support::ProgramPath("vavirir")};
    command.insert(command.end(), args.begin(), args.end());
    test_support::ChildSetup setup;
    setup.env = {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};  // it needs no display
    return test_support::RunToEnd(command, setup).exitCode.value_or(-1);
}

// The page count and the media box of a PDF as Qt writes it.
struct PdfFacts {
    std::string head;
    int pages = -1;
    std::string mediaBox;
};

PdfFacts ReadPdf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PdfFacts facts;
    facts.head = bytes.substr(0, 5);
    std::smatch match;
    if (std::regex_search(bytes, match, std::regex("/Count (\\d+)"))) {
        facts.pages = std::stoi(match[1]);
    }
    if (std::regex_search(bytes, match, std::regex("/MediaBox \\[([^\\]]*)\\]"))) {
        facts.mediaBox = match[1];
    }
    return facts;
}

}  // namespace

TEST(PrintPdf, WritesTheGraphPageAndTheDataTable) {
    const std::string out = (std::filesystem::temp_directory_path() /
                             ("vavirir-print-" + std::to_string(getpid()) + ".pdf"))
                                .string();
    struct Case {
        std::vector<std::string> args;
        std::string mediaBox;
    } const cases[] = {
        {{"--print", "data", kCurve, "--pdf", out}, "0 0 595.000000 842.000000"},
        {{"--print", "graph", kCurve, "--pdf", out, "--paper", "Letter"},
         "0 0 612.000000 792.000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        std::filesystem::remove(out);
        ASSERT_EQ(RunVavirir(c.args), 0);
        const PdfFacts pdf = ReadPdf(out);
        EXPECT_EQ(pdf.head, "%PDF-");
        EXPECT_EQ(pdf.pages, 1);
        EXPECT_EQ(pdf.mediaBox, c.mediaBox);
    }
    std::filesystem::remove(out);

    EXPECT_EQ(RunVavirir({"--print", "table", kCurve, "--pdf", out}), 2);
    EXPECT_EQ(RunVavirir({"--print", "data", kCurve}), 2);
    EXPECT_EQ(RunVavirir({"--print", "data", kCurve, "--pdf", out, "--size", "80x50"}), 2);
    EXPECT_EQ(RunVavirir({"--print", "data", kCurve, "--pdf", out, "--paper", "A3"}), 2);
    EXPECT_EQ(RunVavirir({"--print", "data", "/nonexistent.txt", "--pdf", out}), 1);
    EXPECT_EQ(RunVavirir({"--print", "data", kEmpty, "--pdf", out}), 1);
    EXPECT_EQ(RunVavirir({"--print", "data", kCurve, "--pdf", "/nonexistent/dir/x.pdf"}), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}
