#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
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
    return {
        {0, {1.25, "VDC", 0.0, 0, "8/12/2026 9:5:1", "VDC"}, {SummaryRole::CountedReading, true}},
        {0, {kOverloadValue, "KΩ", 0.0, 1, "8/12/2026 9:5:2", "RES"}, {SummaryRole::Reading}},
        {1, {-3.5, "mVDC", 1.0, 1, "00:12:41", "Max"}, {}},
        {0, {0.0, "", 2.0, 2, "", ""}, {SummaryRole::FirstDownloaded}},
        {0, {1e-300, "HZ", 0.0, 3, "8/12/2026 9:5:4", "HZ"}, {SummaryRole::Downloaded}}};
}

// The bytes of a journal holding `entries`, and where each entry starts (the
// last element: where the last one ends).
std::vector<std::uint8_t> EncodeJournal(const std::vector<JournalEntry>& entries,
                                        std::vector<std::size_t>& starts,
                                        std::uint16_t version = kJournalVersion) {
    JournalHeader header;
    header.version = version;
    header.createdAt = 1796720700;
    header.documentName = "New File1";
    std::vector<std::uint8_t> bytes = EncodeJournalHeader(header);
    starts = {bytes.size()};
    for (const JournalEntry& e : entries) {
        EncodeJournalEntry(bytes, e.channel, e.record, e.step, version);
        starts.push_back(bytes.size());
    }
    return bytes;
}

// A random reading for the document: now and then an overload, a companion
// record, or a value in kilo units.
void AddRandomReading(CRoZudozuvDoc& doc, std::mt19937& random, bool spread) {
    const int channel = random() % 5 == 0 ? 1 : 0;
    const double value = std::uniform_real_distribution<double>(-10.0, 10.0)(random);
    MeterReading current;
    current.value = static_cast<float>(value);
    current.limit = random() % 6 == 0 ? -100.0f : 100.0f;  // the limit makes an overload
    const double recorded = current.limit < current.value ? kOverloadValue : value;
    const auto n = static_cast<std::int32_t>(doc.channels[0].size());
    doc.AddReading(channel, recorded, random() % 4 == 0 ? "KΩ" : "VDC", 0.0, n,
                   "8/12/2026 9:" + std::to_string(n / 60) + ":" + std::to_string(n % 60),
                   random() % 2 ? "VDC" : "RES", current, spread);
}

}  // namespace

TEST(Crc32, MatchesTheStandardCheckValue) {
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);
}

