#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include "display/GraphSetting.h"
#include "record/Document.h"
#include "record/LimitWatcher.h"

class CDataListModel;
class CGraphDlg;
class CRoZudozuvDoc;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTableView;

// The one view of every document: the tabs "Graph", "Data List" and
// "Summary" over three panes, and the "Copy Graph" button. It observes its
// document: live readings, meter-record frames and adopted downloads reach
// its graph, list and summary as they are appended, and the panes repaint
// together at most kRepaintMs apart.
class CRoZudozuvView : public QWidget, private IDocumentObserver {
    Q_OBJECT
  public:
    static constexpr int kRepaintMs = 33;

    explicit CRoZudozuvView(CRoZudozuvDoc& document, QWidget* parent = nullptr);
    ~CRoZudozuvView() override;

    CRoZudozuvDoc& Document() const { return m_document; }

    // Once, when the view is first shown for its document: a document read
    // from a file gets its list, summary and graph range.
    void OnInitialUpdate();

    // File > Print > Graph and Data, Graph Setting > Setting, Real Time > Limits….
    void OnPrintGraph();
    void OnPrintData();
    void OnGraphSetting();
    void OnLimits();

    // Re-formats the summary text (shown at the next repaint).
    void RefreshSummary();

    CGraphDlg* Graph() const { return m_pGraph; }
    QTabBar* Tabs() const { return m_pTabs; }
    QTableView* List() const { return m_pList; }
    CDataListModel* ListModel() const { return m_pModel; }
    QPlainTextEdit* SummaryEdit() const { return m_pSummary; }
    QPushButton* CopyGraphButton() const { return m_pCopyGraph; }
    // The summary as shown (LF line ends).
    QString SummaryText() const { return m_strSummary; }

    // High and low limits on this window's live readings (Real Time >
    // Limits…): drawn on the graph, watched as readings arrive, counted in
    // the summary.
    void SetLimits(const Limits& limits);
    const Limits& GetLimits() const { return m_limits.GetLimits(); }
    // This window continues the recording of `full`: the same limits, and a
    // reading still outside them is no new crossing.
    void ContinueLimitsFrom(const CRoZudozuvView& full);

  signals:
    // Records were appended: the document has changed.
    void recordsAdded();
    // A live reading crossed the limits into `side` (Within: back within).
    void limitCrossed(LimitSide side, double value);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    // IDocumentObserver
    void RecordsAppended(const CRoZudozuvDoc& document, const AppendedRecords& appended) override;
    void SummaryChanged(const CRoZudozuvDoc& document) override;

    // A live reading against the limits; a crossing is kept in the document.
    std::optional<LimitSide> WatchLimits(const CObData& reading);
    void SetYRange(double top, double bottom);
    // Shows what changed since the last repaint: new rows, new graph
    // segments, the summary text.
    void ScheduleRepaint();
    void Repaint();
    void CreateList();
    void ShowPane(int tab);
    void OnCopyGraph();

    CRoZudozuvDoc& m_document;
    CGraphDlg* m_pGraph;
    QTabBar* m_pTabs;
    QTableView* m_pList;
    CDataListModel* m_pModel;
    QPlainTextEdit* m_pSummary;
    QPushButton* m_pCopyGraph;
    QString m_strSummary;
    QTimer m_repaint;
    bool m_bGraphRedraw = false;  // the whole graph is composed anew
    bool m_bSummaryShown = true;  // the edit shows m_strSummary
    GraphManualScale m_manualScale;
    CLimitWatcher m_limits;  // the Setting dialog's list choices, kept with the view
};
