#include "docview/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

std::string ReplacePlaceholder(std::string text, const std::string& path) {
    const auto at = text.find("%1");
    if (at != std::string::npos) {
        text.replace(at, 2, path);
    }
    return text;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes go to the file a symbolic link points at, so the link survives a save.
std::string ResolveTarget(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
        return path;
    }
    return resolved;
}

int OpenTemporaryBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".tmp-" + std::to_string(getpid()) + "-" +
                   std::to_string(counter.fetch_add(1));
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// A device or a pipe takes the bytes where it is: renaming a file over it
// would replace the node itself (and turn /dev/null into a regular file).
int WriteInPlace(const std::string& target, const std::function<void(CFileSink&)>& fill) {
    const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno;
    }
    CFileSink sink(fd);
    try {
        fill(sink);
    } catch (...) {
        close(fd);
        throw;
    }
    sink.Flush();
    int error = sink.Error();
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);  // best effort: the rename itself has already succeeded
        close(fd);
    }
}

}  // namespace

std::string FileErrorMessage(int error, const std::string& path, FileAction action,
                             const std::string& fallback) {
    const bool reading = action == FileAction::Read;
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return ReplacePlaceholder(
                reading ? "%1 was not found."
                        : "%1\nCannot find this file.\nVerify that the correct path and file "
                          "name are given.",
                path);
        case EISDIR:
            return ReplacePlaceholder("%1 is a directory.", path);
        case EACCES:
        case EPERM:
            return ReplacePlaceholder("Access to %1 was denied.", path);
        case EROFS:
        case ETXTBSY:
        case EBUSY:
            return ReplacePlaceholder(
                reading ? "Unable to read from %1, it is opened by someone else."
                        : "Unable to write to %1, it is read-only or opened by someone else.",
                path);
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "Destination disk drive is full.";
        default:
            return fallback;
    }
}

void CFileSink::Flush() {
    WriteAll(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

void CFileSink::WriteAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0 && m_error == 0) {
        const ssize_t written = write(m_fd, data, size);
        if (written < 0) {
            if (errno != EINTR) {
                m_error = errno;
            }
            continue;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

int ReplaceFileContents(const std::string& path, const std::function<void(CFileSink&)>& fill) {
    const std::string target = ResolveTarget(path);
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        return EISDIR;
    }
    if (exists && (S_ISCHR(existing.st_mode) || S_ISFIFO(existing.st_mode))) {
        return WriteInPlace(target, fill);
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        return EINVAL;  // a block device or a socket is no place for a file
    }
    // A file the user may not write keeps its protection even though a rename
    // would get past it.
    if (exists && access(target.c_str(), W_OK) != 0) {
        return errno;
    }

    std::string tempPath;
    const int fd = OpenTemporaryBeside(target, tempPath);
    if (fd < 0) {
        return errno;
    }
    int error = 0;
    if (exists && fchmod(fd, existing.st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0) {
        CFileSink sink(fd);
        try {
            fill(sink);
        } catch (...) {
            close(fd);
            unlink(tempPath.c_str());
            throw;
        }
        sink.Flush();
        error = sink.Error();
    }
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && rename(tempPath.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(tempPath.c_str());
        return error;
    }
    SyncFolder(FolderOf(target));
    return 0;
}

CFileSource::~CFileSource() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

int CFileSource::Open(const std::string& path) {
    // Non-blocking, so that opening a pipe without a writer cannot hang.
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        return errno;
    }
    struct stat info {};
    if (fstat(m_fd, &info) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    if (!S_ISREG(info.st_mode)) {
        return EINVAL;  // a pipe or a device could block or never end
    }
    m_remaining = static_cast<std::uint64_t>(info.st_size);
    m_buffer.resize(kBufferSize);
    m_pos = m_end = m_buffer.data();
    return 0;
}

bool CFileSource::Refill() {
    if (m_fd < 0 || m_error != 0 || m_remaining == 0) {
        return false;
    }
    for (;;) {
        const ssize_t got = read(m_fd, m_buffer.data(), m_buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            m_error = errno;
            return false;
        }
        if (got == 0) {
            m_remaining = 0;  // the file shrank while we read it
            return false;
        }
        const auto count = static_cast<std::uint64_t>(got);
        m_remaining = count > m_remaining ? 0 : m_remaining - count;
        m_pos = m_buffer.data();
        m_end = m_pos + got;
        return true;
    }
}

bool CFileSource::ReadSlow(std::uint8_t* out, std::size_t size) {
    while (size > 0) {
        if (m_pos == m_end && !Refill()) {
            return false;
        }
        const std::size_t chunk = std::min(size, static_cast<std::size_t>(m_end - m_pos));
        std::memcpy(out, m_pos, chunk);
        m_pos += chunk;
        out += chunk;
        size -= chunk;
    }
    return true;
}
