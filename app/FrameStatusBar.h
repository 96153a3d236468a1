#pragma once

#include <QLabel>
#include <QStatusBar>
#include <QString>

class CLinkHealthPane;

// The main window's status bar: passing messages over an idle text ("Ready",
// or why the last recording stopped, until the next Start), then the link's
// health, the MQTT pane and the key indicators.
class CFrameStatusBar {
  public:
    CFrameStatusBar(QStatusBar* bar, QWidget* mqttPane);

    void ShowPassing(const QString& text, int timeoutMs = 0) {
        m_pBar->showMessage(text, timeoutMs);
    }
    // A recording started: "Ready" again under the passing messages.
    void ShowReady();
    // Why the recording stopped stays under the passing messages.
    void ShowStopped(const QString& why);
    QString IdleText() const { return m_pIdleText->text(); }
    CLinkHealthPane* LinkHealth() const { return m_pLinkHealth; }

  private:
    QStatusBar* m_pBar;
    QLabel* m_pIdleText;
    CLinkHealthPane* m_pLinkHealth;
};
