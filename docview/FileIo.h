#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

// File access shared by the data file and the export: buffered reading of a
// regular file, replacing a file through a temporary one, and the user texts
// for failed file operations.

enum class FileAction { Read, Write };

// The user message for a failed file operation on path, from its errno value.
// Errors without a text of their own give fallback.
std::string FileErrorMessage(int error, const std::string& path, FileAction action,
                             const std::string& fallback);

// Buffered output into an open file descriptor. The first failure is kept and
// every later Put is ignored.
class CFileSink {
  public:
    explicit CFileSink(int fd) : m_fd(fd) { m_buffer.reserve(kBufferSize); }

    void Put(const void* data, std::size_t size) {
        if (m_buffer.size() + size > kBufferSize) {
            Flush();
        }
        if (size > kBufferSize) {
            WriteAll(static_cast<const std::uint8_t*>(data), size);
            return;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    }
    void Flush();
    int Error() const { return m_error; }

  private:
    static constexpr std::size_t kBufferSize = 1 << 16;
    void WriteAll(const std::uint8_t* data, std::size_t size);

    int m_fd;
    int m_error = 0;
    std::vector<std::uint8_t> m_buffer;
};

// Writes a file by calling fill with a sink on a new temporary file in the same
// folder, flushing it to disk and renaming it over path. An existing file keeps
// its permissions; a file we may not write to is refused. On failure the
// temporary file is removed and path is untouched. Only a regular file or a
// path that does not exist yet is replaced that way: a character device or a
// FIFO (/dev/null, /dev/stdout on a pipe) is written directly, a directory
// gives EISDIR and any other kind of node EINVAL. Returns 0 or the errno value.
int ReplaceFileContents(const std::string& path, const std::function<void(CFileSink&)>& fill);

// Buffered input from a regular file that knows how many bytes are left.
class CFileSource {
  public:
    CFileSource() = default;
    ~CFileSource();
    CFileSource(const CFileSource&) = delete;
    CFileSource& operator=(const CFileSource&) = delete;

    // Opens path; returns 0 or the errno value (EISDIR for a folder, EINVAL for
    // anything else that is not a regular file, such as a pipe or device).
    int Open(const std::string& path);

    std::uint64_t Remaining() const { return m_remaining + (m_end - m_pos); }

    // Copies size bytes into out; false at the end of the file or on an error.
    bool Read(void* out, std::size_t size) {
        if (static_cast<std::size_t>(m_end - m_pos) >= size) {
            std::memcpy(out, m_pos, size);
            m_pos += size;
            return true;
        }
        return ReadSlow(static_cast<std::uint8_t*>(out), size);
    }
    int Error() const { return m_error; }

  private:
    static constexpr std::size_t kBufferSize = 1 << 16;
    bool ReadSlow(std::uint8_t* out, std::size_t size);
    bool Refill();

    int m_fd = -1;
    int m_error = 0;
    std::uint64_t m_remaining = 0;  // bytes of the file not yet in the buffer
    std::vector<std::uint8_t> m_buffer;
    const std::uint8_t* m_pos = nullptr;
    const std::uint8_t* m_end = nullptr;
};
