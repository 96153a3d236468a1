#pragma once

#include <QString>
#include <QWidget>

#include "display/GraphSetting.h"
#include "record/LimitWatcher.h"
#include "record/RecordingTarget.h"

class CDataListModel;
class CGraphDlg;
class CRoZudozuvDoc;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTableView;

// The one view of every document: the tabs "Graph", "Data List" and
// "Summary" over three panes, and the "Copy Graph" button. It is the
// document's recording target, so live readings, meter-record frames and
// adopted downloads reach its graph, list and summary.
class CRoZudozuvView : public QWidget, public CRecordingTarget {
    Q_OBJECT
  public:
    explicit CRoZudozuvView(CRoZudozuvDoc& document, QWidget* parent = nullptr);
    ~CRoZudozuvView() override;

    // Once, when the view is first shown for its document: a document read
    // from a file gets its list, summary and graph range.
    void OnInitialUpdate();

    // File > Print > Graph and Data, Graph Setting > Setting.
    void OnPrintGraph();
    void OnPrintData();
    void OnGraphSetting();

    // CRecordingTarget hooks.
    void RefreshGraph() override;
    void InvalidateGraph() override;
    void SetYRange(double top, double bottom) override;
    void RefreshSummary() override;

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
    // A row for a new record was listed: the document has changed.
    void recordsAdded();
    // A live reading crossed the limits into `side` (Within: back within).
    void limitCrossed(LimitSide side, double value);

  protected:
    void OnListRowAppended(const ListRow& row) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateList();
    void ShowPane(int tab);
    void OnCopyGraph();

    CGraphDlg* m_pGraph;
    QTabBar* m_pTabs;
    QTableView* m_pList;
    CDataListModel* m_pModel;
    QPlainTextEdit* m_pSummary;
    QPushButton* m_pCopyGraph;
    QString m_strSummary;
    GraphManualScale m_manualScale;
    CLimitWatcher m_limits;  // the Setting dialog's list choices, kept with the view
};
