#include "cli/JsonLines.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

CJsonLinesStream::~CJsonLinesStream() {
    if (m_fd > STDERR_FILENO) {
        ::close(m_fd);
    }
}

bool CJsonLinesStream::Open(const std::string& path) {
    m_path = path;
    if (path == "-") {
        m_fd = STDOUT_FILENO;
        return true;
    }
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        m_state = State::Failed;
        m_strError = std::strerror(errno);
        return false;
    }
    return true;
}

void CJsonLinesStream::Write(const CObData& record, LimitSide side) {
    if (m_state == State::Open && WriteAll(ReadingJson(m_nWritten + 1, record, side) + "\n")) {
        ++m_nWritten;
    }
}

bool CJsonLinesStream::WriteAll(const std::string& line) {
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(m_fd, line.data() + done, line.size() - done);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        m_state = errno == EPIPE ? State::ReaderGone : State::Failed;
        m_strError = std::strerror(errno);
        return false;
    }
    return true;
}

void CJsonLinesStream::Close() {
    if (m_fd <= STDERR_FILENO) {
        return;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && m_state == State::Open) {
        m_state = State::Failed;
        m_strError = std::strerror(errno);
    }
}
