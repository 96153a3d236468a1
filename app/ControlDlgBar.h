#pragma once

#include <QToolBar>
#include <optional>

#include "display/GraphState.h"

class CDocumentWindows;
class QActionGroup;

// The graph tool bar: nine icon buttons (Move, Rect, YBig, XBig, Big, Small,
// Show, All, FFT) for the current document view. The eight mouse tools are
// one exclusive group, whose check follows the current view's tool; All
// shows the whole recording.
class CControlDlgBar : public QToolBar {
    Q_OBJECT
  public:
    explicit CControlDlgBar(QWidget* parent = nullptr);

    struct Button {
        const char* text;
        int command;                    // the id the action carries, and its artwork
        std::optional<GraphTool> tool;  // none: the All command
    };
    static const Button kButtons[9];

    // The buttons act on the windows' current view, and the checked tool
    // follows that view.
    void ActOn(const CDocumentWindows& windows);
    // Checks the button of `tool` (the current view's), without choosing it.
    void ShowTool(GraphTool tool);
    QActionGroup* Tools() const { return m_pTools; }

  signals:
    void toolChosen(GraphTool tool);
    void showAllRequested();

  private:
    QActionGroup* m_pTools;
};
