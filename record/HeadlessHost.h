#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "record/Document.h"
#include "record/MeterSession.h"
#include "record/RecordingTarget.h"

// The program around a meter session when there are no windows (the CLI):
// every document it opens is kept, with a plain view, in creation order;
// bytes for the meter go to an optional writer; progress is not shown.
class CHeadlessSessionHost : public ISessionHost {
  public:
    using Writer = std::function<void(const std::uint8_t* bytes, std::size_t count)>;

    explicit CHeadlessSessionHost(Writer writer = {}, int readSize = 100)
        : m_writer(std::move(writer)), m_nReadSize(readSize) {}

    CRecordingTarget* OpenNewDocument() override;
    void ReadingDecoded(const MeterReading&, FaceNumber, DialPosition, bool) override {}
    void WriteToMeter(const std::uint8_t* bytes, std::size_t count) override;
    int ReadSize() const override { return m_nReadSize; }
    void SetReadSize(int bytes) override { m_nReadSize = bytes; }
    void ShowDownloadProgress(int) override {}
    void SetDownloadProgress(int) override {}
    void CloseDownloadProgress() override {}

    // Every document opened so far, oldest first.
    std::vector<const CRoZudozuvDoc*> Documents() const;

  private:
    struct OpenDocument {
        std::unique_ptr<CRoZudozuvDoc> document;
        std::unique_ptr<CRecordingTarget> view;
    };
    std::vector<OpenDocument> m_documents;
    Writer m_writer;
    int m_nReadSize;
};
