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

void CLinkHealthPane::PortOpened(const QString& name, const LinkCounters& totals) {
    m_health.PortOpened(name.toStdString(), totals, CLinkHealth::Clock::now());
    m_timer.start();
    Redraw();
}

void CLinkHealthPane::PortClosed() {
    m_health.PortClosed();
    m_timer.stop();
    Redraw();
}

void CLinkHealthPane::Observe(const LinkCounters& totals) {
    m_health.Observe(totals, CLinkHealth::Clock::now());
}

void CLinkHealthPane::Redraw() {
    const auto now = CLinkHealth::Clock::now();
    setText(QString::fromStdString(m_health.Text(now)));
    setToolTip(QString::fromStdString(m_health.Details(now)));
}
