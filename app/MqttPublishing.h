#pragma once

#include <QLabel>
#include <QObject>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/MqttDlg.h"
#include "docview/ReadingJson.h"
#include "mqtt/MqttPublisher.h"
#include "record/DocumentRegistry.h"

// The desktop program's publishing to an MQTT broker: the readings of the
// newest live document go out as their JSON objects, the meter's link state
// as the retained status, and a status bar pane shows the broker's state.
// The publisher runs while publishing is on and a meter is open; a new meter
// name (the default topic names it) starts it afresh.
class CMqttPublishing : public QObject {
    Q_OBJECT
  public:
    // The pane goes into the status bar; it is hidden while publishing is off.
    explicit CMqttPublishing(QObject* parent = nullptr);
    ~CMqttPublishing() override;

    QLabel* Pane() const { return m_pPane; }

    // The settings to publish with; publishing is on when they say so.
    void Configure(const MqttGuiSettings& settings);
    const MqttGuiSettings& Settings() const { return m_settings; }
    bool Enabled() const { return m_settings.enabled; }

    // The meter's link came up under this port name, or went (nothing).
    void SetMeter(std::optional<std::string> portName);
    // After received bytes: publishes what the newest live document gained,
    // each reading marked with the side of its window's limits. The readings
    // are numbered on across documents, as the command line numbers them on
    // across its files.
    void Follow(const CDocumentRegistry& registry,
                const std::function<Limits(const CRoZudozuvDoc&)>& limitsOf);
    // A document's window goes.
    void Forget(const CRoZudozuvDoc& doc);

    // The publisher while one runs (tests and the benchmark look at it).
    const CMqttPublisher* Publisher() const { return m_pPublisher.get(); }

  private:
    void Restart();
    void StopPublisher();
    void Redraw();

    MqttGuiSettings m_settings;
    std::optional<std::string> m_meter;
    std::string m_strPrefix;  // the topics of the running publisher
    std::unique_ptr<CMqttPublisher> m_pPublisher;
    const CRoZudozuvDoc* m_pFollowed = nullptr;
    std::set<const CRoZudozuvDoc*> m_seen;  // documents followed before
    std::size_t m_nHanded = 0;              // readings of m_pFollowed published
    std::size_t m_nPublished = 0;           // readings published, the last one's seq
    QLabel* m_pPane;
    QTimer m_redraw;
};
