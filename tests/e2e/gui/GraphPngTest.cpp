#include <unistd.h>

#include <gtest/gtest.h>
#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace {

const std::string kCurve = std::string(VAVIRIR_TEST_DATA) + "/graph/curve.txt";

// Runs the program offscreen, its output discarded; the exit code.
int RunVavirir(const std::vector<std::string>& args) {
    std::vector<std::string> command{test_support::ProgramPath("vavirir")};
    command.insert(command.end(), args.begin(), args.end());
    test_support::ChildSetup setup;
    setup.env = {"QT_QPA_PLATFORM=offscreen"};
    return test_support::RunToEnd(command, setup).exitCode.value_or(-1);
}

std::string Scratch(const char* name) {
    return (std::filesystem::temp_directory_path() /
            ("vavirir-graph-png-" + std::to_string(getpid()) + "-" + name))
        .string();
}

}  // namespace

// The golden pictures at 400 x 250: 30 readings with an overload every
// seventh, whose labels fit the 50-pixel margin, and a sawtooth from -6000 to
// 494000, whose labels move the plot's left edge to 72. Regenerate them as
// tests/data/graph/README.md says.
TEST(GraphPng, DrawsTheGraphAsTheGraphTabShowsIt) {
    struct Golden {
        const char* name;
        int plotLeft;
    };
    for (const Golden golden : {Golden{"curve", 50}, Golden{"wide", 72}}) {
        SCOPED_TRACE(golden.name);
        const std::string data = std::string(VAVIRIR_TEST_DATA) + "/graph/" + golden.name;
        const std::string out = Scratch("golden.png");
        ASSERT_EQ(RunVavirir({"--graph-png", out, "--size", "400x250", data + ".txt"}), 0);
        const QImage shown =
            QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB32);
        const QImage expected =
            QImage(QString::fromStdString(data + ".png")).convertToFormat(QImage::Format_RGB32);
        std::filesystem::remove(out);
        ASSERT_EQ(shown.size(), QSize(400, 250));
        ASSERT_EQ(expected.size(), QSize(400, 250));
        // Plot area, curve, markers, grid and axes to the pixel; the labels in
        // the margins may differ by a little glyph smoothing between font
        // builds, but never reach the picture's first four columns.
        const QColor border = shown.pixelColor(0, 0);
        int labelPixels = 0;
        for (int y = 0; y < 250; ++y) {
            for (int x = 0; x < 400; ++x) {
                const bool plot = x >= golden.plotLeft && x < 350 && y >= 25 && y <= 225;
                if (plot) {
                    ASSERT_EQ(shown.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
                } else if (shown.pixel(x, y) != expected.pixel(x, y)) {
                    ++labelPixels;
                }
                if (x < 4) {
                    ASSERT_EQ(shown.pixelColor(x, y), border) << x << "," << y;
                }
            }
        }
        EXPECT_LT(labelPixels, 200);
    }
}

TEST(GraphPng, ReportsUnreadableInputUnwritableOutputAndBadArguments) {
    const std::string out = Scratch("x.png");
    const std::string damaged =
        std::string(VAVIRIR_TEST_DATA) + "/datafiles/damaged/truncated_05_inside_value.txt";
    struct Case {
        std::vector<std::string> args;
        int exit;
    };
    const Case cases[] = {
        {{"--graph-png", out, "/nonexistent/data.txt"}, 1},
        {{"--graph-png", out, damaged}, 1},
        {{"--graph-png", "/nonexistent/folder/x.png", kCurve}, 1},
        {{"--graph-png", out}, 2},
        {{"--graph-png", out, kCurve, kCurve}, 2},
        {{"--graph-png", out, "--size", "400", kCurve}, 2},
        {{"--graph-png", out, "--size", "0x250", kCurve}, 2},
        {{"--size", "400x250", kCurve}, 2},
        {{"--graph-png", out, "--demo", kCurve}, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunVavirir(c.args), c.exit) << c.args.back();
        EXPECT_FALSE(std::filesystem::exists(out)) << c.args.back();
    }
    // The default size.
    ASSERT_EQ(RunVavirir({"--graph-png", out, kCurve}), 0);
    EXPECT_EQ(QImage(QString::fromStdString(out)).size(), QSize(800, 500));
    std::filesystem::remove(out);
}
