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
    m_engine.SetRunning(true);
    return true;
}

void CMeterSession::Stop() {
    for (CRecordingTarget* view : m_registry.Views()) {
        if (view->liveTarget) {
            view->Document().acquiring = false;
            view->liveTarget = false;
        }
    }
    // Cleared even when no live view is left (its document may have been
    // closed); otherwise Start would stay disabled.
    m_engine.SetRunning(false);
}

void CMeterSession::HaltAcquisition() {
    for (CRecordingTarget* view : m_registry.Views()) {
        if (view->liveTarget) {
            view->Document().acquiring = false;
        }
    }
    m_engine.SetRunning(false);
}

CRecordingTarget* CMeterSession::OpenRegisteredDocument() {
    CRecordingTarget* view = m_host.OpenNewDocument();
    if (view != nullptr) {
        m_registry.Add(view);
    }
    return view;
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
                      [this](CRecordingTarget& full) { return DocumentFull(full); });
}

CRecordingTarget* CMeterSession::DocumentFull(CRecordingTarget& full) {
    if (m_host.ContinuesWhenFull()) {
        if (CRecordingTarget* next = OpenRegisteredDocument()) {
            full.liveTarget = false;
            full.Document().acquiring = false;
            m_host.RecordingContinued(full, *next);
            return next;
        }
    }
    Stop();
    return nullptr;
}

void CMeterSession::RecordMeterFrame(MeterReading& reading, MeterRecordMode mode) {
    MeterRecordRouting routing;
    routing.openTarget = [this]() -> CRecordingTarget* {
        CRecordingTarget* view = OpenRegisteredDocument();
        if (view != nullptr) {
            view->meterRecordTarget = true;
            view->liveTarget = false;
        }
        return view;
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
    CRecordingTarget* view = OpenRegisteredDocument();
    if (view == nullptr) {
        // The records wait in the engine's list for the next download's document.
        return;
    }
    std::vector<CObData> records = m_engine.TakeDownloadedRecords();
    ImportDownloadedRecords(*view, records);
    m_host.DownloadAdopted(*view);
}
