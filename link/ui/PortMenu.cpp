#include "link/ui/PortMenu.h"

#include "common/ui/CommandIds.h"
#include "link/ui/PortEntry.h"

CPortMenu::CPortMenu(QMenu* popup, QAction* anchor, Discovery discover, QObject* parent)
    : QObject(parent), m_pPopup(popup), m_pAnchor(anchor), m_discover(std::move(discover)) {
    // Device nodes come and go in bursts; rebuild once things have settled.
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    connect(&m_settle, &QTimer::timeout, this, &CPortMenu::RefreshPortMenu);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
            qOverload<>(&QTimer::start));
}

void CPortMenu::RefreshPortMenu() {
    for (QAction* entry : m_entries) {
        m_pPopup->removeAction(entry);
        entry->deleteLater();
    }
    m_entries.clear();

    if (m_discoverMeters) {
        for (const MeterEntry& meter : m_discoverMeters()) {
            AddEntry(QString::fromStdString(meter.label), QString::fromStdString(meter.port));
        }
    }
    std::vector<std::string> names;
    if (m_discover) {
        names = PortMenuEntries(m_discover());
    }
    for (const std::string& name : names) {
        const QString text = QString::fromStdString(name);
        AddEntry(text, DeviceForEntry(text));
    }
}

void CPortMenu::AddEntry(const QString& text, const QString& port) {
    auto* entry = new QAction(text, m_pPopup);
    entry->setData(cmd::kFirstDiscoveredPort + static_cast<int>(m_entries.size()));
    entry->setStatusTip(tr("Open %1").arg(port));
    connect(entry, &QAction::triggered, this, [this, port] { emit portChosen(port); });
    m_pPopup->insertAction(m_pAnchor, entry);
    m_entries.push_back(entry);
}

void CPortMenu::WatchDevices(const QString& folder) {
    if (!m_watcher.directories().contains(folder)) {
        m_watcher.addPath(folder);
    }
}

QString CPortMenu::DeviceForEntry(const QString& text) {
    return text.startsWith('/') ? text : QStringLiteral("/dev/") + text;
}
