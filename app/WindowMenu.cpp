#include "app/WindowMenu.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

#include "common/ui/CommandIds.h"

CWindowMenu::CWindowMenu(QMenu* menu, QMdiArea* area)
    : QObject(menu), m_pMenu(menu), m_pArea(area) {
    connect(menu, &QMenu::aboutToShow, this, &CWindowMenu::Rebuild);
}

void CWindowMenu::Rebuild() {
    for (QAction* entry : m_entries) {
        m_pMenu->removeAction(entry);
        entry->deleteLater();
    }
    m_entries.clear();
    const QList<QMdiSubWindow*> windows = m_pArea->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) {
        return;
    }
    m_entries.push_back(m_pMenu->addSeparator());
    const QMdiSubWindow* active = m_pArea->currentSubWindow();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QPointer<QMdiSubWindow> window = windows[i];
        // Numbers 1 to 9 double as mnemonics.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QString::number(i + 1);
        QString title = window->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));  // a file name is no mnemonic
        auto* entry = new QAction(number + QLatin1Char(' ') + title, m_pMenu);
        entry->setData(cmd::kFirstDocumentWindow + static_cast<int>(i));
        entry->setCheckable(true);
        entry->setChecked(window == active);
        connect(entry, &QAction::triggered, this, [this, window] {
            if (window != nullptr) {
                m_pArea->setActiveSubWindow(window);
            }
        });
        m_pMenu->addAction(entry);
        m_entries.push_back(entry);
    }
}
