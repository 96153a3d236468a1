#include "docview/ui/RoZudozuvView.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <algorithm>
#include <utility>

#include "display/ui/ColorSetting.h"
#include "display/ui/GraphDlg.h"
#include "docview/ViewLayout.h"
#include "docview/ui/DataListModel.h"
#include "docview/ui/GraphClipboard.h"
#include "docview/ui/LimitsDlg.h"
#include "docview/ui/PrintRX.h"
#include "fft/ui/FFTDlg.h"
#include "record/Dispatch.h"
#include "record/Document.h"
#include "record/Statistics.h"
#include "record/SummaryText.h"

namespace {

// The tab control and the button keep their template places; dialog units
// at the usual 8-point dialog font are 1.5 pixels wide and 1.625 high. A
// larger font widens them, and the button moves right of the tabs.
const QRect kTabsRect(26, 13, 209, 21);
const QRect kCopyGraphRect(260, 11, 75, 26);
constexpr int kButtonGap = 12;

}  // namespace

CRoZudozuvView::CRoZudozuvView(CRoZudozuvDoc& document, QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_pGraph(new CGraphDlg(this)),
      m_pTabs(new QTabBar(this)),
      m_pList(new QTableView(this)),
      m_pModel(new CDataListModel(document, this)),
      m_pSummary(new QPlainTextEdit(this)),
      m_pCopyGraph(new QPushButton(tr("Copy Graph"), this)) {
    setObjectName(QStringLiteral("view"));
    m_pGraph->setObjectName(QStringLiteral("graph"));
    m_pGraph->SetDocument(&document);

    m_pTabs->setObjectName(QStringLiteral("tabs"));
    m_pTabs->setExpanding(false);
    m_pTabs->setUsesScrollButtons(false);
    for (const char* text : {QT_TR_NOOP("Graph"), QT_TR_NOOP("Data List"), QT_TR_NOOP("Summary")}) {
        m_pTabs->addTab(tr(text));
    }
    const QSize tabsHint = m_pTabs->sizeHint();
    m_pTabs->setGeometry(kTabsRect.x(), kTabsRect.y(),
                         std::max(kTabsRect.width(), tabsHint.width()),
                         std::max(kTabsRect.height(), tabsHint.height()));
    connect(m_pTabs, &QTabBar::currentChanged, this, &CRoZudozuvView::ShowPane);

    m_pCopyGraph->setObjectName(QStringLiteral("copyGraph"));
    const QSize buttonHint = m_pCopyGraph->sizeHint();
    m_pCopyGraph->setGeometry(
        std::max(kCopyGraphRect.x(), m_pTabs->geometry().right() + kButtonGap), kCopyGraphRect.y(),
        std::max(kCopyGraphRect.width(), buttonHint.width()),
        std::max(kCopyGraphRect.height(), buttonHint.height()));
    connect(m_pCopyGraph, &QPushButton::clicked, this, &CRoZudozuvView::OnCopyGraph);
    // The FFT tool's marked stretch goes to the FFT analysis.
    connect(m_pGraph, &CGraphDlg::fftRangeRequested, this,
            [this](int first, int last) { RunFftAnalysis(this, Document(), first, last); });

    CreateList();

    m_pSummary->setObjectName(QStringLiteral("summary"));
    m_pSummary->setReadOnly(true);
    m_pSummary->setLineWrapMode(QPlainTextEdit::NoWrap);

    ShowPane(0);

    m_repaint.setSingleShot(true);
    m_repaint.setInterval(kRepaintMs);
    connect(&m_repaint, &QTimer::timeout, this, &CRoZudozuvView::Repaint);
    m_document.AddObserver(this);
}

CRoZudozuvView::~CRoZudozuvView() {
    m_document.RemoveObserver(this);
}

void CRoZudozuvView::CreateList() {
    m_pList->setObjectName(QStringLiteral("dataList"));
    m_pList->setModel(m_pModel);
    m_pList->setItemDelegate(new CDataListDelegate(m_pList));
    m_pList->setShowGrid(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setWordWrap(false);
    m_pList->setCornerButtonEnabled(false);
    // Every row has the same height, so a list of a million rows lays out at once.
    QHeaderView* rows = m_pList->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_pList->fontMetrics().height() + 4);
    QHeaderView* columns = m_pList->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setHighlightSections(false);
    for (std::size_t i = 0; i < kListColumns.size(); ++i) {
        m_pList->setColumnWidth(static_cast<int>(i), kListColumns[i].width);
    }
}

void CRoZudozuvView::OnInitialUpdate() {
    CRoZudozuvDoc& document = Document();
    if (document.channels[0].empty() || document.Role() == DocumentRole::Live) {
        return;
    }
    // A document read from a file: its rows, its summary, and the graph's
    // range from its extremes.
    m_pModel->FillFromDocument();
    RefreshSummary();
    const YRange range = YRangeFromSummary(document.summary);
    SetYRange(range.top, range.bottom);
}

void CRoZudozuvView::OnPrintGraph() {
    PrintGraph(this, Document(), *m_pGraph);
}

void CRoZudozuvView::OnPrintData() {
    PrintData(this, Document());
}

void CRoZudozuvView::OnGraphSetting() {
    RunGraphSetting(this, *m_pGraph, Document().autoScale, m_manualScale, Document().summary);
}

void CRoZudozuvView::OnLimits() {
    CLimitsDlg dialog(GetLimits(), this);
    if (dialog.exec() == QDialog::Accepted) {
        SetLimits(dialog.GetLimits());
    }
}

void CRoZudozuvView::SetYRange(double top, double bottom) {
    // Ranges from readings and files are the graph's own choice; a Y zoom of
    // the user outlives them.
    m_pGraph->SetAutoYRange(top, bottom);
}

void CRoZudozuvView::RefreshSummary() {
    // The summary keeps the program's CR LF line ends; the edit wants plain LF.
    std::string summary = FormatSummaryText(Document().summary);
    if (GetLimits().Any()) {
        summary += ExcursionText(GetLimits(), m_limits.AboveHigh(), m_limits.BelowLow());
    }
    QString text = QString::fromStdString(summary);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text != m_strSummary) {
        m_strSummary = text;
        m_bSummaryShown = false;
        ScheduleRepaint();
    }
}

