#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QString>

#include "mqtt/MqttUrl.h"

// Where the desktop program publishes: kept in QSettings (group "MQTT"), the
// password apart in a file only the user can read (mode 0600).
struct MqttGuiSettings {
    QString host;
    int port = 1883;
    QString topic;  // empty: vavirir/<meter>
    QString user;
    QString password;
    bool tls = false;
    bool enabled = false;

    // The broker these settings name; the topic must be a valid one.
    MqttBroker Broker() const;
};

// $XDG_CONFIG_HOME/vavirir/mqtt-password (default ~/.config/vavirir/).
QString MqttPasswordPath();
MqttGuiSettings LoadMqttSettings(QSettings& settings);
// Fails when the password file cannot be written.
Status SaveMqttSettings(QSettings& settings, const MqttGuiSettings& mqtt);

// Real Time > Publish to MQTT…: broker, port, topic, user, password and TLS.
// OK is refused (the reason shown in the dialog) while the broker is empty or
// the topic is not one a broker takes.
class CMqttDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CMqttDlg(const MqttGuiSettings& settings, QWidget* parent = nullptr);

    // The settings as edited (enabled as given).
    MqttGuiSettings Settings() const;

    void accept() override;

  private:
    MqttGuiSettings m_settings;
    QLineEdit* m_pHost;
    QSpinBox* m_pPort;
    QLineEdit* m_pTopic;
    QLineEdit* m_pUser;
    QLineEdit* m_pPassword;
    QCheckBox* m_pTls;
    QLabel* m_pProblem;
};
