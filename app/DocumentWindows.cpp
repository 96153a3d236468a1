#include "app/DocumentWindows.h"

#include <QMdiArea>

#include "app/ChildFrame.h"
#include "app/DocumentManager.h"

CDocumentWindows::CDocumentWindows(CDocumentManager& documents, QMdiArea* area,
                                   std::function<void(CRoZudozuvDoc&)> onDetach, QObject* parent)
    : QObject(parent), m_documents(documents), m_pArea(area), m_onDetach(std::move(onDetach)) {
    connect(&documents, &CDocumentManager::created, this, &CDocumentWindows::Add);
    connect(area, &QMdiArea::subWindowActivated, this, &CDocumentWindows::OnActivated);
}

std::vector<CChildFrame*> CDocumentWindows::Children() const {
    std::vector<CChildFrame*> children;
    for (QMdiSubWindow* window : m_pArea->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* child = qobject_cast<CChildFrame*>(window)) {
            children.push_back(child);
        }
    }
    return children;
}

CChildFrame* CDocumentWindows::Active() const {
    return qobject_cast<CChildFrame*>(m_pArea->currentSubWindow());
}

CChildFrame* CDocumentWindows::WindowOf(const CRoZudozuvDoc* document) const {
    for (CChildFrame* child : Children()) {
        if (&child->Document() == document) {
            return child;
        }
    }
    return nullptr;
}

void CDocumentWindows::DeleteAll() {
    const QList<CChildFrame*> windows = m_pArea->findChildren<CChildFrame*>();
    qDeleteAll(windows);
}

void CDocumentWindows::Add(CRoZudozuvDoc* document) {
    auto* child = new CChildFrame(m_documents, *document, m_onDetach);
    m_pArea->addSubWindow(child);
    connect(child, &QObject::destroyed, this, &CDocumentWindows::Changed, Qt::QueuedConnection);
    emit windowAdded(child);
    child->View().OnInitialUpdate();
    child->showMaximized();
    m_pArea->setActiveSubWindow(child);
    Changed();
}

void CDocumentWindows::OnActivated(QMdiSubWindow* window) {
    if (auto* child = qobject_cast<CChildFrame*>(window)) {
        m_pCurrentView = &child->View();
        emit currentViewChanged(m_pCurrentView);
    }
    Changed();
}

void CDocumentWindows::Changed() {
    emit activeChanged(Active() != nullptr);
    emit viewAvailable(m_pCurrentView != nullptr);
}
