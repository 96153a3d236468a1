#include "app/WaitDlg.h"

#include <QVBoxLayout>
#include <algorithm>

CWaitDlg::CWaitDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint), m_pBar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("waitDlg"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pBar);
    m_pBar->setTextVisible(true);
    resize(290, 30);
}

void CWaitDlg::ShowProgress(int blockCount, QWidget* over) {
    // The meter announces the block count in 16 bits.
    m_nBlockCount = std::clamp(blockCount, 0, 0xFFFF);
    m_pBar->setRange(0, m_nBlockCount);
    m_pBar->setValue(0);
    if (over != nullptr) {
        const QPoint centre = over->mapToGlobal(over->rect().center());
        move(centre - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
}

void CWaitDlg::SetPos(int blocksDone) {
    m_pBar->setValue(std::clamp(blocksDone, 0, m_nBlockCount));
}
