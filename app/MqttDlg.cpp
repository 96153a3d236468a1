#include "app/MqttDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QVBoxLayout>

#include "mqtt/PasswordFile.h"

namespace {

const char* const kGroup = "MQTT";

}  // namespace

MqttBroker MqttGuiSettings::Broker() const {
    MqttBroker broker;
    broker.tls = tls;
    broker.host = host.trimmed().toStdString();
    broker.port = port;
    broker.user = user.toStdString();
    if (!password.isEmpty()) {
        broker.password = password.toStdString();
    }
    broker.topic = topic.trimmed().toStdString();
    return broker;
}

QString MqttPasswordPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty()) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/vavirir/mqtt-password");
}

MqttGuiSettings LoadMqttSettings(QSettings& settings) {
    MqttGuiSettings mqtt;
    settings.beginGroup(QLatin1String(kGroup));
    mqtt.host = settings.value(QStringLiteral("Broker")).toString();
    mqtt.port = settings.value(QStringLiteral("Port"), 1883).toInt();
    mqtt.topic = settings.value(QStringLiteral("Topic")).toString();
    mqtt.user = settings.value(QStringLiteral("User")).toString();
    mqtt.tls = settings.value(QStringLiteral("Tls"), false).toBool();
    mqtt.enabled = settings.value(QStringLiteral("Enabled"), false).toBool();
    settings.endGroup();
    const QString path = MqttPasswordPath();
    if (QFileInfo::exists(path)) {
        // Unreadable: the broker then says the login is wrong.
        if (const Result<std::string> password =
                ReadPasswordFile(QFile::encodeName(path).toStdString())) {
            mqtt.password = QString::fromStdString(*password);
        }
    }
    return mqtt;
}

Status SaveMqttSettings(QSettings& settings, const MqttGuiSettings& mqtt) {
    settings.beginGroup(QLatin1String(kGroup));
    settings.setValue(QStringLiteral("Broker"), mqtt.host);
    settings.setValue(QStringLiteral("Port"), mqtt.port);
    settings.setValue(QStringLiteral("Topic"), mqtt.topic);
    settings.setValue(QStringLiteral("User"), mqtt.user);
    settings.setValue(QStringLiteral("Tls"), mqtt.tls);
    settings.setValue(QStringLiteral("Enabled"), mqtt.enabled);
    settings.endGroup();
    const QString path = MqttPasswordPath();
    if (mqtt.password.isEmpty()) {
        QFile::remove(path);
        return {};
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    return WritePasswordFile(QFile::encodeName(path).toStdString(), mqtt.password.toStdString());
}

CMqttDlg::CMqttDlg(const MqttGuiSettings& settings, QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_pHost(new QLineEdit(settings.host, this)),
      m_pPort(new QSpinBox(this)),
      m_pTopic(new QLineEdit(settings.topic, this)),
      m_pUser(new QLineEdit(settings.user, this)),
      m_pPassword(new QLineEdit(settings.password, this)),
      m_pTls(new QCheckBox(QStringLiteral("Use &TLS (mqtts, the system's certificates)"), this)),
      m_pProblem(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Publish to MQTT"));
    setObjectName(QStringLiteral("mqttDialog"));
    m_pHost->setObjectName(QStringLiteral("mqttBroker"));
    m_pHost->setPlaceholderText(QStringLiteral("broker.lan or 192.168.1.10"));
    m_pPort->setObjectName(QStringLiteral("mqttPort"));
    m_pPort->setRange(1, 65535);
    m_pPort->setValue(settings.port);
    m_pTopic->setObjectName(QStringLiteral("mqttTopic"));
    m_pTopic->setPlaceholderText(QStringLiteral("vavirir/<meter>"));
    m_pUser->setObjectName(QStringLiteral("mqttUser"));
    m_pPassword->setObjectName(QStringLiteral("mqttPassword"));
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pTls->setObjectName(QStringLiteral("mqttTls"));
    m_pTls->setChecked(settings.tls);
    // The usual port follows TLS while the user kept the usual one.
    connect(m_pTls, &QCheckBox::toggled, this, [this](bool tls) {
        if (m_pPort->value() == (tls ? 1883 : 8883)) {
            m_pPort->setValue(tls ? 8883 : 1883);
        }
    });
    m_pProblem->setObjectName(QStringLiteral("mqttProblem"));
    m_pProblem->setStyleSheet(QStringLiteral("color: #b00000"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Broker:"), m_pHost);
    form->addRow(QStringLiteral("&Port:"), m_pPort);
    form->addRow(QStringLiteral("T&opic:"), m_pTopic);
    form->addRow(QStringLiteral("&User:"), m_pUser);
    form->addRow(QStringLiteral("Pass&word:"), m_pPassword);
    form->addRow(QString(), m_pTls);
    auto* note = new QLabel(
        QStringLiteral("Each reading goes to TOPIC/reading as JSON, and \"online\" or \"offline\" "
                       "to TOPIC/status. The password is kept in a file only you can read."),
        this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_pProblem);
    layout->addWidget(buttons);
}

MqttGuiSettings CMqttDlg::Settings() const {
    MqttGuiSettings settings = m_settings;
    settings.host = m_pHost->text().trimmed();
    settings.port = m_pPort->value();
    settings.topic = m_pTopic->text().trimmed();
    settings.user = m_pUser->text().trimmed();
    settings.password = m_pPassword->text();
    settings.tls = m_pTls->isChecked();
    return settings;
}

void CMqttDlg::accept() {
    const MqttGuiSettings settings = Settings();
    // The URL parser checks what the command line's --mqtt would.
    std::string url = settings.tls ? "mqtts://" : "mqtt://";
    url += settings.host.toStdString() + ":" + std::to_string(settings.port);
    if (!settings.topic.isEmpty()) {
        url += "/" + settings.topic.toStdString();
    }
    const Result<MqttBroker> parsed = ParseMqttUrl(url);
    if (settings.host.isEmpty() || settings.host.contains(QLatin1Char('/')) ||
        settings.host.contains(QLatin1Char('@'))) {
        m_pProblem->setText(QStringLiteral("Enter the broker's host name or address."));
        return;
    }
    if (!parsed) {
        QString text = QString::fromStdString(parsed.Message()) + QLatin1Char('.');
        text[0] = text[0].toUpper();
        m_pProblem->setText(text);
        return;
    }
    QDialog::accept();
}
