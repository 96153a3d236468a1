#include "docview/DataFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

#include "common/TextCodec.h"
#include "decode/MeterReading.h"
#include "docview/FileIo.h"

namespace {

// Tags that lead each object entry.
constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kLongTag = 0x7FFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint32_t kLongClassTag = 0x80000000;

// The one class the file holds, and the number it gets in a written file.
constexpr char kClassName[] = "CObData";
constexpr std::uint16_t kClassNameLength = sizeof kClassName - 1;
constexpr std::uint16_t kSchema = 1;
constexpr std::uint16_t kMaxClassNameLength = 64;  // names of 64 bytes or more are refused
constexpr std::uint16_t kWrittenClassNumber = 1;

// Every object entry is at least its two-byte tag; one that adds a record also
// has its body: two doubles, an integer and three strings of one byte or more.
constexpr std::uint64_t kSmallestEntrySize = 2;
constexpr std::uint64_t kSmallestRecordEntrySize = 2 + 8 + 1 + 8 + 4 + 1 + 1;

struct DocumentContent {
    std::array<std::vector<CObData>, CRoZudozuvDoc::kChannelCount> channels;
    DocumentSummary summary;
};

// ---------------------------------------------------------------- writing

class CVectorSink {
  public:
    explicit CVectorSink(std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}
    void Put(const void* data, std::size_t size) {
        const auto* begin = static_cast<const std::uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), begin, begin + size);
    }

  private:
    std::vector<std::uint8_t>& m_bytes;
};

template <class Sink>
class CArchiveWriter {
  public:
    explicit CArchiveWriter(Sink& sink) : m_sink(sink) {}

    void Document(const CRoZudozuvDoc& doc) {
        for (const auto& channel : doc.channels) {
            Count(channel.size());
            for (const CObData& record : channel) {
                Record(record);
            }
        }
        const DocumentSummary& s = doc.summary;
        Double(s.average);
        Double(s.maximum);
        String(s.maximumTime);
        Double(s.minimum);
        String(s.minimumTime);
        Double(s.sampleRate);
        Double(s.sum);
        Int32(s.dataNumber);
        String(s.startTime);
        String(s.endTime);
        String(s.type);
    }

  private:
    // The first record of the file introduces the class; later ones refer to it.
    void Record(const CObData& record) {
        if (m_bClassWritten) {
            Word(kClassTag | kWrittenClassNumber);
        } else {
            Word(kNewClassTag);
            Word(kSchema);
            Word(kClassNameLength);
            m_sink.Put(kClassName, kClassNameLength);
            m_bClassWritten = true;
        }
        Double(record.value);
        String(record.unit);
        Double(record.sampleRate);
        Int32(record.sequence);
        String(record.timeText);
        String(record.typeText);
    }

    void Byte(std::uint8_t value) { m_sink.Put(&value, 1); }

    template <class T>
    void LittleEndian(T value) {
        std::uint8_t bytes[sizeof(T)];
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        m_sink.Put(bytes, sizeof bytes);
    }

    void Word(std::uint16_t value) { LittleEndian(value); }
    void Dword(std::uint32_t value) { LittleEndian(value); }
    void Int32(std::int32_t value) { LittleEndian(static_cast<std::uint32_t>(value)); }
    void Double(double value) { LittleEndian(std::bit_cast<std::uint64_t>(value)); }

    void Count(std::size_t count) {
        if (count < 0xFFFF) {
            Word(static_cast<std::uint16_t>(count));
            return;
        }
        if (count > 0xFFFFFFFFu) {
            throw CDataFileError(kFailedToSaveDocument);
        }
        Word(0xFFFF);
        Dword(static_cast<std::uint32_t>(count));
    }

    // Always UTF-16: the marker FF FE FF, the length in code units, the units.
    void String(const std::string& text) {
        m_units.clear();
        AppendUtf16(text, m_units);
        const std::uint64_t length = m_units.size();
        m_scratch.clear();
        PutBytes(0xFF, 0xFE, 0xFF);
        if (length < 0xFF) {
            PutLittleEndian(length, 1);
        } else if (length < 0xFFFE) {
            PutBytes(0xFF);
            PutLittleEndian(length, 2);
        } else if (length < 0xFFFFFFFFu) {
            PutBytes(0xFF, 0xFF, 0xFF);
            PutLittleEndian(length, 4);
        } else {
            PutBytes(0xFF, 0xFF, 0xFF);
            PutLittleEndian(0xFFFFFFFFu, 4);
            PutLittleEndian(length, 8);
        }
        for (char16_t unit : m_units) {
            PutLittleEndian(unit, 2);
        }
        m_sink.Put(m_scratch.data(), m_scratch.size());
    }

