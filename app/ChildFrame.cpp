#include "app/ChildFrame.h"

#include <QCloseEvent>

CChildFrame::CChildFrame(CDocumentManager& documents, CRoZudozuvDoc& document,
                         std::function<void(CRoZudozuvDoc&)> onDetach, QWidget* parent)
    : QMdiSubWindow(parent),
      m_pDocuments(&documents),
      m_document(document),
      m_pView(new CRoZudozuvView(document)),
      m_onDetach(std::move(onDetach)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(m_pView);
    connect(m_pView, &CRoZudozuvView::recordsAdded, this, &CChildFrame::UpdateModified);
    connect(&documents, &CDocumentManager::titleChanged, this, [this](CRoZudozuvDoc* changed) {
        if (changed == &m_document) {
            ShowTitle();
        }
    });
    ShowTitle();
}

CChildFrame::~CChildFrame() {
    Detach();
    // The view refers to the document: it goes first, then the document.
    delete m_pView;
    if (m_pDocuments != nullptr) {
        m_pDocuments->Release(m_document);
    }
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_pDocuments != nullptr && !m_pDocuments->QueryClose(m_document)) {
        event->ignore();
        return;
    }
    // The window is deleted later; no reading may reach it in between, and
    // its file may open again at once.
    Detach();
    if (m_pDocuments != nullptr) {
        m_pDocuments->Close(m_document);
    }
    QMdiSubWindow::closeEvent(event);
}

void CChildFrame::Detach() {
    if (m_onDetach) {
        m_onDetach(m_document);
        m_onDetach = nullptr;
    }
}

QString CChildFrame::Title() const {
    return m_pDocuments != nullptr ? m_pDocuments->Title(m_document) : QString();
}

QString CChildFrame::FilePath() const {
    return m_pDocuments != nullptr ? m_pDocuments->FilePath(m_document) : QString();
}

// The mark is written out rather than left to a "[*]" placeholder: the main
// frame copies a maximised child's title into its own, placeholder and all.
// The document decides the mark, so a title set just after a save shows it clean.
void CChildFrame::ShowTitle() {
    // The attribute alone: setWindowModified would look for a "[*]" in a
    // title that has none and warn on standard error.
    setAttribute(Qt::WA_WindowModified, m_document.IsModified());
    const QString title = Title();
    setWindowTitle(isWindowModified() ? title + QStringLiteral("*") : title);
}

void CChildFrame::UpdateModified() {
    if (m_document.IsModified() != isWindowModified()) {
        ShowTitle();
    }
}
