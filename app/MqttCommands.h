#pragma once

#include <QObject>
#include <QString>
#include <functional>

class CMqttPublishing;
class QAction;
class QWidget;

// Real Time > Publish to MQTT… and MQTT Publishing: the broker's settings,
// kept in the program's settings, and publishing switched on and off.
class CMqttCommands : public QObject {
    Q_OBJECT
  public:
    // Starts publishing as the settings last said; `warn` shows a settings
    // file that could not be written.
    CMqttCommands(CMqttPublishing& publishing, QAction* settings, QAction* publish, QWidget* window,
                  std::function<void(const QString&)> warn);

  private:
    void EditSettings();
    void SetEnabled(bool enabled);

    CMqttPublishing& m_publishing;
    QAction* m_pPublish;
    QWidget* m_pWindow;
    std::function<void(const QString&)> m_warn;
};