    template <class... Byte>
    void PutBytes(Byte... bytes) {
        (m_scratch.push_back(static_cast<std::uint8_t>(bytes)), ...);
    }
    void PutLittleEndian(std::uint64_t value, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            m_scratch.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }

    Sink& m_sink;
    bool m_bClassWritten = false;
    std::u16string m_units;
    std::vector<std::uint8_t> m_scratch;
};

// ---------------------------------------------------------------- reading

class CMemorySource {
  public:
    CMemorySource(const std::uint8_t* data, std::size_t size) : m_pos(data), m_end(data + size) {}
    std::uint64_t Remaining() const { return static_cast<std::uint64_t>(m_end - m_pos); }
    bool Read(void* out, std::size_t size) {
        if (Remaining() < size) {
            return false;
        }
        if (size == 0) {
            return true;  // an empty string's buffer may be null: nothing to copy
        }
        std::memcpy(out, m_pos, size);
        m_pos += size;
        return true;
    }
    int Error() const { return 0; }

  private:
    const std::uint8_t* m_pos;
    const std::uint8_t* m_end;
};

[[noreturn]] void FailFormat() {
    throw CDataFileError(kUnexpectedFileFormat);
}

template <class Source>
class CArchiveReader {
  public:
    explicit CArchiveReader(Source& source) : m_source(source) {}

    void Document(DocumentContent& content) {
        for (auto& channel : content.channels) {
            RecordList(channel);
        }
        DocumentSummary& s = content.summary;
        s.average = Double();
        s.maximum = Double();
        s.maximumTime = String();
        s.minimum = Double();
        s.minimumTime = String();
        s.sampleRate = Double();
        s.sum = Double();
        s.dataNumber = Int32();
        s.startTime = String();
        s.endTime = String();
        s.type = String();
    }

  private:
    void RecordList(std::vector<CObData>& channel) {
        const std::uint64_t count = Count();
        if (count > m_source.Remaining() / kSmallestEntrySize) {
            FailFormat();
        }
        // Null entries add nothing, so room is made only for what the bytes can hold.
        channel.reserve(channel.size() +
                        std::min(count, m_source.Remaining() / kSmallestRecordEntrySize));
        for (std::uint64_t i = 0; i < count; ++i) {
            Entry(channel);
        }
    }

    // Classes and objects share one numbering in the order they first appear;
    // number 0 is the null entry.
    void Entry(std::vector<CObData>& channel) {
        const std::uint16_t tag = Word();
        if (tag == kNullTag) {
            return;
        }
        if (tag == kNewClassTag) {
            ClassDescriptor();
            m_numberIsClass.push_back(true);
            NewRecord(channel);
            return;
        }
        if (tag == kLongTag) {
            const std::uint32_t longTag = Dword();
            if ((longTag & kLongClassTag) != 0) {
                RequireClass(longTag & ~kLongClassTag);
                NewRecord(channel);
                return;
            }
            if (longTag == kNullTag) {
                return;
            }
            FailFormat();  // a reference to an object
        }
        if ((tag & kClassTag) != 0) {
            RequireClass(tag & ~kClassTag);
            NewRecord(channel);
            return;
        }
        // A reference to an object number: either one not read yet, or a record
        // that would then appear twice in the document.
        FailFormat();
    }

    void ClassDescriptor() {
        const std::uint16_t schema = Word();
        const std::uint16_t nameLength = Word();
        if (nameLength >= kMaxClassNameLength) {
            FailFormat();
        }
        char name[kMaxClassNameLength];
        Bytes(name, nameLength);
        if (schema != kSchema || nameLength != kClassNameLength ||
            std::memcmp(name, kClassName, kClassNameLength) != 0) {
            FailFormat();
        }
    }

    void RequireClass(std::uint64_t number) {
        if (number == 0 || number >= m_numberIsClass.size() || !m_numberIsClass[number]) {
            FailFormat();
        }
    }

    void NewRecord(std::vector<CObData>& channel) {
        m_numberIsClass.push_back(false);
        CObData& record = channel.emplace_back();
        record.value = Double();
        record.unit = String();
        record.sampleRate = Double();
        record.sequence = Int32();
        record.timeText = String();
        record.typeText = String();
        record.overload = record.value == kOverloadValue;
    }

    void Bytes(void* out, std::size_t size) {
        if (!m_source.Read(out, size)) {
            if (m_source.Error() != 0) {
                throw CDataFileError(kFailedToOpenDocument);
            }
            FailFormat();
        }
    }

