// vavirir --graph-png and --print … --pdf as a batch job: without a display,
// with their input named as output, with a full disk, and without a word from
// Qt on standard error when all goes well.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace fs = std::filesystem;

namespace {

const std::string kCurve = std::string(VAVIRIR_TEST_DATA) + "/graph/curve.txt";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class BatchOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir);
        fs::copy_file(kCurve, Scratch("rec.txt"));
        fs::create_symlink(Scratch("rec.txt"), Scratch("link.txt"));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Scratch(const std::string& name) const { return (m_dir / name).string(); }

    // Runs vavirir with no display and no XDG_RUNTIME_DIR, as a batch job
    // over ssh; with a file size limit in KiB when limitKiB > 0.
    test_support::ChildResult Run(const std::vector<std::string>& args, int limitKiB = 0,
                                  const std::string& display = "DISPLAY=") const {
        std::vector<std::string> command{"/bin/bash",
                                         "-c",
                                         "trap '' XFSZ; [ \"$1\" = 0 ] || ulimit -f \"$1\"; "
                                         "shift; exec \"$@\"",
                                         "bash",
                                         std::to_string(limitKiB),
                                         test_support::ProgramPath("vavirir")};
        command.insert(command.end(), args.begin(), args.end());
        test_support::ChildSetup setup;
        setup.env = {display, "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "XDG_RUNTIME_DIR=",
                     "TMPDIR=" + m_dir.string()};
        return test_support::RunToEnd(command, setup);
    }

  private:
    fs::path m_dir = fs::temp_directory_path() / ("vavirir-batch-" + std::to_string(getpid()));
};

TEST_F(BatchOutput, WrongCommandLinesAreRefusedWithExitTwoAndAMessage) {
    const std::string rec = Scratch("rec.txt");
    const std::string out = Scratch("out.pdf");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--pdf", out, rec}, "vavirir: --pdf and --paper go with --print graph|data\n"},
        {{"--paper", "A4", rec}, "vavirir: --pdf and --paper go with --print graph|data\n"},
        {{"--print", "data", rec}, "vavirir: --print needs --pdf OUT.pdf\n"},
        {{"--print", "data", rec, "--pdf", out, "--paper", "A3"},
         "vavirir: unknown paper 'A3' (A4 or Letter)\n"},
        {{"--print", "graph", rec, "--pdf", out, "--demo"},
         "vavirir: --print does not go with --demo\n"},
        {{"--print", "data", rec, "--pdf", ""},
         "vavirir: --print needs the names of FILE and OUT.pdf, not \"\"\n"},
        {{"--size", "80x50", rec}, "vavirir: --size goes with --graph-png\n"},
        {{"--graph-png", "", rec},
         "vavirir: --graph-png needs the names of OUT.png and FILE, not \"\"\n"},
        {{"--port", "1", "--demo"}, "vavirir: --port and --demo exclude each other\n"},
        {{"--no-such-option"}, "vavirir: Unknown option 'no-such-option'.\n"},
        // Written over its own input, also through a link: nothing is written.
        {{"--graph-png", rec, rec},
         "vavirir: --graph-png " + rec + " is the same file as " + rec + "; nothing was written\n"},
        {{"--print", "data", rec, "--pdf", Scratch("link.txt")},
         "vavirir: --pdf " + Scratch("link.txt") + " is the same file as " + rec +
             "; nothing was written\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        const test_support::ChildResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err.substr(0, c.message.size()), c.message) << result.err;
    }
    EXPECT_EQ(ReadAll(rec), ReadAll(kCurve));
    EXPECT_FALSE(fs::exists(out));

    const test_support::ChildResult window = Run({rec});
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_EQ(window.err.rfind("vavirir: no display to open the window on", 0), 0u) << window.err;
}

TEST_F(BatchOutput, AFailedWriteIsReportedAndLeavesNoPartialFile) {
    const std::string rec = Scratch("rec.txt");
    const std::string kept = Scratch("kept.out");
    const struct {
        std::vector<std::string> args;
        std::string output;
        int limitKiB;
    } cases[] = {
        {{"--print", "data", rec, "--pdf", "/dev/full"}, "/dev/full", 0},
        {{"--print", "graph", rec, "--pdf", "/dev/full"}, "/dev/full", 0},
        {{"--graph-png", "/dev/full", rec}, "/dev/full", 0},
        {{"--print", "data", rec, "--pdf", Scratch("new.pdf")}, Scratch("new.pdf"), 2},
        {{"--print", "graph", rec, "--pdf", kept}, kept, 2},
        {{"--graph-png", Scratch("new.png"), rec}, Scratch("new.png"), 2},
        {{"--graph-png", kept, "--size", "2000x2000", rec}, kept, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.output + " " + std::to_string(c.limitKiB));
        std::ofstream(kept) << "kept";
        const test_support::ChildResult result = Run(c.args, c.limitKiB);
        EXPECT_EQ(result.exitCode, 1);
        const std::string message = "vavirir: cannot write " + c.output + ": ";
        EXPECT_EQ(result.err.substr(0, message.size()), message) << result.err;
        EXPECT_EQ(ReadAll(kept), "kept");
        if (c.output != kept && c.output != "/dev/full") {
            EXPECT_FALSE(fs::exists(c.output));
        }
    }
    // Nothing is left in the temporary folder either (Qt's runtime folder
    // for a session without XDG_RUNTIME_DIR aside).
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(Scratch(""))) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("runtime-", 0) != 0) {
            left.push_back(name);
        }
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"kept.out", "link.txt", "rec.txt"}));
}

TEST_F(BatchOutput, AGoodRunSaysNothing) {
    const std::string rec = Scratch("rec.txt");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--print", "graph", rec, "--pdf", Scratch("g.pdf")},
          {"--print", "data", rec, "--pdf", Scratch("d.pdf"), "--paper", "Letter"},
          {"--graph-png", Scratch("g.png"), "--size", "300x200", rec}}) {
        const test_support::ChildResult result = Run(args);
        EXPECT_EQ(result.exitCode, 0) << args.front();
        EXPECT_EQ(result.err, "") << args.front();
        EXPECT_EQ(result.out, "") << args.front();
    }
    // A display that is named but cannot be reached is never asked.
    const test_support::ChildResult unreachable =
        Run({"--graph-png", Scratch("u.png"), rec}, 0, "DISPLAY=:77");
    EXPECT_EQ(unreachable.exitCode, 0) << unreachable.err;
    EXPECT_TRUE(fs::exists(Scratch("u.png")));
}

}  // namespace
