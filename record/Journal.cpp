#include "record/Journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "common/TimeText.h"
#include "decode/MeterReading.h"
#include "record/Crc32.h"
#include "record/Statistics.h"

namespace {

using namespace std::chrono_literals;

constexpr std::array<char, 8> kMagic = {'V', 'A', 'V', 'J', 'R', 'N', 'L', '\x1a'};
constexpr std::size_t kHeaderFixed = 8 + 2 + 2 + 8 + 4;  // up to the name
constexpr std::size_t kMaxNameLength = 4096;
constexpr std::size_t kFrameSize = 8;  // length and CRC before each payload
constexpr std::size_t kMinPayloadV1 = 1 + 8 + 8 + 4 + 3 * 4;
constexpr std::uint8_t kSpreadBit = 0x80;
constexpr std::size_t kMaxPayload = std::size_t{1} << 24;
constexpr auto kWriteInterval = 200ms;
constexpr auto kSyncInterval = 1s;
constexpr auto kIdleAfter = 5s;
constexpr const char* kJournalWrittenAgain =
    "The recording's journal is written again: it holds every reading.";  // the flusher sleeps
                                                                          // after this long without
                                                                          // records

std::string SystemText(int error) {
    return std::strerror(error);
}

// --- little-endian encoding --------------------------------------------------

template <typename T>
void Put(std::vector<std::uint8_t>& out, T value) {
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));  // the build targets little-endian hosts only
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text) {
    Put(out, static_cast<std::uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

void PutAt(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    std::memcpy(out.data() + at, &value, sizeof value);
}

// Reads fields from a byte range; any read past its end makes it fail for good.
class CByteReader {
  public:
    CByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    template <typename T>
    T Get() {
        T value{};
        if (m_pos + sizeof(T) > m_size) {
            m_bFailed = true;
            return value;
        }
        std::memcpy(&value, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }
    std::string GetText(std::size_t limit) {
        const auto length = Get<std::uint32_t>();
        if (m_bFailed || length > limit || length > m_size - m_pos) {
            m_bFailed = true;
            return {};
        }
        std::string text(reinterpret_cast<const char*>(m_data + m_pos), length);
        m_pos += length;
        return text;
    }
    bool Failed() const { return m_bFailed; }
    std::size_t Pos() const { return m_pos; }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_bFailed = false;
};

// --- entries -------------------------------------------------------------------

struct ParsedEntry {
    JournalEntry entry;
    std::size_t size = 0;  // frame and payload
};

std::size_t MinPayload(std::uint16_t version) {
    return version == 1 ? kMinPayloadV1 : kMinPayloadV1 + 1;
}

std::uint8_t EncodeStep(SummaryStep step) {
    return static_cast<std::uint8_t>(static_cast<std::uint8_t>(step.role) |
                                     (step.spreadExtremes ? kSpreadBit : 0));
}

std::optional<SummaryStep> DecodeStep(std::uint8_t byte) {
    const auto role = static_cast<std::uint8_t>(byte & ~kSpreadBit);
    if (role > static_cast<std::uint8_t>(SummaryRole::Downloaded)) {
        return std::nullopt;
    }
    return SummaryStep{static_cast<SummaryRole>(role), (byte & kSpreadBit) != 0};
}

// The payload length a frame at data[0] claims, if it could be an entry there.
std::optional<std::uint32_t> FrameLength(const std::uint8_t* data, std::size_t size,
                                         std::uint16_t version) {
    if (size < kFrameSize) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    std::memcpy(&length, data, 4);
    if (length < MinPayload(version) || length > kMaxPayload || length > size - kFrameSize) {
        return std::nullopt;
    }
    return length;
}

// The entry that starts at data[0], if its frame, checksum and payload hold.
std::optional<ParsedEntry> ParseEntry(const std::uint8_t* data, std::size_t size,
                                      std::uint16_t version) {
    const auto length = FrameLength(data, size, version);
    if (!length) {
        return std::nullopt;
    }
    std::uint32_t crc = 0;
    std::memcpy(&crc, data + 4, 4);
    const std::uint8_t* payload = data + kFrameSize;
    if (Crc32(payload, *length, Crc32(data, 4)) != crc) {
        return std::nullopt;
    }
    CByteReader in(payload, *length);
    ParsedEntry parsed;
    parsed.entry.channel = in.Get<std::uint8_t>();
    if (version != 1) {
        const auto step = DecodeStep(in.Get<std::uint8_t>());
        if (!step) {
            return std::nullopt;
        }
        parsed.entry.step = *step;
    }
    parsed.entry.record.value = in.Get<double>();
    parsed.entry.record.sampleRate = in.Get<double>();
    parsed.entry.record.sequence = in.Get<std::int32_t>();
    parsed.entry.record.unit = in.GetText(*length);
    parsed.entry.record.timeText = in.GetText(*length);
    parsed.entry.record.typeText = in.GetText(*length);
    parsed.entry.record.overload = parsed.entry.record.value == kOverloadValue;
    if (in.Failed() || in.Pos() != *length ||
        parsed.entry.channel >= CRoZudozuvDoc::kChannelCount) {
        return std::nullopt;
    }
    parsed.size = kFrameSize + *length;
    return parsed;
}

// Where the next entry that passes its checksum starts, from `from` on.
std::optional<std::size_t> FindNextEntry(const std::uint8_t* data, std::size_t size,
                                         std::size_t from, std::uint16_t version) {
    for (std::size_t pos = from; pos + kFrameSize + MinPayload(version) <= size; ++pos) {
        if (ParseEntry(data + pos, size - pos, version)) {
            return pos;
        }
    }
    return std::nullopt;
}

// How many entries the damaged bytes data[0, size) held: their length fields
// are followed while they lead on; the bytes where they stop count as one.
std::size_t CountDamagedEntries(const std::uint8_t* data, std::size_t size, std::uint16_t version) {
    std::size_t count = 0;
    std::size_t pos = 0;
    while (const auto length = FrameLength(data + pos, size - pos, version)) {
        ++count;
        pos += kFrameSize + *length;
    }
    return pos < size ? count + 1 : count;
}

// A version 1 journal knows no summary steps: its main records are summed up
// as one adopted download, as that version did.
void AssignVersion1Steps(std::vector<JournalEntry>& entries) {
    bool first = true;
    for (JournalEntry& entry : entries) {
        if (entry.channel == 0) {
            entry.step.role = first ? SummaryRole::FirstDownloaded : SummaryRole::Downloaded;
            first = false;
        }
    }
}

// The header; its length in `length`, or a problem text.
std::optional<JournalHeader> ParseHeader(const std::uint8_t* data, std::size_t size,
                                         std::size_t& length, std::string& problem) {
    if (size < kHeaderFixed || std::memcmp(data, kMagic.data(), kMagic.size()) != 0) {
        problem = "not a journal";
        return std::nullopt;
    }
    CByteReader in(data + kMagic.size(), size - kMagic.size());
    JournalHeader header;
    header.version = in.Get<std::uint16_t>();
    in.Get<std::uint16_t>();
    header.createdAt = in.Get<std::int64_t>();
    header.documentName = in.GetText(kMaxNameLength);
    const std::size_t crcAt = kMagic.size() + in.Pos();
    const auto crc = in.Get<std::uint32_t>();
    if (in.Failed() || Crc32(data, crcAt) != crc) {
        problem = "the journal's header is damaged";
        return std::nullopt;
    }
    if (header.version != 1 && header.version != kJournalVersion) {
        problem = "journal version " + std::to_string(header.version) + " is not known";
        return std::nullopt;
    }
    length = crcAt + 4;
    return header;
}

// --- files ---------------------------------------------------------------------

bool WriteAllAt(int fd, const std::uint8_t* data, std::size_t size, off_t at) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, at);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        at += n;
    }
    return true;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Opens path only when it is a regular file: never blocks on a FIFO or a
// device and never follows a link. Throws CJournalError.
int OpenRegularFile(const std::string& path, int access) {
    const int fd = ::open(path.c_str(), access | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        throw CJournalError("cannot open " + path + ": " + SystemText(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw CJournalError(path + " is not a journal file");
    }
    // Plain blocking reads and writes from here on.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

// --- encoding ------------------------------------------------------------------

std::vector<std::uint8_t> EncodeJournalHeader(const JournalHeader& header) {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    Put(out, header.version);
    Put(out, std::uint16_t{0});
    Put(out, header.createdAt);
    PutText(out, header.documentName.substr(0, kMaxNameLength));
    Put(out, Crc32(out.data(), out.size()));
    return out;
}

void EncodeJournalEntry(std::vector<std::uint8_t>& out, int channel, const CObData& record,
                        SummaryStep step, std::uint16_t version) {
    const std::size_t start = out.size();
    Put(out, std::uint32_t{0});
    Put(out, std::uint32_t{0});
    Put(out, static_cast<std::uint8_t>(channel));
    if (version != 1) {
        Put(out, EncodeStep(step));
    }
    Put(out, record.value);
    Put(out, record.sampleRate);
    Put(out, record.sequence);
    PutText(out, record.unit);
    PutText(out, record.timeText);
    PutText(out, record.typeText);
    const auto length = static_cast<std::uint32_t>(out.size() - start - kFrameSize);
    PutAt(out, start, length);
    const std::uint8_t* payload = out.data() + start + kFrameSize;
    PutAt(out, start + 4, Crc32(payload, length, Crc32(out.data() + start, 4)));
}

// --- reading -------------------------------------------------------------------

std::size_t JournalContents::SkippedEntries() const {
    std::size_t count = 0;
    for (const JournalGap& gap : gaps) {
        count += gap.entries;
    }
    return count;
}

std::string JournalContents::DamageText() const {
    std::string text;
    if (!gaps.empty()) {
        std::uint64_t bytes = 0;
        for (const JournalGap& gap : gaps) {
            bytes += gap.bytes;
        }
        const std::size_t skipped = SkippedEntries();
        const bool one = skipped == 1;
        text = std::to_string(skipped) + (one ? " damaged entry" : " damaged entries") + " (" +
               std::to_string(bytes) + " bytes) " + (one ? "was" : "were") + " skipped";
    }
    if (droppedBytes > 0) {
        const bool one = droppedEntries == 1;
        text += (text.empty() ? "" : "; ") + std::to_string(droppedEntries) +
                (one ? " entry" : " entries") + " (" + std::to_string(droppedBytes) +
                " bytes) at the end " + (one ? "was" : "were") + " damaged and dropped";
    }
    return text;
}

JournalContents ParseJournal(const std::uint8_t* data, std::size_t size) {
    JournalContents contents;
    std::size_t pos = 0;
    const auto header = ParseHeader(data, size, pos, contents.headerProblem);
    if (!header) {
        contents.droppedBytes = size;
        contents.droppedEntries = size > 0 ? 1 : 0;
        return contents;
    }
    contents.headerOk = true;
    contents.header = *header;
    const std::uint16_t version = header->version;
    while (pos < size) {
        if (auto parsed = ParseEntry(data + pos, size - pos, version)) {
            contents.entries.push_back(std::move(parsed->entry));
            pos += parsed->size;
            continue;
        }
        const auto next = FindNextEntry(data, size, pos + 1, version);
        const std::size_t end = next.value_or(size);
        const std::size_t damaged = CountDamagedEntries(data + pos, end - pos, version);
        if (!next) {
            contents.droppedBytes = size - pos;
            contents.droppedEntries = damaged;
            break;
        }
        contents.gaps.push_back({pos, end - pos, damaged});
        pos = end;
    }
    if (version == 1) {
        AssignVersion1Steps(contents.entries);
    }
    return contents;
}

// Replays the summary work each record had when it was appended: the same
// document operations and summary functions the live recording ran.
void RebuildFromJournal(const std::vector<JournalEntry>& entries, CRoZudozuvDoc& doc) {
    std::vector<CObData> download;  // the adopted download being replayed
    auto endDownload = [&] {
        ApplyBulkSummary(doc.summary, download);
        download.clear();
    };
    for (const JournalEntry& entry : entries) {
        const SummaryRole role = entry.step.role;
        if (entry.channel == 0 && role != SummaryRole::Downloaded) {
            endDownload();
        }
        doc.AppendRecord(entry.channel, entry.record, entry.step);
        if (entry.channel != 0) {
            // Companion records carry no summary work of their own.
        } else if (role == SummaryRole::Reading || role == SummaryRole::CountedReading) {
            doc.AdvanceSummaryFor(role);
        } else if (role == SummaryRole::FirstDownloaded || role == SummaryRole::Downloaded) {
            download.push_back(entry.record);
        }
        if (entry.step.spreadExtremes) {
            SpreadSentinelExtremes(doc.summary);
        }
    }
    endDownload();
    doc.SetRole(DocumentRole::NotRecording);
}

std::string FormatJournalTime(std::int64_t createdAt) {
    const CalendarTime c = LocalCalendar(static_cast<std::time_t>(createdAt));
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute);
    return text;
}

// --- the locked file -------------------------------------------------------------

CJournalFile::~CJournalFile() {
    Release();
}

CJournalFile::CJournalFile(CJournalFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

CJournalFile& CJournalFile::operator=(CJournalFile&& other) noexcept {
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

std::optional<CJournalFile> CJournalFile::Lock(const std::string& path) {
    const int fd = OpenRegularFile(path, O_RDWR);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return std::nullopt;
        }
        throw CJournalError("cannot lock " + path + ": " + SystemText(error));
    }
    return CJournalFile(fd, path);
}

std::vector<std::uint8_t> CJournalFile::ReadAll() const {
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        throw CJournalError(m_path + " is not a journal file");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pread(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw CJournalError("cannot read " + m_path + ": " + SystemText(errno));
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

int CJournalFile::Remove() {
    if (m_fd < 0) {
        return 0;
    }
    const int error = ::unlink(m_path.c_str()) == 0 ? 0 : errno;
    Release();
    return error;
}

void CJournalFile::Release() {
    if (m_fd >= 0) {
        ::close(m_fd);  // lets the lock go
        m_fd = -1;
    }
}

// --- the folder ------------------------------------------------------------------

std::vector<std::string> ListJournalIds(const std::string& folder) {
    std::vector<std::string> ids;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        if (errno == ENOENT) {
            return ids;
        }
        throw CJournalError("cannot read the journal folder " + folder + ": " + SystemText(errno));
    }
    const std::string extension = kJournalExtension;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info {};
        if (name.size() > extension.size() && name[0] != '.' &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0 &&
            ::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode)) {
            ids.push_back(name.substr(0, name.size() - extension.size()));
        }
    }
    ::closedir(dir);
    // Ids start with the creation time, so this is oldest first.
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::string JournalPath(const std::string& folder, const std::string& id) {
    return folder + "/" + id + kJournalExtension;
}

bool JournalInUse(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

JournalContents ReadJournalFile(const std::string& path) {
    CJournalFile file(OpenRegularFile(path, O_RDONLY), path);
    const std::vector<std::uint8_t> bytes = file.ReadAll();
    return ParseJournal(bytes.data(), bytes.size());
}

// --- writing ---------------------------------------------------------------------

CJournalWriter::CJournalWriter(const std::string& folder, const std::string& documentName,
                               std::time_t now) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw CJournalError("cannot make the journal folder " + folder + ": " + error.message());
    }
    JournalHeader header;
    header.createdAt = static_cast<std::int64_t>(now);
    header.documentName = documentName;
    const std::vector<std::uint8_t> bytes = EncodeJournalHeader(header);

    // The header is written under a hidden name and the file then linked to
    // its final one, so a journal never shows up without its header.
    const std::string base = folder + "/" + FileStampText(now) + "-" + std::to_string(::getpid());
    const std::string temporary = folder + "/." + std::filesystem::path(base).filename().string() +
                                  "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) +
                                  ".tmp";
    const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw CJournalError("cannot make a journal in " + folder + ": " + SystemText(errno));
    }
    CJournalFile file(fd, temporary);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !WriteAllAt(fd, bytes.data(), bytes.size(), 0) ||
        ::fdatasync(fd) != 0) {
        const int failure = errno;
        file.Remove();
        throw CJournalError("cannot write a journal in " + folder + ": " + SystemText(failure));
    }
    std::string path = base + kJournalExtension;
    for (int n = 2; ::link(temporary.c_str(), path.c_str()) != 0; ++n) {
        if (errno != EEXIST || n > 1000) {
            const int failure = errno;
            file.Remove();
            throw CJournalError("cannot name a journal in " + folder + ": " + SystemText(failure));
        }
        path = base + "-" + std::to_string(n) + kJournalExtension;
    }
    ::unlink(temporary.c_str());
    SyncFolder(folder);
    file.m_path = path;
    m_file = std::move(file);
    m_nWritten = bytes.size();
    StartFlusher();
}

