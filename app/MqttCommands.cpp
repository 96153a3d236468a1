#include "app/MqttCommands.h"

#include <QAction>
#include <stdexcept>

#include "app/MqttDlg.h"
#include "app/MqttPublishing.h"
#include "app/ProgramSettings.h"

CMqttCommands::CMqttCommands(CMqttPublishing& publishing, QAction* settings, QAction* publish,
                             QWidget* window, std::function<void(const QString&)> warn)
    : QObject(window),
      m_publishing(publishing),
      m_pPublish(publish),
      m_pWindow(window),
      m_warn(std::move(warn)) {
    CProgramSettings stored;
    const MqttGuiSettings mqtt = LoadMqttSettings(stored);
    m_publishing.Configure(mqtt);
    publish->setChecked(mqtt.enabled);
    connect(settings, &QAction::triggered, this, &CMqttCommands::EditSettings);
    connect(publish, &QAction::triggered, this, &CMqttCommands::SetEnabled);
}

void CMqttCommands::EditSettings() {
    MqttGuiSettings settings = m_publishing.Settings();
    CMqttDlg dialog(settings, m_pWindow);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    settings = dialog.Settings();
    // Setting the broker up is asking to publish to it.
    settings.enabled = true;
    CProgramSettings stored;
    try {
        SaveMqttSettings(stored, settings);
    } catch (const std::runtime_error& error) {
        m_warn(QString::fromStdString(error.what()));
    }
    m_publishing.Configure(settings);
    m_pPublish->setChecked(true);
}

void CMqttCommands::SetEnabled(bool enabled) {
    MqttGuiSettings settings = m_publishing.Settings();
    if (enabled && settings.host.isEmpty()) {
        // Nothing to publish to yet: the dialog asks first.
        m_pPublish->setChecked(false);
        EditSettings();
        return;
    }
    settings.enabled = enabled;
    CProgramSettings().setValue(QStringLiteral("MQTT/Enabled"), enabled);
    m_publishing.Configure(settings);
}