// Every producer's append reaches the journal, in order, and the journal
// rebuilds the very document: the same records and the summary the live
// document built (overloads left out, spreads, a download's bulk summary).
TEST_F(JournalTest, RoundTripThroughTheDocumentsAppends) {
    UseUtc();
    OpenDocument live;
    {
        CJournalWriter writer(Folder(), "rec.txt", 1796720700);  // 2026-12-08 09:05 UTC
        live.document->AddObserver(&writer);
        EXPECT_TRUE(JournalInUse(writer.Path()));
        EXPECT_FALSE(CJournalFile::Lock(writer.Path())) << "a second holder is refused";

        live.document->AddReading(0, 1.5, "VDC", 0.0, 0, "8/12/2026 9:5:1", "VDC",
                                  CountedReading(1.5f));
        live.document->AddReading(1, 2.5, "VDC", 1.0, 0, "00:00:03", "Max", CountedReading(1.5f));
        std::vector<CObData> downloaded = {{3.0, "V", 2.0, 0, "8/12/2026 9:6:0", "VDC"},
                                           {-4.0, "V", 2.0, 1, "8/12/2026 9:6:2", "VDC"}};
        ImportDownloadedRecords(*live.document, downloaded);
        EXPECT_EQ(writer.Entries(), 4u);
        writer.Sync();
        EXPECT_FALSE(writer.TakeWarning());
        live.document->RemoveObserver(&writer);
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
    EXPECT_EQ(rebuilt.summary, live.document->summary);
    EXPECT_EQ(rebuilt.Role(), DocumentRole::NotRecording);

    std::optional<CJournalFile> held = CJournalFile::Lock(path);
    ASSERT_TRUE(held);
    EXPECT_TRUE(JournalInUse(path));
    EXPECT_EQ(held->Remove(), 0);
    EXPECT_TRUE(ListJournalIds(Folder()).empty());
}

// Random recordings with overloads, kilo units, companion records, the
// automatic scale switched on and off and a download adopted at the end: the
// rebuilt document equals the live one, the summary to the last bit.
TEST_F(JournalTest, RebuiltDocumentsEqualTheLiveOnes) {
    std::mt19937 random(8);
    for (int round = 0; round < 40; ++round) {
        OpenDocument live;
        std::vector<std::uint8_t> bytes;
        struct Collect : IDocumentObserver {
            std::vector<std::uint8_t>* out;
            void RecordsAppended(const CRoZudozuvDoc& document,
                                 const AppendedRecords& appended) override {
                const auto& records = document.channels[static_cast<std::size_t>(appended.channel)];
                for (std::size_t i = appended.first; i < appended.first + appended.count; ++i) {
                    EncodeJournalEntry(*out, appended.channel, records[i], appended.step);
                }
            }
        } sink;
        sink.out = &bytes;
        bytes = EncodeJournalHeader({});
        live.document->AddObserver(&sink);
        const int readings = static_cast<int>(random() % 30);
        const bool spread = random() % 2 == 0;
        for (int i = 0; i < readings; ++i) {
            AddRandomReading(*live.document, random, spread && i % 7 != 3);
        }
        if (random() % 3 == 0) {
            std::vector<CObData> downloaded = {{3.0, "V", 2.0, 0, "t0", "VDC"},
                                               {-4.0, "V", 2.0, 1, "t1", "VDC"}};
            ImportDownloadedRecords(*live.document, downloaded);
        }
        live.document->RemoveObserver(&sink);

        const JournalContents contents = ParseJournal(bytes.data(), bytes.size());
        CRoZudozuvDoc rebuilt;
        RebuildFromJournal(contents.entries, rebuilt);
        ASSERT_EQ(rebuilt.channels, live.document->channels) << round;
        ASSERT_EQ(rebuilt.summary, live.document->summary) << round;
        ASSERT_EQ(rebuilt.countedNumber, live.document->countedNumber) << round;
    }

    // A journal of the first version held no summary steps: its records are
    // summed up as one download, as that version did.
    std::vector<std::size_t> starts;
    const std::vector<std::uint8_t> old = EncodeJournal(SampleEntries(), starts, 1);
    const JournalContents contents = ParseJournal(old.data(), old.size());
    ASSERT_EQ(contents.entries.size(), SampleEntries().size());
    EXPECT_FALSE(contents.LostAnything());
    CRoZudozuvDoc rebuilt;
    RebuildFromJournal(contents.entries, rebuilt);
    DocumentSummary expected;
    ApplyBulkSummary(expected, rebuilt.channels[0]);
    EXPECT_EQ(rebuilt.summary, expected);
}

// A journal cut at every byte keeps exactly the whole entries before the cut.
TEST_F(JournalTest, ACutKeepsEveryWholeEntryBeforeIt) {
    const std::vector<JournalEntry> entries = SampleEntries();
    std::vector<std::size_t> ends;
    const std::vector<std::uint8_t> bytes = EncodeJournal(entries, ends);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        const JournalContents got = ParseJournal(bytes.data(), cut);
        if (cut < ends[0]) {
            EXPECT_FALSE(got.headerOk) << cut;
            EXPECT_TRUE(got.entries.empty()) << cut;
            EXPECT_EQ(got.droppedBytes, cut);
            continue;
        }
        ASSERT_TRUE(got.headerOk) << cut;
        std::size_t whole = 0;
        while (whole < entries.size() && ends[whole + 1] <= cut) {
            ++whole;
        }
        ASSERT_EQ(got.entries.size(), whole) << "cut at " << cut;
        EXPECT_TRUE(std::equal(got.entries.begin(), got.entries.end(), entries.begin()));
        EXPECT_TRUE(got.gaps.empty()) << cut;
        EXPECT_EQ(got.droppedBytes, cut - ends[whole]) << cut;
        EXPECT_EQ(got.droppedEntries, cut > ends[whole] ? 1u : 0u) << cut;
    }
    std::vector<std::uint8_t> badHeader = bytes;
    badHeader[12] ^= 0x40;
    EXPECT_FALSE(ParseJournal(badHeader.data(), badHeader.size()).headerOk);
}

