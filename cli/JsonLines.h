#pragma once

// The live JSON-lines stream of `vavirir-cli record --jsonl`: one object per
// recorded reading, written as soon as the reading is recorded.

#include <cstddef>
#include <string>

#include "record/Document.h"
#include "record/LimitWatcher.h"

// One reading as a line of JSON without its line end, e.g.
//   {"seq":1,"time":"2026-12-08T06:01:02+01:00","value":1.25,"unit":"V","type":"VDC","overload":false}
// `seq` counts the readings from 1; `time` is ISO 8601 local time with its UTC
// offset when the time text can be read, otherwise the text itself; `value` is
// "%.9g" in any locale, and null for an overload ("overload":true) or a value
// JSON cannot hold. A reading outside its limits ends with "limit":"high" or
// "limit":"low".
std::string JsonLine(std::size_t seq, const CObData& record, LimitSide side = LimitSide::Within);

// Writes the lines to standard output ("-") or to a file made afresh. Each
// line goes out with its line end in one write, so a reader sees whole lines
// at once. The stream ends for good when its reader goes away (EPIPE) or a
// write fails otherwise.
class CJsonLinesStream {
  public:
    enum class State { Open, ReaderGone, Failed };

    CJsonLinesStream() = default;
    ~CJsonLinesStream();
    CJsonLinesStream(const CJsonLinesStream&) = delete;
    CJsonLinesStream& operator=(const CJsonLinesStream&) = delete;

    // Opens the stream; on failure returns false and Error() says why.
    bool Open(const std::string& path);
    // Writes the lines of the live readings (channel 0) of doc not written yet.
    void Follow(const CRoZudozuvDoc& doc);
    // Writes the line of the next reading; its seq follows the lines before,
    // whichever document they came from.
    void Write(const CObData& record, LimitSide side);
    // Closes a file stream; a failure to close is a failed write.
    void Close();

    State GetState() const { return m_state; }
    // Why the stream could not be opened or written.
    const std::string& Error() const { return m_strError; }
    std::size_t LinesWritten() const { return m_nWritten; }
    bool IsStandardOutput() const { return m_path == "-"; }
    const std::string& Path() const { return m_path; }

  private:
    bool WriteAll(const std::string& line);

    std::string m_path;
    int m_fd = -1;
    State m_state = State::Open;
    std::string m_strError;
    std::size_t m_nWritten = 0;
};