CJournalWriter::CJournalWriter(CJournalFile file, std::uint64_t wholeLength)
    : m_file(std::move(file)), m_nWritten(wholeLength), m_bTrimTail(true) {
    StartFlusher();
}

CJournalWriter::~CJournalWriter() {
    Sync();
    StopFlusher();
}

void CJournalWriter::StartFlusher() {
    m_lastSync = Clock::now();
    m_flusher = std::thread([this] { FlushLoop(); });
}

void CJournalWriter::StopFlusher() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopFlusher = true;
    }
    m_wake.notify_one();
    if (m_flusher.joinable()) {
        m_flusher.join();
    }
}

// While records come, the flusher looks for them every write interval, so an
// append never has to wake it; after a few quiet seconds it sleeps until the
// next record wakes it. Written bytes are flushed once a second.
void CJournalWriter::FlushLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto stopping = [this] { return m_bStopFlusher; };
    auto lastRecord = Clock::now();
    for (;;) {
        if (m_pending.empty() && Clock::now() - lastRecord >= kIdleAfter && !Dirty(lock)) {
            m_bSleeping = true;
            m_wake.wait(lock, [this] { return m_bStopFlusher || !m_pending.empty(); });
            m_bSleeping = false;
        }
        if (m_wake.wait_for(lock, kWriteInterval, stopping)) {
            return;  // the destructor's Sync writes what is left
        }
        if (!m_pending.empty()) {
            lastRecord = Clock::now();
        }
        lock.unlock();
        const bool written = WriteOut(false);
        lock.lock();
        if (!written && m_wake.wait_for(lock, kSyncInterval, stopping)) {
            return;
        }
    }
}

