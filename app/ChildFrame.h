#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "record/Document.h"
#include "record/RecordingTarget.h"

// The recording side of a document window: keeps the summary text in step
// with the document while it is live.
class CSummaryTarget : public CRecordingTarget {
  public:
    CSummaryTarget(CRoZudozuvDoc& document, std::function<void()> onRefresh)
        : CRecordingTarget(document), m_onRefresh(std::move(onRefresh)) {}

    void RefreshSummary() override {
        if (m_onRefresh) {
            m_onRefresh();
        }
    }

  protected:
    // The window shows only the summary, so it follows every record listed
    // (meter-record documents are not live, yet their records arrive).
    void OnListRowAppended(const ListRow&) override { RefreshSummary(); }

  private:
    std::function<void()> m_onRefresh;
};

// One document window: owns its document and the document's view, and shows
// the document's summary in a read-only box.
class CChildFrame : public QWidget {
    Q_OBJECT
  public:
    // `onDestroy` runs once when the window closes or goes, before its view and
    // document are deleted (the frame unregisters the view there).
    CChildFrame(std::unique_ptr<CRoZudozuvDoc> document,
                std::function<void(CRecordingTarget&)> onDestroy, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CRoZudozuvDoc& Document() const { return *m_pDocument; }
    CRecordingTarget& View() const { return *m_pView; }

    // The file the document was read from or saved to; empty for a new one.
    const QString& FilePath() const { return m_strFilePath; }
    void SetFilePath(const QString& path);

    // Re-formats the summary text from the document.
    void RefreshSummary();
    QString SummaryText() const { return m_pSummary->toPlainText(); }

    // A command meant for the document's view (graph tools, settings). The
    // window has no graph yet, so it takes none of them.
    bool HandleCommand(int id);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Takes the view out of the recording routes (once).
    void Detach();

    std::unique_ptr<CRoZudozuvDoc> m_pDocument;
    std::unique_ptr<CSummaryTarget> m_pView;
    std::function<void(CRecordingTarget&)> m_onDestroy;
    QPlainTextEdit* m_pSummary;
    QString m_strFilePath;
};
