#include "record/MeterSession.h"

#include "record/Dispatch.h"
#include "record/Document.h"
#include "record/Import.h"
#include "record/MeterRecords.h"

CMeterSession::CMeterSession(ISessionHost& host, const IClock& clock)
    : m_host(host), m_clock(clock), m_engine(*this, clock) {}

void CMeterSession::OnReceiveBytes(const std::uint8_t* bytes, std::size_t count) {
    if (bytes == nullptr || count == 0) {
        return;
    }
    m_engine.OnReceiveBytes(bytes, count);
}

bool CMeterSession::Start() {
    if (!m_engine.HasReceivedData()) {
        return false;
    }
    if (OpenRegisteredDocument() == nullptr) {
        return false;
    }
    m_bStarted = true;
    return true;
}

void CMeterSession::Stop() {
    for (CRoZudozuvDoc* document : m_registry.Documents()) {
        if (document->Role() == DocumentRole::Live) {
            document->SetRole(DocumentRole::NotRecording);
        }
    }
    // Cleared even when no live document is left (it may have been closed);
    // otherwise Start would stay disabled.
    m_bStarted = false;
}

CRoZudozuvDoc* CMeterSession::OpenRegisteredDocument() {
    CRoZudozuvDoc* document = m_host.OpenNewDocument();
    if (document != nullptr) {
        m_registry.Add(document);
    }
    return document;
}

void CMeterSession::ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                                   bool dialChanged) {
    m_host.ReadingDecoded(reading, face, dial, dialChanged);
}

void CMeterSession::DispatchReading(MeterReading& reading, int channel, double value,
                                    const std::string& unit, double sampleRate,
                                    const std::string& timeText, std::time_t time,
                                    const std::string& typeText, int decimals) {
    ::DispatchReading(m_registry, reading, channel, value, unit, sampleRate, timeText, time,
                      typeText, decimals,
                      [this](CRoZudozuvDoc& full) { return DocumentFull(full); });
}

CRoZudozuvDoc* CMeterSession::DocumentFull(CRoZudozuvDoc& full) {
    if (m_host.ContinuesWhenFull()) {
        if (CRoZudozuvDoc* next = OpenRegisteredDocument()) {
            full.SetRole(DocumentRole::NotRecording);
            m_host.RecordingContinued(full, *next);
            return next;
        }
    }
    Stop();
    return nullptr;
}

void CMeterSession::RecordMeterFrame(MeterReading& reading, MeterRecordMode mode) {
    MeterRecordRouting routing;
    routing.openTarget = [this]() -> CRoZudozuvDoc* {
        CRoZudozuvDoc* document = OpenRegisteredDocument();
        if (document != nullptr) {
            document->SetRole(DocumentRole::MeterRecords);
        }
        return document;
    };
    routing.stop = [this]() { Stop(); };
    ::RecordMeterFrame(m_registry, reading, mode, m_clock.Now(), routing);
}

void CMeterSession::WriteToMeter(const std::uint8_t* bytes, std::size_t count) {
    m_host.WriteToMeter(bytes, count);
}

int CMeterSession::ReadSize() const {
    return m_host.ReadSize();
}

void CMeterSession::SetReadSize(int bytes) {
    m_host.SetReadSize(bytes);
}

void CMeterSession::DownloadStarted(int blockCount) {
    m_host.ShowDownloadProgress(blockCount);
}

void CMeterSession::DownloadProgress(int blocksDone) {
    m_host.SetDownloadProgress(blocksDone);
}

void CMeterSession::DownloadFinished() {
    m_host.CloseDownloadProgress();
    CRoZudozuvDoc* document = OpenRegisteredDocument();
    if (document == nullptr) {
        // The records wait in the engine's list for the next download's document.
        return;
    }
    std::vector<CObData> records = m_engine.TakeDownloadedRecords();
    ImportDownloadedRecords(*document, records);
    m_host.DownloadAdopted(*document);
}