void CRoZudozuvView::SetLimits(const Limits& limits) {
    m_limits.SetLimits(limits);
    m_pGraph->SetLimits(limits.high, limits.low);
    RefreshSummary();
}

void CRoZudozuvView::ContinueLimitsFrom(const CRoZudozuvView& full) {
    m_limits.ContinueFrom(full.m_limits);
    m_pGraph->SetLimits(GetLimits().high, GetLimits().low);
    RefreshSummary();
}

void CRoZudozuvView::RecordsAppended(const CRoZudozuvDoc&, const AppendedRecords& appended) {
    if (appended.count == 0) {
        return;
    }
    m_pModel->Take(appended);
    const CObData& newest = Document().channels[static_cast<std::size_t>(appended.channel)]
                                               [appended.first + appended.count - 1];
    std::optional<LimitSide> crossed;
    if (appended.origin == RecordOrigin::Live) {
        crossed = WatchLimits(newest);
    }
    if (const std::optional<YRange> range = AutoRangeAfter(Document(), appended)) {
        SetYRange(range->top, range->bottom);
    }
    // The meter's records and downloads are drawn whole; live readings
    // segment by segment.
    if (appended.origin == RecordOrigin::MeterRecord || appended.origin == RecordOrigin::Download) {
        m_bGraphRedraw = true;
    }
    ScheduleRepaint();
    emit recordsAdded();
    if (crossed) {
        RefreshSummary();
        emit limitCrossed(*crossed, newest.value);
    }
}

void CRoZudozuvView::SummaryChanged(const CRoZudozuvDoc&) {
    RefreshSummary();
}

std::optional<LimitSide> CRoZudozuvView::WatchLimits(const CObData& reading) {
    if (!GetLimits().Any()) {
        return std::nullopt;
    }
    const CLimitWatcher::Step step = m_limits.Watch(reading.value);
    if (!step.crossed) {
        return std::nullopt;
    }
    // A copy: keeping the crossing appends to the document.
    const CObData kept = reading;
    KeepCrossing(Document(), kept, step.side);
    return step.side;
}

void CRoZudozuvView::ScheduleRepaint() {
    if (!m_repaint.isActive()) {
        m_repaint.start();
    }
}

void CRoZudozuvView::Repaint() {
    const QScrollBar* bar = m_pList->verticalScrollBar();
    const bool follow = FollowsNewRow(bar->value(), bar->maximum());
    if (m_pModel->Publish() && follow) {
        m_pList->scrollToBottom();
    }
    if (m_bGraphRedraw) {
        m_bGraphRedraw = false;
        m_pGraph->Redraw();
    } else {
        m_pGraph->DrawNewestSegment();
    }
    if (!m_bSummaryShown) {
        m_bSummaryShown = true;
        m_pSummary->setPlainText(m_strSummary);
    }
}

void CRoZudozuvView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect client = rect();
    const PaneRect pane =
        PanePlacement(PaneRect{client.x(), client.y(), client.width(), client.height()});
    const QRect placed(pane.x, pane.y, pane.width, pane.height);
    for (QWidget* widget : {static_cast<QWidget*>(m_pGraph), static_cast<QWidget*>(m_pList),
                            static_cast<QWidget*>(m_pSummary)}) {
        widget->setGeometry(placed);
    }
}

void CRoZudozuvView::ShowPane(int tab) {
    m_pGraph->setVisible(tab == 0);
    m_pList->setVisible(tab == 1);
    m_pSummary->setVisible(tab == 2);
}

void CRoZudozuvView::OnCopyGraph() {
    CopyGraphToClipboard(this, *m_pGraph);
}
