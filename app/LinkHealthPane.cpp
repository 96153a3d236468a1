#include "app/LinkHealthPane.h"

namespace {

constexpr int kRedrawMs = 1000;

}  // namespace

CLinkHealthPane::CLinkHealthPane(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("linkHealth"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_timer.setInterval(kRedrawMs);
    connect(&m_timer, &QTimer::timeout, this, &CLinkHealthPane::Redraw);
    Redraw();
}

void CLinkHealthPane::Follow(const CLinkHealth& health) {
    m_pHealth = &health;
    Redraw();
}

void CLinkHealthPane::Redraw() {
    const auto now = CLinkHealth::Clock::now();
    setText(QString::fromStdString(m_pHealth->Text(now)));
    setToolTip(QString::fromStdString(m_pHealth->Details(now)));
    if (!m_pHealth->HasPort()) {
        m_timer.stop();
    } else if (!m_timer.isActive()) {
        m_timer.start();
    }
}
