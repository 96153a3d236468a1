#pragma once

#include <QToolBar>

// The graph tool bar: nine icon buttons (Move, Rect, YBig, XBig, Big, Small,
// Show, All, FFT) that send their command to the current document view.
class CControlDlgBar : public QToolBar {
    Q_OBJECT
  public:
    explicit CControlDlgBar(QWidget* parent = nullptr);

    struct Button {
        const char* text;
        int command;
    };
    static const Button kButtons[9];

  signals:
    void command(int id);
};
