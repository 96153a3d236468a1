#include "app/ChildFrame.h"

#include <QCloseEvent>
#include <QFileInfo>

CChildFrame::CChildFrame(std::unique_ptr<CRoZudozuvDoc> document,
                         std::function<void(CRoZudozuvDoc&)> onDestroy, QWidget* parent)
    : QMdiSubWindow(parent),
      m_pDocument(std::move(document)),
      m_pView(new CRoZudozuvView(*m_pDocument)),
      m_onDestroy(std::move(onDestroy)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(m_pView);
    connect(m_pView, &CRoZudozuvView::recordsAdded, this, &CChildFrame::UpdateModified);
}

CChildFrame::~CChildFrame() {
    Detach();
    // The view refers to the document: it goes first.
    delete m_pView;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_closeQuery && !m_closeQuery(*this)) {
        event->ignore();
        return;
    }
    // The window is deleted later; no reading may reach it in between.
    Detach();
    QMdiSubWindow::closeEvent(event);
}

void CChildFrame::Detach() {
    if (m_onDestroy) {
        m_onDestroy(*m_pDocument);
        m_onDestroy = nullptr;
    }
}

void CChildFrame::SetTitle(const QString& title) {
    m_strTitle = title;
    ShowTitle();
}

// The mark is written out rather than left to a "[*]" placeholder: the main
// frame copies a maximised child's title into its own, placeholder and all.
// The document decides the mark, so a title set just after a save shows it clean.
void CChildFrame::ShowTitle() {
    // The attribute alone: setWindowModified would look for a "[*]" in a
    // title that has none and warn on standard error.
    setAttribute(Qt::WA_WindowModified, m_pDocument->IsModified());
    setWindowTitle(isWindowModified() ? m_strTitle + QStringLiteral("*") : m_strTitle);
}

void CChildFrame::SetFilePath(const QString& path) {
    m_strFilePath = path;
    SetTitle(QFileInfo(path).fileName());
}

void CChildFrame::UpdateModified() {
    if (m_pDocument->IsModified() != isWindowModified()) {
        ShowTitle();
    }
}
