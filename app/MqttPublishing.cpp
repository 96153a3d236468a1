#include "app/MqttPublishing.h"

#include <stdexcept>

namespace {

constexpr int kRedrawMs = 500;

// The newest open document that takes live readings, or none.
const CRoZudozuvDoc* NewestLiveDocument(const CDocumentRegistry& registry) {
    const auto& documents = registry.Documents();
    for (auto document = documents.rbegin(); document != documents.rend(); ++document) {
        if ((*document)->Role() == DocumentRole::Live) {
            return *document;
        }
    }
    return nullptr;
}

}  // namespace

CMqttPublishing::CMqttPublishing(QObject* parent) : QObject(parent), m_pPane(new QLabel) {
    m_pPane->setObjectName(QStringLiteral("mqttStatus"));
    m_pPane->hide();
    m_redraw.setInterval(kRedrawMs);
    connect(&m_redraw, &QTimer::timeout, this, &CMqttPublishing::Redraw);
}

CMqttPublishing::~CMqttPublishing() {
    StopPublisher();
}

void CMqttPublishing::Configure(const MqttGuiSettings& settings) {
    m_settings = settings;
    StopPublisher();
    Restart();
}

void CMqttPublishing::SetMeter(std::optional<std::string> portName) {
    m_meter = std::move(portName);
    if (m_meter && m_pPublisher && TopicPrefix(m_settings.Broker(), *m_meter) != m_strPrefix) {
        StopPublisher();
    }
    if (!m_pPublisher) {
        Restart();
    }
    if (m_pPublisher) {
        m_pPublisher->SetMeterOnline(m_meter.has_value());
    }
}

void CMqttPublishing::Restart() {
    m_pPane->setVisible(m_settings.enabled);
    if (!m_settings.enabled) {
        m_redraw.stop();
        return;
    }
    m_redraw.start();
    if (!m_meter) {
        m_pPane->setText(QStringLiteral("MQTT: waiting for a meter"));
        return;
    }
    MqttPublisherSettings settings;
    settings.broker = m_settings.Broker();
    m_strPrefix = TopicPrefix(settings.broker, *m_meter);
    settings.topicPrefix = m_strPrefix;
    m_pPublisher = std::make_unique<CMqttPublisher>(settings);
    try {
        m_pPublisher->Start();
    } catch (const std::runtime_error& error) {
        m_pPublisher.reset();
        m_pPane->setText(QStringLiteral("MQTT: ") + QString::fromStdString(error.what()));
        return;
    }
    m_pPublisher->SetMeterOnline(true);
    Redraw();
}

void CMqttPublishing::StopPublisher() {
    if (m_pPublisher) {
        // Said "offline" and gone; readings still queued are not waited for.
        m_pPublisher->Stop(std::chrono::milliseconds(0));
        m_pPublisher.reset();
    }
}

void CMqttPublishing::Follow(const CDocumentRegistry& registry,
                             const std::function<Limits(const CRoZudozuvDoc&)>& limitsOf) {
    if (!m_pPublisher) {
        return;
    }
    const CRoZudozuvDoc* live = NewestLiveDocument(registry);
    if (live == nullptr) {
        return;
    }
    const std::vector<CObData>& records = live->channels[0];
    if (live != m_pFollowed) {
        // A new document starts at its first reading; one followed before
        // resumes at its end (its later readings went out through the newer one).
        m_pFollowed = live;
        const bool before = !m_seen.insert(live).second;
        m_nHanded = before ? records.size() : 0;
    }
    const Limits limits = limitsOf(*live);
    for (; m_nHanded < records.size(); ++m_nHanded) {
        const CObData& reading = records[m_nHanded];
        m_pPublisher->Publish(
            ReadingJson(++m_nPublished, reading, SideOfLimits(limits, reading.value)));
    }
}

void CMqttPublishing::Forget(const CRoZudozuvDoc& doc) {
    m_seen.erase(&doc);
    if (m_pFollowed == &doc) {
        m_pFollowed = nullptr;
    }
}

void CMqttPublishing::Redraw() {
    if (m_pPublisher) {
        m_pPane->setText(QString::fromStdString(MqttStatusText(m_pPublisher->Status())));
    }
}
