#pragma once

#include <QDockWidget>

class CLeftDlg;
class IClock;
class QMdiArea;

// The "Display" bar on the main window's left: the meter face, scrolled
// when the screen leaves it less height than the picture needs.
class CDisplayDock : public QDockWidget {
    Q_OBJECT
  public:
    CDisplayDock(const IClock* clock, QWidget* parent);

    CLeftDlg* Face() const { return m_pFace; }
    // View > Real Time: shows or hides the bar; the active document window
    // of `area` is laid out again beside it.
    void ShowBeside(QMdiArea* area, bool shown);

  signals:
    // The bar's own close button hid it.
    void closedByUser();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    CLeftDlg* m_pFace;
};
