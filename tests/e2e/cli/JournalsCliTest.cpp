// vavirir-cli journals and recover against a journal folder with hostile
// contents: damaged journals, a FIFO, crafted names and an ID that starts
// with "-".
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>

#include "record/Journal.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class JournalsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("vavirir-e2e-journals-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        m_folder = m_dir / "vavirir" / "journal";
        fs::create_directories(m_folder);
        m_setup.env = {"XDG_STATE_HOME=" + m_dir.string(), "TZ=UTC"};
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A journal of `count` readings under the id `id`; returns its path.
    std::string Leave(const std::string& id, const std::string& name, int count) {
        std::string made;
        {
            const std::unique_ptr<CJournalWriter> writerMade =
                CJournalWriter::Create(m_folder.string(), name, 1796720700).Value();
            CJournalWriter& writer = *writerMade;
            for (int i = 0; i < count; ++i) {
                writer.RecordAppended(0, {0.25 * i, "VDC", 0.0, i, "t", "VDC"},
                                      {SummaryRole::CountedReading, false});
            }
            made = writer.Path();
        }
        const std::string path = JournalPath(m_folder.string(), id);
        fs::rename(made, path);
        return path;
    }

    test_support::ChildResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), std::string(VAVIRIR_BINARY_DIR) + "/vavirir-cli");
        return test_support::RunToEnd(args, m_setup, 20s);
    }

    fs::path m_dir;
    fs::path m_folder;
    test_support::ChildSetup m_setup;
};

}  // namespace

TEST_F(JournalsCli, ListsRecoversAndDiscardsWhateverTheFolderHolds) {
    const std::string damaged = Leave("b-damaged", "mid", 10);
    std::vector<std::uint8_t> one;
    EncodeJournalEntry(one, 0, {0.0, "VDC", 0.0, 0, "t", "VDC"}, {});
    const std::string skipped =
        "1 damaged entry (" + std::to_string(one.size()) + " bytes) was skipped";
    {
        // One byte in the payload of the third of the ten entries.
        std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
        const auto size = static_cast<std::streamoff>(fs::file_size(damaged));
        file.seekp(size - 8 * static_cast<std::streamoff>(one.size()) + 20);
        file.put('\x55');
    }
    Leave("a-crafted", "evil\nfake\t0\tline\x1b[2J\\", 2);
    Leave("-dash", "dash", 1);
    std::ofstream(JournalPath(m_folder.string(), "c-header"))
        << "VAVJRNL\x1a a header that lost its checksum";
    ASSERT_EQ(mkfifo((m_folder / "d-fifo.journal").c_str(), 0600), 0);

    const auto listed = Cli({"journals"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err << "\n(a FIFO must not block it)";
    EXPECT_EQ(listed.out,
              "-dash\t2026-12-08 09:05\t1\tdash\t\n"
              "a-crafted\t2026-12-08 09:05\t2\tevil\\nfake\\t0\\tline\\x1b[2J\\\\\t\n"
              "b-damaged\t2026-12-08 09:05\t9\tmid\t" +
                  skipped +
                  "\n"
                  "c-header\t\t0\t\tdamaged: the journal's header is damaged\n");

    // Every whole entry, also after the damaged one, is recovered; the journal stays.
    const auto recovered = Cli({"recover", "b-damaged", "--out", (m_dir / "b.txt").string()});
    EXPECT_EQ(recovered.exitCode, 0) << recovered.err;
    EXPECT_NE(recovered.err.find(skipped), std::string::npos) << recovered.err;
    EXPECT_NE(recovered.err.find("9 records saved"), std::string::npos) << recovered.err;
    EXPECT_NE(recovered.err.find("journal b-damaged kept"), std::string::npos) << recovered.err;
    EXPECT_TRUE(fs::exists(damaged));

    const auto refused = Cli({"recover", "c-header", "--out", (m_dir / "c.txt").string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("journals --discard c-header"), std::string::npos) << refused.err;
    EXPECT_EQ(Cli({"journals", "--discard", "c-header"}).exitCode, 0);
    EXPECT_EQ(Cli({"journals", "--discard", "d-fifo"}).exitCode, 1) << "not a journal file";
    EXPECT_EQ(Cli({"journals", "-dash"}).exitCode, 2);
    EXPECT_EQ(Cli({"recover", "-dash", "--out", (m_dir / "x.txt").string()}).exitCode, 2);
    const auto dash = Cli({"recover", "--out", (m_dir / "dash.txt").string(), "--", "-dash"});
    EXPECT_EQ(dash.exitCode, 0) << dash.err;
    EXPECT_TRUE(fs::exists(m_dir / "dash.txt"));
    Leave("-dash", "dash again", 1);
    EXPECT_EQ(Cli({"journals", "--discard", "--", "-dash"}).exitCode, 0);
    EXPECT_EQ(Cli({"journals"}).out.find("dash"), std::string::npos);
    EXPECT_EQ(Cli({"journals", "--discard", "../x"}).exitCode, 2);
}
