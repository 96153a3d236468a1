#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "record/Document.h"
#include "record/MeterSession.h"

// The program around a meter session when there are no windows (the CLI):
// every document it opens is kept in creation order;
// bytes for the meter go to an optional writer; progress is not shown. A host
// on a real port overrides the link calls.
class CHeadlessSessionHost : public ISessionHost {
  public:
    using Writer = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    using ContinueHandler = std::function<void(CRoZudozuvDoc& full, CRoZudozuvDoc& next)>;

    // `readSize` stands in for the port's read size.
    explicit CHeadlessSessionHost(int readSize, Writer writer = {});
    ~CHeadlessSessionHost() override;

    // Documents opened from now on stop taking live readings after `records`,
    // as if Stop were chosen right after that reading (0: no limit). A
    // recording that continues in a new document counts on across the
    // documents.
    void SetLiveRecordLimit(std::size_t records) { m_nLiveLimit = records; }

    // A full live document hands the recording on to a new document; the
    // handler is told just before the new one takes its first reading.
    void ContinueWhenFull(ContinueHandler handler) { m_onContinued = std::move(handler); }
    bool ContinuesWhenFull() const override { return static_cast<bool>(m_onContinued); }
    void RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) override;

    // Frees a document, which leaves `registry` too.
    void CloseDocument(const CRoZudozuvDoc& document, CDocumentRegistry& registry);

    CRoZudozuvDoc* OpenNewDocument() override;
    void ReadingDecoded(const MeterReading&, FaceNumber, DialPosition, bool) override {}
    void WriteToMeter(const std::uint8_t* bytes, std::size_t count) override;
    int ReadSize() const override { return m_nReadSize; }
    void SetReadSize(int bytes) override { m_nReadSize = bytes; }
    void ShowDownloadProgress(int) override {}
    void SetDownloadProgress(int) override {}
    void CloseDownloadProgress() override {}
    void DownloadAdopted(CRoZudozuvDoc& document) override { m_pAdopted = &document; }

    // Every document opened so far, oldest first.
    std::vector<const CRoZudozuvDoc*> Documents() const;
    // The document holding the last finished download, or none.
    const CRoZudozuvDoc* AdoptedDownload() const { return m_pAdopted; }

  private:
    class CLiveLimit;
    struct OpenDocument {
        std::unique_ptr<CRoZudozuvDoc> document;
        std::unique_ptr<CLiveLimit> limit;
    };
    std::vector<OpenDocument> m_documents;
    Writer m_writer;
    int m_nReadSize;
    std::size_t m_nLiveLimit = 0;
    ContinueHandler m_onContinued;
    const CRoZudozuvDoc* m_pAdopted = nullptr;
};
