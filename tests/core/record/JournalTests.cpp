#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "RecordingFakes.h"
#include "record/Crc32.h"
#include "record/Import.h"
#include "record/Journal.h"

namespace fs = std::filesystem;

namespace {

class JournalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() /
                   ("vavirir-journal-" + std::to_string(getpid()) + "-" + UnitTestName());
        fs::remove_all(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }
    static std::string UnitTestName() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    std::string Folder() const { return m_folder.string(); }

    fs::path m_folder;
};

std::vector<JournalEntry> SampleEntries() {
    return {{0, {1.25, "VDC", 0.0, 0, "8/12/2026 9:5:1", "VDC"}},
            {0, {kOverloadValue, "KΩ", 0.0, 1, "8/12/2026 9:5:2", "RES"}},
            {1, {-3.5, "mVDC", 1.0, 1, "00:12:41", "Max"}},
            {0, {0.0, "", 2.0, 2, "", ""}},
            {0, {1e-300, "HZ", 0.0, 3, "8/12/2026 9:5:4", "HZ"}}};
}

}  // namespace

TEST(Crc32, MatchesTheStandardCheckValue) {
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);
}

// Every producer's append reaches the journal, in order, and the journal
// rebuilds the same records with the bulk summary.
TEST_F(JournalTest, RoundTripThroughTheDocumentsAppends) {
    UseUtc();
    OpenDocument live;
    {
        CJournalWriter writer(Folder(), "rec.txt", 1796720700);  // 2026-12-08 09:05 UTC
        live.document->SetRecordSink(&writer);
        EXPECT_TRUE(JournalInUse(writer.Path()));
        EXPECT_FALSE(CJournalFile::Lock(writer.Path())) << "a second holder is refused";

        live.document->AddReading(0, 1.5, "VDC", 0.0, 0, "8/12/2026 9:5:1", "VDC",
                                  CountedReading(1.5f));
        live.document->AddReading(1, 2.5, "VDC", 1.0, 0, "00:00:03", "Max", CountedReading(1.5f));
        std::vector<CObData> downloaded = {{3.0, "V", 2.0, 0, "8/12/2026 9:6:0", "VDC"},
                                           {-4.0, "V", 2.0, 1, "8/12/2026 9:6:2", "VDC"}};
        ImportDownloadedRecords(*live.view, downloaded);
        EXPECT_EQ(writer.Entries(), 4u);
        writer.Sync();
        EXPECT_FALSE(writer.TakeWarning());
    }

    const std::vector<std::string> ids = ListJournalIds(Folder());
    ASSERT_EQ(ids.size(), 1u);
    const std::string path = JournalPath(Folder(), ids[0]);
    EXPECT_FALSE(JournalInUse(path)) << "the lock ends with the writer";
    const JournalContents contents = ReadJournalFile(path);
    ASSERT_TRUE(contents.headerOk) << contents.headerProblem;
    EXPECT_EQ(contents.header.documentName, "rec.txt");
    EXPECT_EQ(FormatJournalTime(contents.header.createdAt), "2026-12-08 09:05");
    EXPECT_EQ(contents.DamageText(), "");

    CRoZudozuvDoc rebuilt;
    RebuildFromJournal(contents.entries, rebuilt);
    EXPECT_EQ(rebuilt.channels, live.document->channels);
    DocumentSummary expected;
    ApplyBulkSummary(expected, live.document->channels[0]);
    EXPECT_EQ(rebuilt.summary, expected);
    EXPECT_FALSE(rebuilt.acquiring);

    std::optional<CJournalFile> held = CJournalFile::Lock(path);
    ASSERT_TRUE(held);
    EXPECT_TRUE(JournalInUse(path));
    EXPECT_EQ(held->Remove(), 0);
    EXPECT_TRUE(ListJournalIds(Folder()).empty());
}