// Damage at random places: every entry whose bytes are untouched is read, in
// order, and nothing else; each run of damaged entries is one gap (or the
// dropped tail) of exactly their bytes, and when no length field was hit the
// count of damaged entries is exact.
TEST_F(JournalTest, DamageAnywhereCostsOnlyTheDamagedEntries) {
    std::mt19937 random(16);
    std::vector<JournalEntry> entries;
    for (int i = 0; i < 60; ++i) {
        JournalEntry e = SampleEntries()[random() % 5];
        e.record.sequence = i;
        entries.push_back(e);
    }
    std::vector<std::size_t> starts;
    const std::vector<std::uint8_t> bytes = EncodeJournal(entries, starts);

    for (int round = 0; round < 500; ++round) {
        std::vector<std::uint8_t> damaged = bytes;
        std::vector<bool> hit(entries.size(), false);
        bool lengthHit = false;
        const int places = 1 + static_cast<int>(random() % 4);
        for (int p = 0; p < places; ++p) {
            const std::size_t at = starts[0] + random() % (bytes.size() - starts[0]);
            damaged[at] ^= static_cast<std::uint8_t>(1 + random() % 255);
            const auto entry = static_cast<std::size_t>(
                std::upper_bound(starts.begin(), starts.end(), at) - starts.begin() - 1);
            hit[entry] = true;
            lengthHit = lengthHit || at - starts[entry] < 4;
        }

        const JournalContents got = ParseJournal(damaged.data(), damaged.size());
        ASSERT_TRUE(got.headerOk);
        std::vector<JournalEntry> untouched;
        std::vector<JournalGap> runs;  // the runs of damaged entries
        std::size_t damagedEntries = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!hit[i]) {
                untouched.push_back(entries[i]);
                continue;
            }
            ++damagedEntries;
            if (i > 0 && hit[i - 1]) {
                runs.back().bytes += starts[i + 1] - starts[i];
                ++runs.back().entries;
            } else {
                runs.push_back({starts[i], starts[i + 1] - starts[i], 1});
            }
        }
        ASSERT_EQ(got.entries, untouched) << "round " << round;
        std::vector<JournalGap> told = got.gaps;
        if (got.droppedBytes > 0) {
            told.push_back({bytes.size() - got.droppedBytes, got.droppedBytes, got.droppedEntries});
        }
        ASSERT_EQ(told.size(), runs.size()) << "round " << round;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            EXPECT_EQ(told[r].offset, runs[r].offset) << round;
            EXPECT_EQ(told[r].bytes, runs[r].bytes) << round;
            EXPECT_GE(told[r].entries, 1u) << round;
            if (!lengthHit) {
                EXPECT_EQ(told[r].entries, runs[r].entries) << round;
            }
        }
        EXPECT_TRUE(got.LostAnything());
        if (!lengthHit) {
            EXPECT_EQ(got.SkippedEntries() + got.droppedEntries, damagedEntries);
        }
    }

    std::vector<std::uint8_t> one = bytes;
    one[starts[1] + 20] ^= 1;   // the second entry
    one[starts[59] + 20] ^= 1;  // the last one
    EXPECT_EQ(ParseJournal(one.data(), one.size()).DamageText(),
              "1 damaged entry (" + std::to_string(starts[2] - starts[1]) +
                  " bytes) was skipped; 1 entry (" + std::to_string(starts[60] - starts[59]) +
                  " bytes) at the end was damaged and dropped");
}

// Anything in the folder that is not a regular file is no journal: it is not
// listed, and reading or testing it never blocks (a FIFO would, opened plainly).
TEST_F(JournalTest, OnlyRegularFilesAreJournals) {
    fs::create_directories(m_folder / "folder.journal");
    ASSERT_EQ(mkfifo((m_folder / "pipe.journal").c_str(), 0600), 0);
    fs::create_symlink(m_folder / "pipe.journal", m_folder / "link.journal");
    CJournalWriter writer(Folder(), "real", 0);
    writer.Sync();
    EXPECT_EQ(ListJournalIds(Folder()), std::vector<std::string>{writer.Id()});
    EXPECT_THROW(ReadJournalFile(JournalPath(Folder(), "pipe")), CJournalError);
    EXPECT_THROW(CJournalFile::Lock(JournalPath(Folder(), "pipe")), CJournalError);
    EXPECT_FALSE(JournalInUse(JournalPath(Folder(), "pipe")));
}

// A full disk: one warning, the recording goes on, and once there is room
// again the journal catches up with every record.
TEST_F(JournalTest, AFailedWriteWarnsOnceAndNeverStopsTheRecording) {
    OpenDocument doc;
    CJournalWriter writer(Folder(), "full.txt", 0);
    doc.document->AddObserver(&writer);
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
    EXPECT_EQ(writer.TakeWarning(),
              "The recording's journal is written again: it holds every reading.");
    writer.Sync();
    EXPECT_FALSE(writer.TakeWarning()) << "said once";
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
