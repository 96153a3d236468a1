#include "app/ChildFrame.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QVBoxLayout>

#include "record/SummaryText.h"

CChildFrame::CChildFrame(std::unique_ptr<CRoZudozuvDoc> document,
                         std::function<void(CRecordingTarget&)> onDestroy, QWidget* parent)
    : QWidget(parent),
      m_pDocument(std::move(document)),
      m_onDestroy(std::move(onDestroy)),
      m_pSummary(new QPlainTextEdit(this)) {
    m_pView = std::make_unique<CSummaryTarget>(*m_pDocument, [this] { RefreshSummary(); });

    m_pSummary->setObjectName(QStringLiteral("summary"));
    m_pSummary->setReadOnly(true);
    m_pSummary->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pSummary->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pSummary);
    RefreshSummary();
}

CChildFrame::~CChildFrame() {
    Detach();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    // The window is deleted later; no reading may reach it in between.
    Detach();
    QWidget::closeEvent(event);
}

void CChildFrame::Detach() {
    if (m_onDestroy) {
        m_onDestroy(*m_pView);
        m_onDestroy = nullptr;
    }
}

void CChildFrame::SetFilePath(const QString& path) {
    m_strFilePath = path;
    setWindowTitle(QFileInfo(path).fileName());
}

void CChildFrame::RefreshSummary() {
    // The summary keeps the program's CR LF line ends; the box wants plain LF.
    QString text = QString::fromStdString(FormatSummaryText(m_pDocument->summary));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text != m_pSummary->toPlainText()) {
        m_pSummary->setPlainText(text);
    }
}

bool CChildFrame::HandleCommand(int id) {
    (void)id;
    return false;
}