    template <class T>
    T LittleEndian() {
        std::uint8_t bytes[sizeof(T)];
        Bytes(bytes, sizeof bytes);
        T value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            value |= static_cast<T>(bytes[i]) << (8 * i);
        }
        return value;
    }

    std::uint8_t Byte() { return LittleEndian<std::uint8_t>(); }
    std::uint16_t Word() { return LittleEndian<std::uint16_t>(); }
    std::uint32_t Dword() { return LittleEndian<std::uint32_t>(); }
    std::int32_t Int32() { return static_cast<std::int32_t>(Dword()); }
    double Double() { return std::bit_cast<double>(LittleEndian<std::uint64_t>()); }

    std::uint64_t Count() {
        const std::uint16_t word = Word();
        return word != 0xFFFF ? word : Dword();
    }

    // Reads UTF-16 strings (after the marker FF FE FF) and 8-bit strings, which
    // are taken as Latin-1.
    std::string String() {
        std::uint64_t length = Byte();
        bool wide = false;
        if (length == 0xFF) {
            std::uint16_t word = Word();
            if (word == 0xFFFE) {
                wide = true;
                length = Byte();
                if (length == 0xFF) {
                    word = Word();
                }
            }
            if (length == 0xFF) {
                length = word;
                if (word == 0xFFFF) {
                    length = Dword();
                    if (length == 0xFFFFFFFFu) {
                        length = LittleEndian<std::uint64_t>();
                    }
                }
            }
        }
        const std::uint64_t unitSize = wide ? 2 : 1;
        if (length > m_source.Remaining() / unitSize) {
            FailFormat();
        }
        m_scratch.resize(length * unitSize);
        Bytes(m_scratch.data(), m_scratch.size());
        if (!wide) {
            return Latin1ToUtf8(
                std::string_view(reinterpret_cast<const char*>(m_scratch.data()), length));
        }
        m_units.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            m_units[i] = static_cast<char16_t>(m_scratch[2 * i] | (m_scratch[2 * i + 1] << 8));
        }
        return Utf16ToUtf8(m_units);
    }

    Source& m_source;
    std::vector<bool> m_numberIsClass{false};
    std::vector<std::uint8_t> m_scratch;
    std::u16string m_units;
};

template <class Source>
DocumentContent ReadContent(Source& source) {
    DocumentContent content;
    try {
        CArchiveReader<Source>(source).Document(content);
    } catch (const std::bad_alloc&) {
        throw CDataFileError(kFailedToOpenDocument);
    } catch (const std::length_error&) {
        throw CDataFileError(kFailedToOpenDocument);
    }
    return content;
}

// A document that has been read from a file never receives readings, and
// holds nothing that is not in the file.
void AdoptContent(DocumentContent&& content, CRoZudozuvDoc& doc) {
    doc.SetRole(DocumentRole::NotRecording);
    doc.channels = std::move(content.channels);
    doc.summary = std::move(content.summary);
    doc.MarkSaved();
}

}  // namespace

std::vector<std::uint8_t> WriteDocumentBytes(const CRoZudozuvDoc& doc) {
    std::vector<std::uint8_t> bytes;
    CVectorSink sink(bytes);
    CArchiveWriter<CVectorSink>(sink).Document(doc);
    return bytes;
}

void ReadDocumentBytes(const std::uint8_t* data, std::size_t size, CRoZudozuvDoc& doc) {
    CMemorySource source(data, data == nullptr ? 0 : size);
    AdoptContent(ReadContent(source), doc);
}

void SaveDocumentFile(const CRoZudozuvDoc& doc, const std::string& path) {
    int error = 0;
    try {
        error = ReplaceFileContents(
            path, [&doc](CFileSink& sink) { CArchiveWriter<CFileSink>(sink).Document(doc); });
    } catch (const std::bad_alloc&) {
        throw CDataFileError(kFailedToSaveDocument);
    }
    if (error != 0) {
        throw CDataFileError(
            FileErrorMessage(error, path, FileAction::Write, kFailedToSaveDocument));
    }
}

void LoadDocumentFile(const std::string& path, CRoZudozuvDoc& doc) {
    CFileSource source;
    if (const int error = source.Open(path); error != 0) {
        throw CDataFileError(
            FileErrorMessage(error, path, FileAction::Read, kFailedToOpenDocument));
    }
    DocumentContent content = ReadContent(source);
    if (source.Error() != 0) {
        throw CDataFileError(
            FileErrorMessage(source.Error(), path, FileAction::Read, kFailedToOpenDocument));
    }
    AdoptContent(std::move(content), doc);
}
