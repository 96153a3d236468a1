#pragma once

// The crash journal of a recording: every record appended to a document is
// also appended to a file of its own, so a crash, a kill or a power cut costs
// at most the last second of readings.
//
// File layout (little-endian):
//   header: magic "VAVJRNL\x1a", WORD version, WORD 0, INT64 creation time
//           (seconds since 1970), DWORD name length, the document name (UTF-8),
//           DWORD CRC-32 of the header bytes before it;
//   entries, one per record: DWORD payload length, DWORD CRC-32 of the length
//           and the payload, then the payload: BYTE channel, BYTE summary step
//           (the SummaryRole, plus 0x80 when the extremes were spread after it;
//           not in version 1), DOUBLE value, DOUBLE sampleRate, INT32 sequence,
//           and unit, timeText, typeText each as DWORD length and UTF-8 bytes.
// A new journal appears under its final name only with a whole header. A
// damaged entry is skipped: the reader looks for the next entry that passes
// its checksum and goes on from there, so one bad byte costs one entry.
// Version 1 journals (no summary step) still read, as one adopted download.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "record/Document.h"

inline constexpr std::uint16_t kJournalVersion = 2;
inline constexpr const char* kJournalExtension = ".journal";

// A journal that cannot be made, opened or read; what() says why.
class CJournalError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct JournalHeader {
    std::uint16_t version = kJournalVersion;
    std::int64_t createdAt = 0;  // seconds since 1970
    std::string documentName;

    bool operator==(const JournalHeader&) const = default;
};

struct JournalEntry {
    int channel = 0;
    CObData record;
    SummaryStep step;

    bool operator==(const JournalEntry&) const = default;
};

std::vector<std::uint8_t> EncodeJournalHeader(const JournalHeader& header);
// Appends one framed entry to out, in the layout of `version`.
void EncodeJournalEntry(std::vector<std::uint8_t>& out, int channel, const CObData& record,
                        SummaryStep step, std::uint16_t version = kJournalVersion);

// Damaged bytes between two whole entries, skipped by the reader.
struct JournalGap {
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
    std::size_t entries = 0;  // how many entries they held, as far as their lengths tell

    bool operator==(const JournalGap&) const = default;
};

// What a journal's bytes hold.
struct JournalContents {
    bool headerOk = false;
    std::string headerProblem;  // why the header was refused
    JournalHeader header;
    std::vector<JournalEntry> entries;  // every entry that passes its checksum, in order
    std::vector<JournalGap> gaps;       // damage with whole entries after it
    std::uint64_t droppedBytes = 0;     // the damaged tail after the last whole entry
    std::size_t droppedEntries = 0;     // the entries that tail held (a torn one counts 1)

    std::size_t SkippedEntries() const;
    // True when any byte of the journal could not be read.
    bool LostAnything() const { return droppedBytes > 0 || !gaps.empty(); }
    // "" when nothing was lost, else for example "1 damaged entry (57 bytes) was
    // skipped; 2 entries (75 bytes) at the end were damaged and dropped".
    std::string DamageText() const;
};

// Never throws on bad bytes and never makes up an entry.
JournalContents ParseJournal(const std::uint8_t* data, std::size_t size);

// The recording a journal holds, as a new document: every entry in order in
// its channel, the summary rebuilt by replaying each entry's summary step the
// way the live document did, recording nothing more.
void RebuildFromJournal(const std::vector<JournalEntry>& entries, CRoZudozuvDoc& doc);

// "The unsaved recording of 2026-12-08 09:05" style local time of a journal.
std::string FormatJournalTime(std::int64_t createdAt);

// An open journal file held with an exclusive flock, so no other instance of
// the program offers or removes it while this one holds it.
class CJournalFile {
  public:
    CJournalFile() = default;
    ~CJournalFile();
    CJournalFile(CJournalFile&& other) noexcept;
    CJournalFile& operator=(CJournalFile&& other) noexcept;
    CJournalFile(const CJournalFile&) = delete;
    CJournalFile& operator=(const CJournalFile&) = delete;