// A journal cut at every byte keeps exactly the whole entries before the cut;
// one changed byte anywhere in an entry keeps the entries before it and counts
// every later one as dropped. Nothing is ever made up.
TEST_F(JournalTest, DamageAnywhereKeepsEverythingBeforeIt) {
    const std::vector<JournalEntry> entries = SampleEntries();
    JournalHeader header;
    header.createdAt = 1796720700;
    header.documentName = "New File1";
    std::vector<std::uint8_t> bytes = EncodeJournalHeader(header);
    std::vector<std::size_t> ends = {bytes.size()};  // where each entry starts and the last ends
    for (const JournalEntry& e : entries) {
        EncodeJournalEntry(bytes, e.channel, e.record);
        ends.push_back(bytes.size());
    }

    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        const JournalContents got = ParseJournal(bytes.data(), cut);
        if (cut < ends[0]) {
            EXPECT_FALSE(got.headerOk) << cut;
            EXPECT_TRUE(got.entries.empty()) << cut;
            EXPECT_EQ(got.droppedBytes, cut);
            continue;
        }
        ASSERT_TRUE(got.headerOk) << cut;
        EXPECT_EQ(got.header, header);
        std::size_t whole = 0;
        while (whole < entries.size() && ends[whole + 1] <= cut) {
            ++whole;
        }
        ASSERT_EQ(got.entries.size(), whole) << "cut at " << cut;
        EXPECT_TRUE(std::equal(got.entries.begin(), got.entries.end(), entries.begin()));
        EXPECT_EQ(got.droppedBytes, cut - ends[whole]) << cut;
        EXPECT_EQ(got.droppedEntries, cut > ends[whole] ? 1u : 0u) << cut;
    }

    std::mt19937 random(12);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::size_t at = ends[i]; at < ends[i + 1]; ++at) {
            std::vector<std::uint8_t> damaged = bytes;
            damaged[at] ^= static_cast<std::uint8_t>(1 + random() % 255);
            const JournalContents got = ParseJournal(damaged.data(), damaged.size());
            ASSERT_EQ(got.entries.size(), i) << "byte " << at;
            EXPECT_TRUE(std::equal(got.entries.begin(), got.entries.end(), entries.begin()));
            EXPECT_EQ(got.droppedEntries, entries.size() - i) << "byte " << at;
            EXPECT_EQ(got.droppedBytes, bytes.size() - ends[i]);
        }
    }
    std::vector<std::uint8_t> badHeader = bytes;
    badHeader[12] ^= 0x40;
    EXPECT_FALSE(ParseJournal(badHeader.data(), badHeader.size()).headerOk);
}

// A full disk: one warning, the recording goes on, and once there is room
// again the journal catches up with every record.
TEST_F(JournalTest, AFailedWriteWarnsOnceAndNeverStopsTheRecording) {
    OpenDocument doc;
    CJournalWriter writer(Folder(), "full.txt", 0);
    doc.document->SetRecordSink(&writer);
    writer.Sync();

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = fs::file_size(writer.Path()) + 100;  // room for about two entries
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int warnings = 0;
    for (int i = 0; i < 20; ++i) {
        doc.document->AddReading(0, i, "VDC", 0.0, i, "8/12/2026 9:5:1", "VDC",
                                 CountedReading(static_cast<float>(i)));
        writer.Sync();
        warnings += writer.TakeWarning().has_value();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(doc.document->channels[0].size(), 20u);
    writer.Sync();
    EXPECT_FALSE(writer.TakeWarning());
    const JournalContents contents = ReadJournalFile(writer.Path());
    EXPECT_EQ(contents.entries.size(), 20u);
    EXPECT_EQ(contents.droppedBytes, 0u);
}

TEST_F(JournalTest, AFolderThatCannotBeMadeOrReadIsOneError) {
    fs::create_directories(m_folder);
    std::ofstream(m_folder / "file") << "x";
    const std::string blocked = (m_folder / "file" / "journal").string();
    EXPECT_THROW(CJournalWriter(blocked, "x", 0), CJournalError);
    EXPECT_THROW(ListJournalIds((m_folder / "file").string()), CJournalError);
    EXPECT_TRUE(ListJournalIds((m_folder / "missing").string()).empty());
}
