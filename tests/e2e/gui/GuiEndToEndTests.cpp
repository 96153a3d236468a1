#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "frames/FrameEncoder.h"
#include "support/ChildProcess.h"

namespace {

using test_support::ChildProcess;

// The GUI runs without a display, and with a state folder of its own, so no
// crash journal left on this machine is offered to it at start-up.
test_support::ChildSetup Offscreen() {
    static const std::string state = (std::filesystem::temp_directory_path() /
                                      ("vavirir-gui-e2e-state-" + std::to_string(::getpid())))
                                         .string();
    test_support::ChildSetup setup;
    // No XDG_RUNTIME_DIR either, as in a session over ssh.
    setup.env = {"QT_QPA_PLATFORM=offscreen", "XDG_STATE_HOME=" + state, "XDG_RUNTIME_DIR="};
    return setup;
}

std::string Program(const char* name) {
    return test_support::ProgramPath(name);
}

}  // namespace

TEST(GuiEndToEnd, TheFaceShowsWhatTheMeterSentOverThePort) {
    // Three readings the simulated meter will send, one per tick.
    const std::vector<float> values{1.25f, -2.5f, 3.75f};
    const std::filesystem::path stream =
        std::filesystem::temp_directory_path() / ("vavirir-e2e-gui-" + std::to_string(getpid()));
    {
        std::ofstream hex(stream);
        for (float value : values) {
            frames::PlainFrame frame;
            frame.value = value;
            hex << frames::ToHex(frames::Encode(frame)) << "\n";
        }
    }

    ChildProcess sim({Program("vavirir-sim"), "--interval-ms", "300", "--start-delay-ms", "500",
                      "replay", "--hex", stream.string()});
    const auto pty = sim.ReadLine(std::chrono::seconds(10));
    ASSERT_TRUE(pty.has_value());
    ASSERT_EQ(pty->rfind("/dev/", 0), 0u) << *pty;

    ChildProcess gui({Program("vavirir"), "--port", *pty, "--print-readings"}, Offscreen());
    std::vector<std::string> readings;
    while (readings.size() < values.size()) {
        const auto line = gui.ReadLine(std::chrono::seconds(20));
        ASSERT_TRUE(line.has_value()) << "readings so far: " << readings.size();
        if (line->rfind("reading ", 0) == 0) {
            readings.push_back(*line);
        }
    }
    EXPECT_EQ(readings[0], "reading face=1 dial=6 value=1.25 unit=VDC function=VDC");
    EXPECT_NE(readings[1].find("value=-2.5 unit=VDC"), std::string::npos) << readings[1];
    EXPECT_NE(readings[2].find("value=3.75 unit=VDC"), std::string::npos) << readings[2];

    // Ending the program with the port open never hangs; the meter sees it go.
    gui.Signal(SIGTERM);
    EXPECT_TRUE(gui.Wait(std::chrono::seconds(3)).has_value());
    EXPECT_TRUE(sim.Wait(std::chrono::seconds(5)).has_value());
    // An ordinary run: no notes from Qt on standard error.
    EXPECT_EQ(gui.Stderr(), "");
    std::filesystem::remove(stream);
}

TEST(GuiEndToEnd, CommandLineIsDocumentedAndChecked) {
    ChildProcess help({Program("vavirir"), "--help"}, Offscreen());
    std::string text;
    while (const auto line = help.ReadLine(std::chrono::seconds(10))) {
        text += *line + "\n";
    }
    EXPECT_EQ(help.Wait(std::chrono::seconds(5)), 0);
    for (const char* option : {"--port", "--demo", "--print-readings", "FILE"}) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }

    ChildProcess wrong({Program("vavirir"), "--no-such-option"}, Offscreen());
    EXPECT_EQ(wrong.Wait(std::chrono::seconds(10)), 2);
    ChildProcess both({Program("vavirir"), "--demo", "--port", "1"}, Offscreen());
    EXPECT_EQ(both.Wait(std::chrono::seconds(10)), 2);
}

TEST(GuiEndToEnd, AReaderThatGoesAwayDoesNotEndTheProgram) {
    // vavirir --print-readings | head -1: the pipe closes after one reading.
    const std::filesystem::path stream = std::filesystem::temp_directory_path() /
                                         ("vavirir-e2e-gui-pipe-" + std::to_string(getpid()));
    {
        std::ofstream hex(stream);
        for (int i = 0; i < 12; ++i) {
            frames::PlainFrame frame;
            frame.value = static_cast<float>(i);
            hex << frames::ToHex(frames::Encode(frame)) << "\n";
        }
    }
    ChildProcess sim({Program("vavirir-sim"), "--interval-ms", "150", "--start-delay-ms", "500",
                      "replay", "--hex", stream.string()});
    const auto pty = sim.ReadLine(std::chrono::seconds(10));
    ASSERT_TRUE(pty.has_value());
    ChildProcess gui({Program("vavirir"), "--port", *pty, "--print-readings"}, Offscreen());
    std::optional<std::string> line;
    do {
        line = gui.ReadLine(std::chrono::seconds(20));
        ASSERT_TRUE(line.has_value());
    } while (line->rfind("reading ", 0) != 0);
    gui.CloseStdout();

    // The readings after it find no reader; the program runs on.
    EXPECT_FALSE(gui.Wait(std::chrono::milliseconds(2500)).has_value()) << gui.Stderr();
    EXPECT_NE(gui.Stderr().find("readings are no longer printed: Broken pipe"), std::string::npos)
        << gui.Stderr();
    gui.Signal(SIGTERM);
    EXPECT_TRUE(gui.Wait(std::chrono::seconds(3)).has_value());
    std::filesystem::remove(stream);
}
