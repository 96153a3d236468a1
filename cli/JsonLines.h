#pragma once

// The live JSON-lines stream of `vavirir-cli record --jsonl`: one object per
// recorded reading (ReadingJson), written as soon as the reading is recorded.

#include <cstddef>
#include <string>

#include "docview/ReadingJson.h"
#include "record/Document.h"
#include "record/LimitWatcher.h"

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
