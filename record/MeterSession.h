#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/Clock.h"
#include "decode/ReceiveEngine.h"
#include "record/DocumentRegistry.h"

// What a meter session needs from the program around it (the main frame, or
// the CLI's headless host).
class ISessionHost {
  public:
    virtual ~ISessionHost() = default;

    // Opens a new empty document (in the live role) with its view, as File
    // New does, or returns nullptr when no document could be opened. The
    // session registers it. The host unregisters it from Registry() when the
    // document closes.
    virtual CRoZudozuvDoc* OpenNewDocument() = 0;

    virtual void ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                                bool dialChanged) = 0;
    virtual void WriteToMeter(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual int ReadSize() const = 0;
    virtual void SetReadSize(int bytes) = 0;
    virtual void ShowDownloadProgress(int blockCount) = 0;
    virtual void SetDownloadProgress(int blocksDone) = 0;
    virtual void CloseDownloadProgress() = 0;
    // A finished download's records now belong to `document`.
    virtual void DownloadAdopted(CRoZudozuvDoc& document) { (void)document; }
    // Whether a live document that is full hands the recording on to a new
    // document instead of stopping it (by default it stops).
    virtual bool ContinuesWhenFull() const { return false; }
    // The recording went on from `full` into the new document `next`, just
    // before `next` takes its first reading.
    virtual void RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) {
        (void)full, (void)next;
    }
};

// The meter's end of the program, shared by the GUI, the CLI and the tests:
// the receive engine, the open documents, and the recording rules that join
// them (live dispatch, meter-record frames, Start and Stop, download adoption).
class CMeterSession : private IReceiveHost {
  public:
    CMeterSession(ISessionHost& host, const IClock& clock);

    // Received bytes, in order, on the GUI thread.
    void OnReceiveBytes(const std::uint8_t* bytes, std::size_t count);

    // Start: only while data arrives; opens a live document and runs the
    // acquisition. True when a document was opened (otherwise nothing changes).
    bool Start();
    // Stop: every live document stops recording; acquisition is no longer
    // running (always, even with no live document left).
    void Stop();
    // Start chosen just as data begins to arrive, before its first bytes are
    // decoded, so that none of their readings is missed.
    bool StartAsDataArrives() {
        m_engine.MarkDataReceived();
        return Start();
    }
    // The link fell silent: every live document stops recording and
    // acquisition stops, also when its document was closed. The next Start
    // records into a new document only.
    void HaltAcquisition() { Stop(); }
    // Acquisition runs: live documents take the live readings.
    bool IsRunning() const { return m_bStarted; }

    // Ends a stalled download with the records received so far.
    void EndDownloadEarly() { m_engine.EndDownloadEarly(); }

    CReceiveEngine& Engine() { return m_engine; }
    const CReceiveEngine& Engine() const { return m_engine; }
    // Every open document, in creation order. Documents the session did not
    // open (File New, Open) are added by the host too: a new document is live
    // like any other until Stop.
    CDocumentRegistry& Registry() { return m_registry; }
    const IClock& Clock() const { return m_clock; }

  private:
    // IReceiveHost
    void ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                        bool dialChanged) override;
    void DispatchReading(MeterReading& reading, int channel, double value, const std::string& unit,
                         double sampleRate, const std::string& timeText, std::time_t time,
                         const std::string& typeText, int decimals) override;
    void RecordMeterFrame(MeterReading& reading, MeterRecordMode mode) override;
    bool TakesLiveReadings() const override { return m_bStarted; }
    void StopAcquisition() override { Stop(); }
    void EndLiveReadings() override { m_bStarted = false; }
    void WriteToMeter(const std::uint8_t* bytes, std::size_t count) override;
    int ReadSize() const override;
    void SetReadSize(int bytes) override;
    void DownloadStarted(int blockCount) override;
    void DownloadProgress(int blocksDone) override;
    void DownloadFinished() override;

    CRoZudozuvDoc* OpenRegisteredDocument();
    // A live document is full: continue in a new one, or stop.
    CRoZudozuvDoc* DocumentFull(CRoZudozuvDoc& full);

    ISessionHost& m_host;
    const IClock& m_clock;
    CDocumentRegistry m_registry;
    CReceiveEngine m_engine;
    bool m_bStarted = false;  // between Start and Stop
};
