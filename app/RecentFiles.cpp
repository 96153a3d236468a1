#include "app/RecentFiles.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include "app/ProgramSettings.h"
#include "common/ui/CommandIds.h"

namespace {

const char* const kGroup = "Recent File List";

QString KeyOf(int number) {
    return QStringLiteral("File%1").arg(number);
}

}  // namespace

CRecentFiles::CRecentFiles(QObject* parent) : QObject(parent) {
    CProgramSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    for (int i = 1; i <= kCount; ++i) {
        const QString path = settings.value(KeyOf(i)).toString();
        if (!path.isEmpty()) {
            m_files.append(path);
        }
    }
}

void CRecentFiles::Add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > kCount) {
        m_files.removeLast();
    }
    Changed();
}

void CRecentFiles::Remove(const QString& path) {
    m_files.removeAll(QFileInfo(path).absoluteFilePath());
    Changed();
}

void CRecentFiles::ShowIn(QMenu* menu, QAction* anchor) {
    m_pMenu = menu;
    m_pAnchor = anchor;
    RebuildMenu();
}

void CRecentFiles::Changed() {
    Save();
    RebuildMenu();
}

void CRecentFiles::Save() const {
    CProgramSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    for (int i = 1; i <= kCount; ++i) {
        if (i <= m_files.size()) {
            settings.setValue(KeyOf(i), m_files.at(i - 1));
        } else {
            settings.remove(KeyOf(i));
        }
    }
}

void CRecentFiles::RebuildMenu() {
    if (m_pMenu == nullptr) {
        return;
    }
    for (QAction* entry : m_entries) {
        m_pMenu->removeAction(entry);
        entry->deleteLater();
    }
    m_entries.clear();
    if (m_files.isEmpty()) {
        auto* placeholder = new QAction(tr("Recent File"), m_pMenu);
        placeholder->setData(cmd::kRecentFile);
        placeholder->setEnabled(false);
        m_pMenu->insertAction(m_pAnchor, placeholder);
        m_entries.push_back(placeholder);
    }
    for (int i = 0; i < m_files.size(); ++i) {
        const QString path = m_files.at(i);
        auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path), m_pMenu);
        entry->setData(cmd::kRecentFile + i);
        connect(entry, &QAction::triggered, this, [this, path] { emit openRequested(path); });
        m_pMenu->insertAction(m_pAnchor, entry);
        m_entries.push_back(entry);
    }
}
