#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
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

namespace {

using Clock = std::chrono::steady_clock;

// A program started with its standard output on a pipe.
class CChild {
  public:
    CChild(const std::vector<std::string>& args, bool offscreen) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            if (offscreen) {
                setenv("QT_QPA_PLATFORM", "offscreen", 1);
            }
            std::vector<char*> argv;
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ::close(out[1]);
        m_out = out[0];
    }
    ~CChild() {
        if (m_pid > 0 && !m_exit) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) {
            ::close(m_out);
        }
    }

    // The next line of standard output, or nothing within `timeout`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (true) {
            if (const auto newline = m_buffer.find('\n'); newline != std::string::npos) {
                std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            pollfd fd{m_out, POLLIN, 0};
            if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            char chunk[512];
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0) {
                return std::nullopt;
            }
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Sends `signal` and waits up to `timeout` for the exit; the exit status or nothing.
    std::optional<int> Stop(int signal, std::chrono::milliseconds timeout) {
        kill(m_pid, signal);
        return Wait(timeout);
    }

    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exit = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return std::nullopt;
    }

  private:
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_exit = false;
    std::string m_buffer;
};

std::string Program(const char* name) {
    return std::string(VAVIRIR_BINARY_DIR) + "/" + name;
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

    CChild sim({Program("vavirir-sim"), "--interval-ms", "300", "--start-delay-ms", "500", "replay",
                "--hex", stream.string()},
               false);
    const auto pty = sim.ReadLine(std::chrono::seconds(10));
    ASSERT_TRUE(pty.has_value());
    ASSERT_EQ(pty->rfind("/dev/", 0), 0u) << *pty;

    CChild gui({Program("vavirir"), "--port", *pty, "--print-readings"}, true);
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
    EXPECT_TRUE(gui.Stop(SIGTERM, std::chrono::seconds(3)).has_value());
    EXPECT_TRUE(sim.Wait(std::chrono::seconds(5)).has_value());
    std::filesystem::remove(stream);
}

TEST(GuiEndToEnd, CommandLineIsDocumentedAndChecked) {
    CChild help({Program("vavirir"), "--help"}, true);
    std::string text;
    while (const auto line = help.ReadLine(std::chrono::seconds(10))) {
        text += *line + "\n";
    }
    EXPECT_EQ(help.Wait(std::chrono::seconds(5)), 0);
    for (const char* option : {"--port", "--demo", "--print-readings", "FILE"}) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }

    CChild wrong({Program("vavirir"), "--no-such-option"}, true);
    EXPECT_EQ(wrong.Wait(std::chrono::seconds(10)), 2);
    CChild both({Program("vavirir"), "--demo", "--port", "1"}, true);
    EXPECT_EQ(both.Wait(std::chrono::seconds(10)), 2);
}
