#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <functional>

#include "app/DocumentManager.h"
#include "docview/ui/RoZudozuvView.h"
#include "record/Document.h"

// One document window inside the main frame's MDI area: shows a document of
// the document manager through the document's view, opens maximised, and
// marks its title with "*" while the document holds records not yet saved.
// Closing it asks the manager whether the document may go, and closes the
// document; the manager lets it go once the window is deleted.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
  public:
    // `onDetach` runs once when the window closes or goes, before its view is
    // deleted (the frame takes the document out of the recording routes there).
    CChildFrame(CDocumentManager& documents, CRoZudozuvDoc& document,
                std::function<void(CRoZudozuvDoc&)> onDetach, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CRoZudozuvDoc& Document() const { return m_document; }
    CRoZudozuvView& View() const { return *m_pView; }

    // The name the document goes by: "New File1" or the file's name.
    QString Title() const;
    // The file the document was read from or saved to; empty for a new one.
    QString FilePath() const;
    // The title's modified mark follows the document.
    void UpdateModified();

    void RefreshSummary() { m_pView->RefreshSummary(); }
    QString SummaryText() const { return m_pView->SummaryText(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Takes the document out of the recording routes (once).
    void Detach();
    void ShowTitle();

    QPointer<CDocumentManager> m_pDocuments;
    CRoZudozuvDoc& m_document;
    CRoZudozuvView* m_pView;
    std::function<void(CRoZudozuvDoc&)> m_onDetach;
};
