#pragma once

#include <QMdiSubWindow>
#include <QString>
#include <functional>
#include <memory>

#include "docview/ui/RoZudozuvView.h"
#include "record/Document.h"

// One document window inside the main frame's MDI area: owns its document
// and the document's view, opens maximised, and marks its title with "*"
// while the document holds records not yet saved.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
  public:
    // `onDestroy` runs once when the window closes or goes, before its view and
    // document are deleted (the frame unregisters the document there).
    CChildFrame(std::unique_ptr<CRoZudozuvDoc> document,
                std::function<void(CRoZudozuvDoc&)> onDestroy, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CRoZudozuvDoc& Document() const { return *m_pDocument; }
    CRoZudozuvView& View() const { return *m_pView; }

    // The name the document goes by: "New File1" or the file's name.
    const QString& Title() const { return m_strTitle; }
    void SetTitle(const QString& title);
    // The file the document was read from or saved to; empty for a new one.
    const QString& FilePath() const { return m_strFilePath; }
    // Sets the file and takes its name as the title.
    void SetFilePath(const QString& path);
    // The title's modified mark follows the document.
    void UpdateModified();

    void RefreshSummary() { m_pView->RefreshSummary(); }
    QString SummaryText() const { return m_pView->SummaryText(); }

    // A command meant for the document's view (graph tools).
    bool HandleCommand(int id) { return m_pView->HandleCommand(id); }

    // Asked before the window closes; false keeps it open (the question
    // whether to save the document).
    void SetCloseQuery(std::function<bool(CChildFrame&)> query) { m_closeQuery = std::move(query); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Takes the document out of the recording routes (once).
    void Detach();
    void ShowTitle();

    std::unique_ptr<CRoZudozuvDoc> m_pDocument;
    CRoZudozuvView* m_pView;
    std::function<void(CRoZudozuvDoc&)> m_onDestroy;
    std::function<bool(CChildFrame&)> m_closeQuery;
    QString m_strTitle;
    QString m_strFilePath;
};
