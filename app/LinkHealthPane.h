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

    // Shows `health` (kept by the meter's connection, which outlives the pane's use).
    void Follow(const CLinkHealth& health);
    // The link opened, closed or changed: shown now.
    void Redraw();

    const CLinkHealth& Health() const { return *m_pHealth; }

  private:
    CLinkHealth m_none;
    const CLinkHealth* m_pHealth = &m_none;
    QTimer m_timer;
};
