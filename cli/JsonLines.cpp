#include "cli/JsonLines.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "cli/Json.h"
#include "decode/MeterReading.h"
#include "docview/CsvExport.h"

namespace {

// "%.9g" without depending on the process locale.
std::string ValueText(double value) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    return std::string(text, result.ptr);
}

std::string LimitMember(LimitSide side) {
    switch (side) {
        case LimitSide::High:
            return ",\"limit\":\"high\"";
        case LimitSide::Low:
            return ",\"limit\":\"low\"";
        case LimitSide::Within:
            break;
    }
    return "";
}

}  // namespace

std::string JsonLine(std::size_t seq, const CObData& record, LimitSide side) {
    const bool overload = record.value == kOverloadValue;
    const bool number = !overload && std::isfinite(record.value);
    return "{\"seq\":" + std::to_string(seq) +
           ",\"time\":" + JsonString(IsoLocalTime(record.timeText)) +
           ",\"value\":" + (number ? ValueText(record.value) : std::string("null")) +
           ",\"unit\":" + JsonString(record.unit) + ",\"type\":" + JsonString(record.typeText) +
           ",\"overload\":" + (overload ? "true" : "false") + LimitMember(side) + "}";
}

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

void CJsonLinesStream::Follow(const CRoZudozuvDoc& doc) {
    const std::vector<CObData>& records = doc.channels[0];
    while (m_state == State::Open && m_nWritten < records.size()) {
        if (!WriteAll(JsonLine(m_nWritten + 1, records[m_nWritten]) + "\n")) {
            return;
        }
        ++m_nWritten;
    }
}

void CJsonLinesStream::Write(const CObData& record, LimitSide side) {
    if (m_state == State::Open && WriteAll(JsonLine(m_nWritten + 1, record, side) + "\n")) {
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
