#include "app/FrameStatusBar.h"

#include <QCoreApplication>

#include "app/LinkHealthPane.h"

namespace {

QString ReadyText() {
    return QCoreApplication::translate("CMainFrame", "Ready");
}

}  // namespace

CFrameStatusBar::CFrameStatusBar(QStatusBar* bar, QWidget* mqttPane)
    : m_pBar(bar),
      m_pIdleText(new QLabel(ReadyText(), bar)),
      m_pLinkHealth(new CLinkHealthPane(bar)) {
    bar->setObjectName(QStringLiteral("statusBar"));
    m_pIdleText->setObjectName(QStringLiteral("readyText"));
    bar->addWidget(m_pIdleText, 1);
    bar->addPermanentWidget(m_pLinkHealth);
    bar->addPermanentWidget(mqttPane);
    for (const char* key : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(QLatin1String(key), bar);
        indicator->setObjectName(QLatin1String(key));
        indicator->setEnabled(false);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addPermanentWidget(indicator);
    }
}

void CFrameStatusBar::ShowReady() {
    m_pIdleText->setText(ReadyText());
    m_pBar->clearMessage();
}

void CFrameStatusBar::ShowStopped(const QString& why) {
    m_pIdleText->setText(why);
    m_pBar->clearMessage();
}
