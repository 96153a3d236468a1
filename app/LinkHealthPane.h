#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>

#include "record/LinkHealth.h"

// The status bar pane with the link's health: "No port", or the port's short
// name, frames per second over the last 5 s and the age of the last frame.
// The tooltip adds the bytes received and the bytes dropped as junk. It
// redraws once a second while a port is open; without one its timer stops.
class CLinkHealthPane : public QLabel {
    Q_OBJECT
  public:
    explicit CLinkHealthPane(QWidget* parent = nullptr);

    // A port or the demo meter opened; `totals` are the receive path's now.
    void PortOpened(const QString& name, const LinkCounters& totals);
    void PortClosed();
    // The receive path's totals after a block arrived.
    void Observe(const LinkCounters& totals);

    const CLinkHealth& Health() const { return m_health; }

  private:
    void Redraw();

    CLinkHealth m_health;
    QTimer m_timer;
};
