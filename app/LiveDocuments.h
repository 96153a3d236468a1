#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "app/ConnectionDriver.h"
#include "record/LimitWatcher.h"

class CChildFrame;
class CDocumentManager;
class CDocumentWindows;
class CMqttPublishing;
class IClock;

// What the meter's connection asks of the desktop program's documents: a new
// live document in its own window, whether one records, a full recording
// going on in a new window, an adopted download. After each decoded block it
// says when full documents stopped the recording and hands the new readings
// to MQTT; it also words the limit crossings of the windows.
class CLiveDocuments : public QObject, public IConnectionDocuments {
    Q_OBJECT
  public:
    struct Sources {
        CDocumentManager& documents;
        CDocumentWindows& windows;
        CMqttPublishing& mqtt;
        const IClock& clock;
        std::function<CMeterSession&()> session;
        std::function<bool()> continuesWhenFull;  // Real Time > Continue … when full
    };
    CLiveDocuments(Sources sources, QObject* parent);

    // Around each block the connection decodes.
    void BeforeReceive();
    void AfterReceive();
    // A live reading of `child` crossed its limits: a status text and a beep.
    void LimitCrossed(CChildFrame& child, LimitSide side, double value);

    // IConnectionDocuments
    CRoZudozuvDoc* OpenNewDocument() override;
    void DownloadAdopted(CRoZudozuvDoc& document) override;
    bool ContinuesWhenFull() const override { return m_sources.continuesWhenFull(); }
    void RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) override;
    bool Recording() const override;

  signals:
    void statusMessage(const QString& text);
    // Why the recording stopped; `alsoInABox` once the receive path returned.
    void recordingStopped(const QString& why, bool alsoInABox);

  private:
    Sources m_sources;
    bool m_bWasRunning = false;              // before the block being decoded
    std::vector<CChildFrame*> m_liveBefore;  // live windows before it
};
