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
#include "docview/ui/PrintRX.h"
#include "fft/ui/FFTDlg.h"
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
      CRecordingTarget(document),
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
}

CRoZudozuvView::~CRoZudozuvView() = default;

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
    if (document.channels[0].empty() || liveTarget) {
        return;
    }
    // A document read from a file: its rows, its summary, and the graph's
    // range from its extremes.
    CountListedRows(m_pModel->FillFromDocument());
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
    RunGraphSetting(this, *m_pGraph, autoScale, m_manualScale, Document().summary);
}

void CRoZudozuvView::RefreshGraph() {
    m_pGraph->DrawNewestSegment();
}

void CRoZudozuvView::InvalidateGraph() {
    m_pGraph->Redraw();
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
        m_pSummary->setPlainText(text);
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

void CRoZudozuvView::OnListRowAppended(const ListRow& row) {
    const QScrollBar* bar = m_pList->verticalScrollBar();
    const bool follow = FollowsNewRow(bar->value(), bar->maximum());
    ListRow listed = row;
    // Live readings are watched against the limits; a crossing row says so.
    std::optional<LimitSide> crossed;
    const std::vector<CObData>& readings = Document().channels[0];
    if (GetLimits().Any() && !meterRecordTarget && !readings.empty()) {
        const CLimitWatcher::Step step = m_limits.Watch(readings.back().value);
        if (step.crossed) {
            KeepCrossing(Document(), readings.back(), step.side);
            listed.remark = LimitRemark(step.side);
            crossed = step.side;
        }
    }
    m_pModel->Append(listed);
    if (follow) {
        m_pList->scrollToBottom();
    }
    // Meter-record documents are not live, so their summary follows the rows.
    if (meterRecordTarget || crossed) {
        RefreshSummary();
    }
    emit recordsAdded();
    if (crossed) {
        emit limitCrossed(*crossed, readings.back().value);
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