    // Opens and locks an existing journal for reading; nothing when another
    // process holds it. Throws CJournalError when it cannot be opened.
    static std::optional<CJournalFile> Lock(const std::string& path);

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }

    // Every byte of the file. Throws CJournalError.
    std::vector<std::uint8_t> ReadAll() const;
    // Deletes the file and lets it go. Returns 0 or the errno value.
    int Remove();
    // Lets the file go and keeps it on disk.
    void Release();

  private:
    CJournalFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    friend class CJournalWriter;
    friend JournalContents ReadJournalFile(const std::string& path);

    int m_fd = -1;
    std::string m_path;
};

// The journal ids in folder (file names without ".journal"), oldest first.
// A missing folder has none. Throws CJournalError when it cannot be read.
std::vector<std::string> ListJournalIds(const std::string& folder);
std::string JournalPath(const std::string& folder, const std::string& id);

// True when a process holds the journal at path (its recording still runs).
bool JournalInUse(const std::string& path);

// Reads the journal at path without locking it. Throws CJournalError.
JournalContents ReadJournalFile(const std::string& path);

// Writes a document's journal. An append only encodes the record into a
// buffer; a thread of the writer puts the buffer into the file within 200 ms
// (where a killed process no longer loses it) and flushes the file to disk with
// fdatasync at most once a second. Sync writes and flushes at once, on the
// calling thread. A failed write keeps the bytes for the next try and raises one
// warning; it never throws into the recording. Appends come from one thread.
class CJournalWriter : public IDocumentObserver {
  public:
    // Makes a new journal in folder (made when missing) for documentName, locked
    // by this process. Throws CJournalError when the folder or file cannot be made.
    CJournalWriter(const std::string& folder, const std::string& documentName, std::time_t now);
    // Carries on with a journal already held (a recovered recording): nothing
    // is rewritten; later appends go after its last whole entry.
    CJournalWriter(CJournalFile file, std::uint64_t wholeLength);
    ~CJournalWriter() override;
    CJournalWriter(const CJournalWriter&) = delete;
    CJournalWriter& operator=(const CJournalWriter&) = delete;

    // Each appended record of a document this writer observes.
    void RecordsAppended(const CRoZudozuvDoc& document, const AppendedRecords& appended) override;
    void RecordAppended(int channel, const CObData& record, SummaryStep step);

    // Writes everything and flushes it to disk now (Stop, before closing).
    void Sync();
    // Deletes the journal: its document was saved or discarded on purpose.
    // Later appends are ignored.
    void Remove();

    const std::string& Path() const { return m_file.Path(); }
    std::string Id() const;
    std::size_t Entries() const { return m_nEntries; }
    // What the status should say about the journal, once each: the first
    // failure's text, then, once writes succeed again, that they resumed.
    std::optional<std::string> TakeWarning();

  private:
    using Clock = std::chrono::steady_clock;
    // Writes the buffer and, when forced or a second has passed, flushes.
    // False when a write or flush failed.
    bool WriteOut(bool forceSync);
    void Fail(const char* what, int error);
    void StartFlusher();
    void StopFlusher();
    void FlushLoop();
    // m_bDirty, read by the flusher, which holds `lock` on m_mutex.
    bool Dirty(std::unique_lock<std::mutex>& lock);

    CJournalFile m_file;
    std::size_t m_nEntries = 0;
    bool m_bRemoved = false;

    // The buffer and the flusher's state, shared with the flusher thread.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::uint8_t> m_pending;
    bool m_bStopFlusher = false;
    bool m_bSleeping = false;  // the flusher waits for the next record
    std::optional<std::string> m_warning;
    std::thread m_flusher;

    // The file's state, held by whichever thread writes.
    std::mutex m_ioMutex;
    std::vector<std::uint8_t> m_batch;  // the bytes being written
    std::uint64_t m_nWritten = 0;       // file length written so far
    bool m_bDirty = false;              // written since the last fdatasync
    bool m_bFailing = false;
    bool m_bTrimTail = false;  // a taken-over journal loses its damaged tail on the first write
    Clock::time_point m_lastSync;
};