bool CJournalWriter::Dirty(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    bool dirty = false;
    {
        const std::lock_guard<std::mutex> io(m_ioMutex);
        dirty = m_bDirty;
    }
    lock.lock();
    return dirty;
}

void CJournalWriter::RecordsAppended(const CRoZudozuvDoc& document,
                                     const AppendedRecords& appended) {
    const std::vector<CObData>& records =
        document.channels[static_cast<std::size_t>(appended.channel)];
    for (std::size_t i = appended.first; i < appended.first + appended.count; ++i) {
        RecordAppended(appended.channel, records[i], appended.step);
    }
}

void CJournalWriter::RecordAppended(int channel, const CObData& record, SummaryStep step) {
    if (m_bRemoved) {
        return;
    }
    bool asleep = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        EncodeJournalEntry(m_pending, channel, record, step);
        asleep = m_bSleeping;
    }
    ++m_nEntries;
    if (asleep) {
        m_wake.notify_one();
    }
}

bool CJournalWriter::WriteOut(bool forceSync) {
    const std::lock_guard<std::mutex> io(m_ioMutex);
    if (!m_file.IsOpen()) {
        return true;
    }
    // The buffers trade places, so neither side allocates once both have grown.
    std::vector<std::uint8_t>& batch = m_batch;
    batch.clear();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        batch.swap(m_pending);
    }
    if (m_bTrimTail && !batch.empty()) {
        // A damaged tail left by the crash would hide what comes after it.
        if (::ftruncate(m_file.Fd(), static_cast<off_t>(m_nWritten)) != 0) {
            const int error = errno;
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_pending.insert(m_pending.begin(), batch.begin(), batch.end());
            }
            Fail("written", error);
            return false;
        }
        m_bTrimTail = false;
    }
    // Whatever part of a write landed stays: the file is always a prefix of
    // the journal, and the next try goes on where this one stopped.
    std::size_t done = 0;
    int error = 0;
    while (done < batch.size()) {
        const ssize_t n = ::pwrite(m_file.Fd(), batch.data() + done, batch.size() - done,
                                   static_cast<off_t>(m_nWritten));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
        m_nWritten += static_cast<std::uint64_t>(n);
    }
    m_bDirty = m_bDirty || done > 0;
    if (error != 0) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_pending.insert(m_pending.begin(), batch.begin() + static_cast<std::ptrdiff_t>(done),
                             batch.end());
        }
        Fail("written", error);
        return false;
    }
    const auto now = Clock::now();
    if (m_bDirty && (forceSync || now - m_lastSync >= kSyncInterval)) {
        m_lastSync = now;
        if (::fdatasync(m_file.Fd()) != 0) {
            Fail("flushed to disk", errno);
            return false;
        }
        m_bDirty = false;
    }
    if (m_bFailing) {
        m_bFailing = false;
        const std::lock_guard<std::mutex> lock(m_mutex);
        // A failure nobody was told of yet needs no word that it is over.
        m_warning = m_warning ? std::nullopt : std::optional<std::string>(kJournalWrittenAgain);
    }
    return true;
}

void CJournalWriter::Sync() {
    WriteOut(true);
}

void CJournalWriter::Remove() {
    StopFlusher();
    m_bRemoved = true;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.clear();
    }
    const std::lock_guard<std::mutex> io(m_ioMutex);
    m_bDirty = false;
    m_file.Remove();
}

std::string CJournalWriter::Id() const {
    return std::filesystem::path(m_file.Path()).stem().string();
}

std::optional<std::string> CJournalWriter::TakeWarning() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_warning, std::nullopt);
}

// Called with the file's state held.
void CJournalWriter::Fail(const char* what, int error) {
    if (!m_bFailing) {
        m_bFailing = true;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_warning = std::string("The recording's journal could not be ") + what + ": " +
                    SystemText(error) + ". The recording goes on.";
    }
}
