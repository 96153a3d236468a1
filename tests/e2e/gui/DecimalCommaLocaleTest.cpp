// The programs run under a locale with a decimal comma still write every
// number with a point: the printouts (graph labels included) and the CLI dump.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/DecimalCommaLocale.h"

namespace {

const std::string kCurve = std::string(VAVIRIR_TEST_DATA) + "/graph/curve.txt";

test_support::ChildResult RunUnderDecimalComma(std::vector<std::string> command) {
    test_support::ChildSetup setup;
    setup.env = {std::string("LC_ALL=") + test_support::kDecimalCommaLocale,
                 "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
    return test_support::RunToEnd(command, setup);
}

}  // namespace

TEST(DecimalCommaLocale, PrintoutsAndDumpWriteNumbersWithAPoint) {
    {
        const test_support::DecimalCommaLocale locale;
        ASSERT_TRUE(locale.Active())
            << test_support::kDecimalCommaLocale << " is missing: scripts/deps generates it";
    }
    const std::string pdf = (std::filesystem::temp_directory_path() /
                             ("vavirir-locale-" + std::to_string(getpid()) + ".pdf"))
                                .string();
    struct Case {
        std::vector<std::string> command;
        std::vector<std::string> numbers;
    } const cases[] = {
        {{test_support::ProgramPath("vavirir"), "--print", "data", kCurve, "--pdf", pdf},
         {"0.63", "2.53", "-2.31", "0.31"}},
        {{test_support::ProgramPath("vavirir"), "--print", "graph", kCurve, "--pdf", pdf},
         {"2.5300", "-2.3082", "0.3102", "-0.47"}},  // summary, then a Y label
        {{test_support::ProgramPath("vavirir-cli"), "dump", kCurve},
         {"0.6285", "-2.3082", "0.3102423077"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command[1] + " " + c.command[2]);
        std::filesystem::remove(pdf);
        const test_support::ChildResult run = RunUnderDecimalComma(c.command);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::string text = run.out;
        if (c.command[1] == "--print") {
            const test_support::ChildResult pdfText =
                test_support::RunToEnd({"/usr/bin/pdftotext", "-layout", pdf, "-"});
            ASSERT_EQ(pdfText.exitCode, 0) << "pdftotext (poppler-utils): " << pdfText.err;
            text = pdfText.out;
        }
        std::smatch comma;
        EXPECT_FALSE(std::regex_search(text, comma, std::regex("[0-9],[0-9]+")))
            << comma.str() << " in\n"
            << text;
        for (const std::string& number : c.numbers) {
            EXPECT_NE(text.find(number), std::string::npos) << number << " in\n" << text;
        }
    }
    std::filesystem::remove(pdf);
}
